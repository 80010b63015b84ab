// Project merge of two documents of |objects| carried objects each, end to
// end and each kind of table apart (unit-price items, lump-sum items of which
// half match, fee rows of which half match, other-items and keyed rows), at
// 50,000 and 500,000 objects, so that the ratio shows how the cost follows
// the objects carried. Peak memory (VmHWM) is reported as a counter.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "funcs/project/qrv_func.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/project_impl.h"

namespace {

enum Content { kAll, kUnitPrice, kLumpSum, kFee, kRows };

double PeakMemoryMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
  }
  return 0;
}

// |objects| objects of the chosen kinds, ids prefixed by |p|; codes shared
// between the two sides where a kind matches half of its items.
std::unique_ptr<reference_host::EstimateDocument> MergeSide(const std::string& p, int objects,
                                                            Content content) {
  reference_host::DocumentBuilder builder(p);
  builder.DJCSRoot(p + "/djcs").ZJCSRoot(p + "/zj").FeeTable(p + "/fee");
  builder.QTXMTable(1, p + "/q1");
  builder.ZJCSDetailTable(p + "/zd");
  int kinds = content == kAll ? 4 : 1;
  int each = objects / kinds;
  auto wants = [&](Content kind) { return content == kAll || content == kind; };
  if (wants(kUnitPrice))
    for (int i = 0; i < each; ++i)
      builder.MeasureItem(p + "/d" + std::to_string(i), std::to_string(i), "Item", p + "/djcs");
  if (wants(kLumpSum)) {
    // Groups of ten leaves under one parent; odd parents have side-specific codes.
    for (int i = 0; i < each / 11; ++i) {
      std::string parent = p + "/z" + std::to_string(i);
      std::string code = i % 2 ? p + std::to_string(i) : std::to_string(i);
      builder.MeasureItem(parent, code, "Group", p + "/zj");
      for (int j = 0; j < 10; ++j)
        builder.MeasureItem(parent + "." + std::to_string(j), code + "." + std::to_string(j),
                            "Leaf", parent);
    }
  }
  if (wants(kFee)) {
    builder.Select(p + "/fee");
    for (int i = 0; i < each; ++i)
      builder.FeeRow(p + "/f" + std::to_string(i), "F" + std::to_string(i), "Direct",
                     i % 2 ? 0.1 : 0.2 + (p == "src" ? 0.5 : 0), 100.25);
  }
  if (wants(kRows)) {
    builder.Select(p + "/q1");
    for (int i = 0; i < each / 2; ++i)
      builder.Row(p + "/q" + std::to_string(i)).WithField("OSName", "Other");
    builder.Select(p + "/zd");
    for (int i = 0; i < each / 2; ++i)
      builder.Row(p + "/k" + std::to_string(i)).WithRowKey("K" + std::to_string(i));
  }
  return builder.BuildDocument();
}

void BM_ProjectMerge(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  const auto content = static_cast<Content>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    auto current = MergeSide("cur", objects, content);
    auto source = MergeSide("src", objects, content);
    marrow::qrv::ProjMergeNode root{"cur/root", "src/root", "Merged", 1, true, {}};
    state.ResumeTiming();
    bool merged =
        marrow::qrv::QRVProjectFunc(current->project()).ProjectMerge(source->project(), &root);
    benchmark::DoNotOptimize(merged);
    state.PauseTiming();
    current.reset();
    source.reset();
    state.ResumeTiming();
  }
  state.counters["objects"] = objects;
  state.counters["peak_MB"] = PeakMemoryMb();
}

void MergeArgs(benchmark::internal::Benchmark* bench) {
  for (int content : {kAll, kUnitPrice, kLumpSum, kFee, kRows})
    for (int objects : {50000, 500000}) bench->Args({objects, content});
}

BENCHMARK(BM_ProjectMerge)->Apply(MergeArgs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
