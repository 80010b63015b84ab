// Saving and loading whole estimate documents as JSON (docs/format.md). A
// save followed by a load gives back every object, id, field and reference;
// saving the loaded document again gives the same text. A load either gives
// a complete fresh document or none, with an error naming the place.
#pragma once

#include <cstddef>
#include <functional>
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

// Hears how far a long save or load has come: |done| bytes of |total|
// (0 while the total is not known yet). Called every few megabytes.
using ProgressCallback = std::function<void(size_t done, size_t total)>;

struct SaveOptions {
  // No indentation and no spaces: a third of the text for a large
  // document. Loads as the indented form does.
  bool compact = false;
  // Optional. The total is not known before the end (0): a file save
  // writes the text to the file as it is made.
  ProgressCallback progress;
};

// Indented by 2 (or compact), members in a fixed order: the same document
// always gives the same text.
std::string SaveDocumentText(const EstimateDocument& document, const SaveOptions& options = {});
// The same into |text|, replacing its content and reusing its room: a
// program that saves again and again spares the fresh memory of a new text
// (on a virtual machine, touching fresh memory can cost more than writing).
void SaveDocumentText(const EstimateDocument& document, const SaveOptions& options,
                      std::string& text);
// Replaces |path| whole or not at all (AtomicFileWriter: a unique synced
// temporary file renamed over it; only regular files, written through
// symbolic links). False with "PATH: why" in |error| on failure.
bool SaveDocumentFile(const EstimateDocument& document, const std::string& path, std::string* error,
                      const SaveOptions& options = {});

LoadResult LoadDocumentJson(const nlohmann::json& json);
// |progress|, when set, hears the bytes of |text| (or of the file) read so far.
LoadResult LoadDocumentText(const std::string& text, const ProgressCallback& progress = {});
LoadResult LoadDocumentFile(const std::string& path, const ProgressCallback& progress = {});

namespace persist {
// The load through a JSON tree of the whole text (ParseStrictJson, then
// DocumentReader): what LoadDocumentText falls back on to name the place of
// a refusal. Kept callable for tests and benchmarks that compare the two.
LoadResult LoadDocumentTextByTree(const std::string& text);
}  // namespace persist

}  // namespace reference_host
