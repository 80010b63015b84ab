#include "reference_host/persist/document_json.h"

#include <utility>

#include "reference_host/persist/atomic_file_writer.h"
#include "reference_host/persist/document_reader.h"
#include "reference_host/persist/document_stream_reader.h"
#include "reference_host/persist/document_text.h"
#include "reference_host/persist/document_writer.h"

namespace reference_host {
namespace {

// The byte offset where |text| first nests deeper than the limit, or npos.
// Brackets inside strings do not count; malformed text is left to the parser.
size_t FindTooDeep(const std::string& text) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDocumentNesting) return i;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string SaveDocumentText(const EstimateDocument& document, const SaveOptions& options) {
  const persist::JsonLayout layout =
      options.compact ? persist::JsonLayout::kCompact : persist::JsonLayout::kIndented;
  return persist::DocumentWriter(document, layout, options.progress).Write();
}

void SaveDocumentText(const EstimateDocument& document, const SaveOptions& options,
                      std::string& text) {
  const persist::JsonLayout layout =
      options.compact ? persist::JsonLayout::kCompact : persist::JsonLayout::kIndented;
  persist::DocumentWriter(document, layout, options.progress).Write(text);
}

bool SaveDocumentFile(const EstimateDocument& document, const std::string& path, std::string* error,
                      const SaveOptions& options) {
  AtomicFileWriter writer(path);
  if (!writer.Open(error)) return false;
  // The text goes to the file as it is made: a large document is never
  // held whole, and its pieces are written while they are still in the
  // cache. A failed piece discards the temporary file.
  const persist::JsonLayout layout =
      options.compact ? persist::JsonLayout::kCompact : persist::JsonLayout::kIndented;
  const bool written = persist::DocumentWriter(document, layout, options.progress)
                           .Write([&writer, error](const char* bytes, size_t size) {
                             return writer.Write(bytes, size, error);
                           });
  return written && writer.Commit(error);
}

LoadResult LoadDocumentJson(const nlohmann::json& json) {
  LoadResult result;
  try {
    persist::DocumentReader reader;
    std::unique_ptr<EstimateDocument> document = reader.Read(json, &result.error);
    if (document) result.document = std::make_unique<AppDocumentImpl>(std::move(document));
  } catch (const std::exception& e) {
    // Only a resource failure gets here; the input itself is checked.
    result.document.reset();
    result.error = std::string("/: cannot load: ") + e.what();
  }
  return result;
}

LoadResult LoadDocumentText(const std::string& text, const ProgressCallback& progress) {
  // The stream reader builds the document without a tree of the text but
  // does not say why it refuses one; refusals are rare, and the tree reader
  // names their place.
  LoadResult result;
  try {
    std::unique_ptr<EstimateDocument> document = persist::ReadDocumentStream(text);
    if (document) {
      result.document = std::make_unique<AppDocumentImpl>(std::move(document));
      if (progress) progress(text.size(), text.size());
      return result;
    }
  } catch (const std::exception&) {
    // Out of memory, say: the tree reader reports it.
  }
  return persist::LoadDocumentTextByTree(text);
}

LoadResult persist::LoadDocumentTextByTree(const std::string& text) {
  size_t too_deep = FindTooDeep(text);
  if (too_deep != std::string::npos) {
    LoadResult result;
    result.error = persist::TextPlace(text, too_deep) + ": nested deeper than " +
                   std::to_string(kMaxDocumentNesting) + " levels";
    return result;
  }
  nlohmann::json json;
  LoadResult result;
  if (!persist::ParseStrictJson(text, json, result.error)) return result;
  return LoadDocumentJson(json);
}

LoadResult LoadDocumentFile(const std::string& path, const ProgressCallback& progress) {
  std::string text;
  LoadResult result;
  if (!persist::ReadTextFile(path, text, result.error, progress)) return result;
  result = LoadDocumentText(text, progress);
  if (!result) result.error = path + ": " + result.error;
  return result;
}

}  // namespace reference_host
