// Resident memory of the model: what generating the 1M-object document adds
// to the process, per object, and what it holds once every bill item was
// asked for its line lists, as the library's walks ask (reading should not
// grow a document). Run it alone (--benchmark_filter=ModelMemory) so no
// earlier benchmark's freed memory is reused and hides the cost.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"
#include "reference_host/builder/document_generator.h"
#include "reference_host/model/estimate_document.h"

namespace {

// Resident bytes of the process, from /proc/self/statm.
double ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Asks every bill item for both of its line lists through the interfaces.
void ReadEveryLineList(const reference_host::EstimateDocument& document) {
  std::vector<engine::DocumentObject*> objects;
  document.GetAllObjects(objects);
  for (engine::DocumentObject* object : objects) {
    if (auto* item = dynamic_cast<engine::SubEngineering*>(object))
      benchmark::DoNotOptimize(item->GetResItemList());
    if (auto* product = dynamic_cast<engine::qrv::QRVSubEngineering*>(object))
      benchmark::DoNotOptimize(product->GetCBResItemList());
  }
}

void BM_ModelMemory(benchmark::State& state) {
  const reference_host::GeneratorOptions options =
      reference_host::OptionsForObjects(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    malloc_trim(0);
    const double before = ResidentBytes();
    state.ResumeTiming();
    std::unique_ptr<reference_host::AppDocumentImpl> document =
        reference_host::GenerateDocument(options);
    state.PauseTiming();
    // Memory freed while generating (scratch lists, the regrown index) is
    // not the model's: hand it back before reading.
    malloc_trim(0);
    const double objects = static_cast<double>(document->document()->object_count());
    state.counters["objects"] = objects;
    const double added = ResidentBytes() - before;
    state.counters["resident_MB"] = added / 1e6;
    state.counters["bytes_per_object"] = added / objects;
    ReadEveryLineList(*document->document());
    malloc_trim(0);
    state.counters["after_list_reads"] = (ResidentBytes() - before) / objects;
    document.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ModelMemory)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
