// Saving and loading whole estimate documents as JSON (docs/format.md). A
// save followed by a load gives back every object, id, field and reference;
// saving the loaded document again gives the same text. A load either gives
// a complete fresh document or none, with an error naming the place.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "reference_host/app/app_document_impl.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

inline constexpr char kDocumentFormatName[] = "marrow-qrv-estimate";
inline constexpr int kDocumentFormatVersion = 1;
// Deepest JSON nesting a load accepts; deeper input is refused, not recursed.
inline constexpr int kMaxDocumentNesting = 512;

struct LoadResult {
  std::unique_ptr<AppDocumentImpl> document;  // null on failure
  // "<JSON pointer>: <what is wrong>", e.g.
  // "/project/subProjects/0/bills/2/budget/1/quantity: expected a number".
  std::string error;
  explicit operator bool() const { return document != nullptr; }
};

// Indented by 2, members in a fixed order: the same document always gives
// the same text.
std::string SaveDocumentText(const EstimateDocument& document);
// Replaces |path| whole or not at all (AtomicFileWriter: a unique synced
// temporary file renamed over it; only regular files, written through
// symbolic links). False with "PATH: why" in |error| on failure.
bool SaveDocumentFile(const EstimateDocument& document, const std::string& path,
                      std::string* error);

LoadResult LoadDocumentJson(const nlohmann::json& json);
LoadResult LoadDocumentText(const std::string& text);
LoadResult LoadDocumentFile(const std::string& path);

namespace persist {
// The load through a JSON tree of the whole text (ParseStrictJson, then
// DocumentReader): what LoadDocumentText falls back on to name the place of
// a refusal. Kept callable for tests and benchmarks that compare the two.
LoadResult LoadDocumentTextByTree(const std::string& text);
}  // namespace persist

}  // namespace reference_host
