// Contract-level entries: merging 1,000 entries that hold 100,000 cost lines
// into one and undoing it, and splitting 50,000 lines off one entry. Each is
// run at ten times the lines too (1M lines merged, 500,000 split off), both
// sizes far beyond the caches, so that the ratio shows how the cost follows
// the number of lines rather than where the caches end.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actions/qrv_base_res_item_merge_contract_action.h"
#include "actions/qrv_base_res_item_split_contract_action.h"
#include "reference_host/app/undo_stack.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_item_impl.h"

namespace {

// One form: entry "target" with one line, then |sources| entries of
// |lines_per_source| lines each; lines stand 1,000 to a bill.
struct ContractDocument {
  std::unique_ptr<reference_host::AppDocumentImpl> document;
  reference_host::BaseResItemImpl* target = nullptr;
  std::vector<engine::qrv::QRVBaseResItem*> sources;
  std::vector<engine::qrv::QRVResItem*> source_lines;
};

ContractDocument BuildContractDocument(int sources, int lines_per_source) {
  reference_host::DocumentBuilder builder("p");
  builder.ContractGroup("g", "MaterialForm").ContractEntry("target", "M0", "Steel");
  for (int s = 0; s < sources; ++s)
    builder.ContractEntry("e" + std::to_string(s), "M" + std::to_string(s), "Steel");
  builder.SubProject("sp", "Building").Bill("b0", 1).CostLine("t0", "target", 1);
  int line = 0;
  for (int s = 0; s < sources; ++s) {
    for (int i = 0; i < lines_per_source; ++i, ++line) {
      if (line % 1000 == 0) builder.Bill("b" + std::to_string(line / 1000 + 1), 1);
      builder.CostLine("l" + std::to_string(line), "e" + std::to_string(s), 1);
    }
  }
  ContractDocument out;
  out.document = builder.Build();
  out.target = out.document->Find<reference_host::BaseResItemImpl>("target");
  for (int s = 0; s < sources; ++s)
    out.sources.push_back(
        out.document->Find<reference_host::BaseResItemImpl>("e" + std::to_string(s)));
  for (int i = 0; i < line; ++i)
    out.source_lines.push_back(
        out.document->Find<reference_host::ResItemImpl>("l" + std::to_string(i)));
  return out;
}

// The document of (sources, lines per source) last asked for; an earlier
// one is dropped first, as a million lines take about a gigabyte.
ContractDocument& Shared(int sources, int lines_per_source) {
  static std::pair<int, int> key{-1, -1};
  static ContractDocument document;
  if (key != std::make_pair(sources, lines_per_source)) {
    document = ContractDocument();
    document = BuildContractDocument(sources, lines_per_source);
    key = {sources, lines_per_source};
  }
  return document;
}

// 1,000 entries of range(0) lines each merged into one: building the action
// (it records every line) and its redo are timed, the undo is not.
void BM_MergeContract(benchmark::State& state) {
  ContractDocument& doc = Shared(1000, static_cast<int>(state.range(0)));
  const int64_t lines = static_cast<int64_t>(doc.source_lines.size());
  reference_host::UndoStack stack(doc.document.get());
  for (auto _ : state) {
    stack.Push(new marrow::qrv::QRVBaseResItemMergeContractAction(doc.target, doc.sources));
    state.PauseTiming();
    if (doc.target->GetResItemCount() != 1 + lines)
      state.SkipWithError("the merge did not take every line");
    stack.Undo();
    stack.Clear();
    state.ResumeTiming();
  }
  state.SetComplexityN(lines);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_MergeContract)
    ->ArgName("lines_per_entry")
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The undo of that merge: every source back in its place in the form, every
// line back on its source.
void BM_UndoMergeContract(benchmark::State& state) {
  ContractDocument& doc = Shared(1000, static_cast<int>(state.range(0)));
  const int64_t lines = static_cast<int64_t>(doc.source_lines.size());
  reference_host::UndoStack stack(doc.document.get());
  for (auto _ : state) {
    state.PauseTiming();
    stack.Push(new marrow::qrv::QRVBaseResItemMergeContractAction(doc.target, doc.sources));
    state.ResumeTiming();
    stack.Undo();
    state.PauseTiming();
    if (doc.target->GetResItemCount() != 1) state.SkipWithError("the undo left lines behind");
    stack.Clear();
    state.ResumeTiming();
  }
  state.SetComplexityN(lines);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_UndoMergeContract)
    ->ArgName("lines_per_entry")
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Splitting range(0) lines off an entry of 500,001: the redo is timed, the
// undo (a merge back) is not.
void BM_SplitContract(benchmark::State& state) {
  constexpr int kDonorLines = 500001;
  const int lines = static_cast<int>(state.range(0));
  ContractDocument& doc = Shared(1, kDonorLines);
  auto* donor = doc.sources.front();
  std::vector<engine::qrv::QRVResItem*> split(doc.source_lines.begin(),
                                              doc.source_lines.begin() + lines);
  reference_host::UndoStack stack(doc.document.get());
  for (auto _ : state) {
    stack.Push(new marrow::qrv::QRVBaseResItemSplitContractAction(donor, split));
    state.PauseTiming();
    if (donor->GetResItemCount() != kDonorLines - lines)
      state.SkipWithError("the split was refused");
    stack.Undo();
    stack.Clear();
    state.ResumeTiming();
  }
  state.SetComplexityN(lines);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_SplitContract)
    ->ArgName("lines")
    ->Arg(50000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
