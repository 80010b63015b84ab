// Shared pieces of the benchmarks: generated documents kept for the whole run
// and the lookups the benchmarks start from.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"
#include "reference_host/builder/document_generator.h"

namespace reference_host {
class ResItemImpl;
class SubEngineeringImpl;
class TupleImpl;
}  // namespace reference_host

namespace bench {

// The generated document known by |name|, made on first use. Generating a
// million objects takes seconds, so the few most recently used documents are
// kept between benchmarks; a benchmark that changes one puts it back.
reference_host::AppDocumentImpl* SharedDocument(const std::string& name,
                                                const reference_host::GeneratorOptions& options);

// The default shape sized to |objects| objects ("objects-<n>").
reference_host::AppDocumentImpl* ObjectsDocument(std::int64_t objects);

// Budget lines in document order (those standing in a bill's or entry's
// budget list; collection copies are not among them).
std::vector<reference_host::ResItemImpl*> BudgetLines(
    const reference_host::AppDocumentImpl& document);
// Budget and cost lines standing in lists.
std::vector<reference_host::ResItemImpl*> ListedLines(
    const reference_host::AppDocumentImpl& document);
// Bills (node kind 2) in document order.
std::vector<reference_host::SubEngineeringImpl*> Bills(
    const reference_host::AppDocumentImpl& document);
std::vector<reference_host::TupleImpl*> Rows(const reference_host::AppDocumentImpl& document);

// A collect request: |quantity| of |budget| into |cost|.
struct CollectRequest {
  reference_host::ResItemImpl* cost;
  reference_host::ResItemImpl* budget;
  double quantity;
};
// Up to |count| requests on budget lines that are neither linked nor
// collected yet, each into a cost line of its own bill that may take parts,
// spread evenly over the document. Each asks for half of the line.
std::vector<CollectRequest> CollectRequests(const reference_host::AppDocumentImpl& document,
                                            std::size_t count);

inline void SetObjectsCounter(benchmark::State& state,
                              const reference_host::AppDocumentImpl& document) {
  state.counters["objects"] = static_cast<double>(document.document()->object_count());
}

}  // namespace bench
