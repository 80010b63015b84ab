// Saving and loading a document of a million objects as JSON text.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_util.h"
#include "reference_host/persist/document_json.h"

namespace {

reference_host::AppDocumentImpl* MillionObjects() { return bench::ObjectsDocument(1000000); }

// The last text saved, which the load benchmark reads back rather than
// spending another save on it.
std::string& SavedText() {
  static auto* text = new std::string;
  return *text;
}

void BM_SaveDocumentText(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = MillionObjects();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = reference_host::SaveDocumentText(*document->document());
    bytes = text.size();
    state.PauseTiming();
    SavedText() = std::move(text);
    state.ResumeTiming();
  }
  if (bytes == 0) state.SkipWithError("nothing was saved");
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * document->document()->object_count());
  state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
  bench::SetObjectsCounter(state, *document);
}
BENCHMARK(BM_SaveDocumentText)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LoadDocumentText(benchmark::State& state) {
  reference_host::AppDocumentImpl* original = MillionObjects();
  if (SavedText().empty()) SavedText() = reference_host::SaveDocumentText(*original->document());
  const std::string& text = SavedText();
  const std::size_t objects = original->document()->object_count();
  for (auto _ : state) {
    reference_host::LoadResult loaded = reference_host::LoadDocumentText(text);
    state.PauseTiming();
    if (!loaded) {
      state.SkipWithError(("load failed: " + loaded.error).c_str());
    } else if (loaded.document->document()->object_count() != objects) {
      state.SkipWithError("the loaded document lost objects");
    }
    loaded.document.reset();  // teardown is not what is measured
    state.ResumeTiming();
  }
  const std::size_t bytes = text.size();
  SavedText() = std::string();
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * objects);
  state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["objects"] = static_cast<double>(objects);
}
BENCHMARK(BM_LoadDocumentText)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
