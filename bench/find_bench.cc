// Id lookups over a document of a million objects, beside a bare hash map
// holding the same ids: what a plain hash map costs (the document's index
// decides most lookups without reading the object, so it can do better).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_util.h"
#include "host/engine/document_object.h"

namespace {

reference_host::AppDocumentImpl* MillionObjects() { return bench::ObjectsDocument(1000000); }

// Every id of the document, in a fixed shuffled order, so lookups do not
// walk memory in the order the objects were made.
const std::vector<std::string>& ShuffledIds() {
  static const std::vector<std::string> ids = [] {
    std::vector<engine::DocumentObject*> objects;
    MillionObjects()->document()->GetAllObjects(objects);
    std::vector<std::string> all;
    all.reserve(objects.size());
    for (engine::DocumentObject* object : objects) all.push_back(object->GetId());
    std::shuffle(all.begin(), all.end(), std::mt19937_64(7));
    return all;
  }();
  return ids;
}

class FindFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    document_ = MillionObjects();
    ids_ = &ShuffledIds();
  }

 protected:
  reference_host::AppDocumentImpl* document_ = nullptr;
  const std::vector<std::string>* ids_ = nullptr;
};

BENCHMARK_DEFINE_F(FindFixture, FindObjectById)(benchmark::State& state) {
  std::size_t found = 0;
  for (auto _ : state) {
    for (const std::string& id : *ids_) found += document_->FindObjectById(id) != nullptr;
  }
  if (found != ids_->size() * state.iterations()) state.SkipWithError("an id was not found");
  state.SetItemsProcessed(state.iterations() * ids_->size());
  bench::SetObjectsCounter(state, *document_);
}
BENCHMARK_REGISTER_F(FindFixture, FindObjectById)->Unit(benchmark::kMillisecond)->Iterations(5);

// The host's own class instead of the interface type: the index hands back
// either without reading the object, so the two should cost the same.
BENCHMARK_DEFINE_F(FindFixture, HostIndexOnly)(benchmark::State& state) {
  std::size_t found = 0;
  for (auto _ : state) {
    for (const std::string& id : *ids_) found += document_->document()->FindImpl(id) != nullptr;
  }
  if (found != ids_->size() * state.iterations()) state.SkipWithError("an id was not found");
  state.SetItemsProcessed(state.iterations() * ids_->size());
  bench::SetObjectsCounter(state, *document_);
}
BENCHMARK_REGISTER_F(FindFixture, HostIndexOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_DEFINE_F(FindFixture, BareUnorderedMapFloor)(benchmark::State& state) {
  // Built in document order, as the document's own index is.
  std::vector<engine::DocumentObject*> objects;
  document_->document()->GetAllObjects(objects);
  std::unordered_map<std::string, void*> index;
  for (engine::DocumentObject* object : objects) index.emplace(object->GetId(), object);
  std::size_t found = 0;
  for (auto _ : state) {
    for (const std::string& id : *ids_) {
      auto it = index.find(id);
      found += it != index.end() && it->second != nullptr;
    }
  }
  if (found != ids_->size() * state.iterations()) state.SkipWithError("an id was not found");
  state.SetItemsProcessed(state.iterations() * ids_->size());
  bench::SetObjectsCounter(state, *document_);
}
BENCHMARK_REGISTER_F(FindFixture, BareUnorderedMapFloor)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
