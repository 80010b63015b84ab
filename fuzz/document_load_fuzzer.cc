// Fuzzes the document loader. Any input either loads or is refused with an
// error that names the place; a document that loads must save, load again
// and save to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "reference_host/persist/document_json.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLibraryLogging();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
  if (!loaded) {
    if (loaded.error.empty()) fuzz::Fail("a refused load gave no error");
    return 0;
  }
  const std::string saved = fuzz::SaveText(*loaded.document);
  fuzz::CheckReloads(saved, "loaded input");
  return 0;
}
