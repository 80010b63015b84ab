// Loading a generated document's saved text, set beside what parsing alone
// costs, all in one run on the same text so that the ratios hold on a noisy
// machine: the load (LoadDocumentText, a stream walk that builds the model),
// the tree load it replaced (a JSON tree of the whole text, then the model),
// a bare nlohmann::json::parse, and a bare simdjson On Demand walk touching
// every key and value; times are CPU seconds. Memory: resident bytes before the load, the peak
// during it (VmHWM, reset through /proc/self/clear_refs) and after it with
// the document alive; "model" is what stays, "peak_extra" what the load
// needed above the text at its height.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <simdjson.h>

#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/bench_util.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/document_stream_reader.h"

namespace {

double StatusMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == field) {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
  }
  return 0;
}

// Starts a new peak at the current resident size.
void ResetPeak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

// CPU seconds of |run|, on a heap trimmed first: each step pays for the
// pages it touches, none inherits those an earlier one freed. CPU rather than
// wall time, since the machine is shared.
template <class Run>
double Seconds(Run run) {
  malloc_trim(0);
  timespec start, end;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  run();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  return static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9;
}

namespace od = simdjson::ondemand;

// Every key and value, as a reader of the format must touch them.
size_t Walk(od::value value) {
  size_t count = 1;
  switch (value.type()) {
    case od::json_type::object:
      for (auto field : value.get_object()) {
        std::string_view key = field.unescaped_key();
        count += key.size() > 0;
        count += Walk(field.value());
      }
      break;
    case od::json_type::array:
      for (auto element : value.get_array()) count += Walk(element.value());
      break;
    case od::json_type::number:
      count += static_cast<double>(value.get_double()) > 0;
      break;
    case od::json_type::string:
      count += std::string_view(value.get_string()).size() > 0;
      break;
    case od::json_type::boolean:
      count += static_cast<bool>(value.get_bool());
      break;
    case od::json_type::null:
      count += static_cast<bool>(value.is_null());
      break;
  }
  return count;
}

void BM_LoadBesideParsing(benchmark::State& state) {
  const reference_host::AppDocumentImpl* original = bench::ObjectsDocument(state.range(0));
  const std::string saved = reference_host::SaveDocumentText(*original->document());
  // Spare room as a file read leaves it, so the walk needs no padded copy.
  std::string text;
  text.reserve(saved.size() + reference_host::persist::kTextPadding);
  text = saved;
  const size_t objects = original->document()->object_count();
  double load = 0, tree = 0, nlohmann = 0, walk = 0;
  double before = 0, peak = 0, after = 0, tree_peak = 0;
  for (auto _ : state) {
    {
      ResetPeak();
      before = StatusMb("VmRSS:");
      reference_host::LoadResult loaded;
      load = Seconds([&] { loaded = reference_host::LoadDocumentText(text); });
      peak = StatusMb("VmHWM:");
      after = StatusMb("VmRSS:");
      if (!loaded || loaded.document->document()->object_count() != objects) {
        state.SkipWithError(("load failed: " + loaded.error).c_str());
        return;
      }
    }
    {
      simdjson::padded_string_view view(text.data(), text.size(), text.capacity());
      walk = Seconds([&] {
        od::parser parser;
        od::document document = parser.iterate(view);
        benchmark::DoNotOptimize(Walk(document.get_value()));
      });
    }
    nlohmann = Seconds([&] {
      nlohmann::json json = nlohmann::json::parse(text);
      benchmark::DoNotOptimize(json.size());
    });
    {
      ResetPeak();
      const double tree_before = StatusMb("VmRSS:");
      reference_host::LoadResult loaded;
      tree = Seconds([&] { loaded = reference_host::persist::LoadDocumentTextByTree(text); });
      tree_peak = StatusMb("VmHWM:") - tree_before;
    }
    state.SetIterationTime(load);
  }
  const double model = after - before;
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["text_MB"] = static_cast<double>(text.size()) / (1 << 20);
  state.counters["load_s"] = load;
  state.counters["tree_load_s"] = tree;
  state.counters["nlohmann_s"] = nlohmann;
  state.counters["simdjson_s"] = walk;
  state.counters["load/nlohmann"] = load / nlohmann;
  state.counters["load/simdjson"] = load / walk;
  state.counters["tree/load"] = tree / load;
  state.counters["model_MB"] = model;
  state.counters["peak_extra_MB"] = peak - before;
  state.counters["peak_extra/model"] = (peak - before) / model;
  state.counters["tree_peak_extra_MB"] = tree_peak;
}
BENCHMARK(BM_LoadBesideParsing)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
