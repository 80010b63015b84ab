// Saving the 1M-object document, indented and compact, beside what the same
// text costs through nlohmann (dump of a tree already built) and a bare copy
// of the text: the floor any writer of a text held in memory meets.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/bench_util.h"
#include "reference_host/persist/document_json.h"

namespace {

using Clock = std::chrono::steady_clock;

reference_host::AppDocumentImpl* MillionObjects() { return bench::ObjectsDocument(1000000); }

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double MegabytesPerSecond(size_t bytes, double seconds) { return bytes / 1e6 / seconds; }

void BM_SaveDocumentTextCompact(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = MillionObjects();
  reference_host::SaveOptions options;
  options.compact = true;
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = reference_host::SaveDocumentText(*document->document(), options);
    bytes = text.size();
    state.PauseTiming();
    text = std::string();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
  bench::SetObjectsCounter(state, *document);
}
BENCHMARK(BM_SaveDocumentTextCompact)->Unit(benchmark::kMillisecond)->Iterations(1);

// Into a text whose room an earlier save already touched: the writer's own
// speed, without the first touch of hundreds of megabytes of fresh memory
// (BM_SaveRatios' copy_MBps), which on a virtual machine can be the larger part.
void BM_SaveDocumentTextReused(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = MillionObjects();
  reference_host::SaveOptions options;
  options.compact = state.range(0) != 0;
  std::string text;
  reference_host::SaveDocumentText(*document->document(), options, text);
  for (auto _ : state) reference_host::SaveDocumentText(*document->document(), options, text);
  state.SetBytesProcessed(state.iterations() * text.size());
  state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["compact"] = options.compact;
}
BENCHMARK(BM_SaveDocumentTextReused)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// To a file, as the CLI's -o saves: the text goes to the file piece by
// piece as it is made, so no text of hundreds of megabytes is ever held, and
// the pieces are written while they are still in the cache. Includes the
// temporary file, the fsync and the rename; the file goes to $TMPDIR (or
// /tmp) and is removed.
void BM_SaveDocumentFile(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = MillionObjects();
  reference_host::SaveOptions options;
  options.compact = state.range(0) != 0;
  const char* folder = std::getenv("TMPDIR");
  const std::string path =
      std::string(folder && *folder ? folder : "/tmp") + "/marrow-bench-save.json";
  for (auto _ : state) {
    std::string error;
    if (!reference_host::SaveDocumentFile(*document->document(), path, &error, options))
      state.SkipWithError(error.c_str());
  }
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  const auto bytes = static_cast<std::size_t>(file.tellg());
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["compact"] = options.compact;
}
BENCHMARK(BM_SaveDocumentFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// One run of each on the same document and text, so the ratios hold on a
// busy machine. The timed part is the save; the others are timed by hand.
void BM_SaveRatios(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = MillionObjects();
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    std::string text = reference_host::SaveDocumentText(*document->document());
    const double save = Seconds(start);
    state.PauseTiming();

    reference_host::SaveOptions compact_options;
    compact_options.compact = true;
    start = Clock::now();
    std::string compact = reference_host::SaveDocumentText(*document->document(), compact_options);
    const double compact_save = Seconds(start);
    const size_t compact_bytes = compact.size();
    compact = std::string();

    std::unique_ptr<char[]> copy(new char[text.size()]);
    start = Clock::now();
    std::memcpy(copy.get(), text.data(), text.size());
    benchmark::DoNotOptimize(copy.get());
    const double copy_time = Seconds(start);
    copy.reset();

    nlohmann::json tree = nlohmann::json::parse(text);
    start = Clock::now();
    std::string dumped = tree.dump(2);
    const double dump = Seconds(start);
    if (dumped.size() + 1 != text.size()) state.SkipWithError("the dump differs in size");
    dumped = std::string();
    tree = nullptr;

    state.counters["text_MB"] = text.size() / 1e6;
    state.counters["compact_MB"] = compact_bytes / 1e6;
    state.counters["save_MBps"] = MegabytesPerSecond(text.size(), save);
    state.counters["compact_MBps"] = MegabytesPerSecond(compact_bytes, compact_save);
    state.counters["dump_MBps"] = MegabytesPerSecond(text.size(), dump);
    state.counters["copy_MBps"] = MegabytesPerSecond(text.size(), copy_time);
    state.counters["save_vs_dump"] = save / dump;
    state.counters["save_vs_copy"] = save / copy_time;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SaveRatios)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
