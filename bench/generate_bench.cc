// Generation of synthetic documents: the set-up cost of every large
// benchmark, and a check that it stays linear.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_util.h"

namespace {

void BM_GenerateDocument(benchmark::State& state) {
  const reference_host::GeneratorOptions options =
      reference_host::OptionsForObjects(state.range(0));
  std::int64_t objects = 0;
  for (auto _ : state) {
    std::unique_ptr<reference_host::AppDocumentImpl> document =
        reference_host::GenerateDocument(options);
    state.PauseTiming();
    objects = static_cast<std::int64_t>(document->document()->object_count());
    document.reset();  // teardown is not what is measured
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * objects);
  state.counters["objects"] = static_cast<double>(objects);
}
BENCHMARK(BM_GenerateDocument)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
