// Fuzzes the document loader. Any input either loads or is refused with an
// error that names the place; a document that loads must save, load again
// and save to the same bytes. The stream load and the tree load it falls
// back on for messages must agree: both accept the input and save it the
// same, or both refuse it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/document_stream_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLibraryLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  if (!loaded) {
    if (loaded.error.empty()) fuzz::Fail("a refused load gave no error");
    // A refusal is the tree reader's, whose message it has; the stream
    // reader must have refused too.
    if (reference_host::persist::ReadDocumentStream(text))
      fuzz::Fail("the stream reader accepts what the tree reader refuses", loaded.error);
    return 0;
  }
  const std::string saved = fuzz::SaveText(*loaded.document);
  std::unique_ptr<reference_host::EstimateDocument> streamed =
      reference_host::persist::ReadDocumentStream(text);
  if (!streamed) fuzz::Fail("the stream reader refuses what the tree reader accepts");
  const reference_host::LoadResult by_tree = reference_host::persist::LoadDocumentTextByTree(text);
  if (!by_tree) fuzz::Fail("the tree reader refuses what the stream reader accepts", by_tree.error);
  const std::string tree_text = fuzz::SaveText(*by_tree.document);
  if (tree_text != saved)
    fuzz::Fail("the stream and the tree reader build other documents",
               fuzz::FirstDifference(tree_text, saved));
  fuzz::CheckReloads(saved, "loaded input");
  return 0;
}
