// Project merge of two generated documents, end to end and stage by stage,
// at 50,000 and 500,000 objects per side, so that the ratio shows how the
// cost follows the objects carried (ten times the objects should take at
// most twelve times as long).
//
// Stages, each a merge of documents holding only what that stage works on:
//   end_to_end       OptionsForMerge documents (half of the objects in the
//                    merge tables), the roots merged, both trees kept;
//   rebuild_repoint  the same documents without the cost merge: validation,
//                    the tree rebuild and the re-pointing of every object;
//   unit_price       unit-price items with their lines, and the shared,
//                    grouped, movable, product and record sets they carry;
//   lump_sum         lump-sum subtitles and items, half of them matching;
//   keyed_jjfy       the detail and JJFY tables and the JJFY items;
//   other_fee        the five other-items tables and the fee summary, half
//                    of the fee rows matching;
//   id_index         a stored id index of |objects| entries read and written.
// Documents are made and freed outside the timing. peak_MB is the process's
// peak resident memory so far (VmHWM): run one size alone to read it for that
// size (docs/performance.md).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "funcs/project/qrv_func.h"
#include "reference_host/builder/document_generator.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace {

using marrow::qrv::ProjMergeNode;
using reference_host::GeneratorOptions;
using reference_host::SubProjectImpl;

enum Stage { kEndToEnd, kRebuildRepoint, kUnitPrice, kLumpSum, kKeyedJJFY, kOtherFee, kIdIndex };
const char* const kStageNames[] = {"end_to_end", "rebuild_repoint", "unit_price", "lump_sum",
                                   "keyed_jjfy", "other_fee",       "id_index"};

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

// A document of |objects| objects for |stage|: the merge documents, or a
// small project whose root holds one kind of merge table sized to them.
GeneratorOptions Options(Stage stage, std::int64_t objects, const std::string& prefix,
                         std::uint64_t seed) {
  if (stage == kEndToEnd || stage == kRebuildRepoint)
    return reference_host::OptionsForMerge(objects, prefix, seed);
  GeneratorOptions options;
  options.seed = seed;
  options.id_prefix = prefix;
  options.sub_projects = 1;
  options.bills_per_sub_project = 1;
  options.merge_tables = true;
  const int n = static_cast<int>(objects);
  switch (stage) {
    case kUnitPrice:
      options.measure_lines = 4;
      options.shared_entries = 400;
      options.unit_price_items = n / 2 / 5;
      options.local_form_entries = n / 4;
      options.set_members = n / 4 / 3;
      break;
    case kLumpSum:
      options.lump_sum_items = static_cast<int>(n / 1.1);
      break;
    case kKeyedJJFY:
      options.keyed_rows = n / 4;
      options.jjfy_items = n / 2;
      break;
    case kOtherFee:
      options.other_item_rows = n / 10;
      options.fee_rows = n / 2;
      break;
    default:
      break;
  }
  return options;
}

// Nodes for every sub-project below |sub_project|, kept from |type|'s side.
void AddChildNodes(const SubProjectImpl* sub_project, int type, std::deque<ProjMergeNode>& nodes,
                   ProjMergeNode* parent) {
  for (int i = 0; i < sub_project->GetChildCount(); ++i) {
    const SubProjectImpl* child = sub_project->GetChild(i);
    nodes.push_back(ProjMergeNode{type == 1 ? child->GetId() : "",
                                  type == 2 ? child->GetId() : "",
                                  child->GetName(),
                                  type,
                                  false,
                                  {}});
    parent->children.push_back(&nodes.back());
    AddChildNodes(child, type, nodes, &nodes.back());
  }
}

// The id index stored on the current root: |entries| sub-projects merged
// before, written as the library writes it (names in byte order).
void StoreIdIndex(SubProjectImpl* root, std::int64_t entries) {
  std::string text = "{";
  char name[32];
  for (std::int64_t i = 0; i < entries; ++i) {
    if (i > 0) text += ',';
    std::snprintf(name, sizeof name, "old%09lld", static_cast<long long>(i));
    text += "\"" + std::string(name) + "\":\"_" + std::to_string(i + 1) + "\"";
  }
  text += '}';
  root->fields()->SetText("QRV_ProjectMergeInfo", text);
}

void BM_ProjectMerge(benchmark::State& state) {
  const std::int64_t objects = state.range(0);
  const auto stage = static_cast<Stage>(state.range(1));
  std::int64_t carried = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto current = reference_host::GenerateEstimateDocument(Options(stage, objects, "cur:", 1));
    auto source = reference_host::GenerateEstimateDocument(Options(stage, objects, "src:", 2));
    SubProjectImpl* current_root = current->project()->GetRootSubProject();
    SubProjectImpl* source_root = source->project()->GetRootSubProject();
    if (stage == kIdIndex) StoreIdIndex(current_root, objects);
    std::deque<ProjMergeNode> nodes;
    nodes.push_back(ProjMergeNode{
        current_root->GetId(), source_root->GetId(), "Merged", 1, stage != kRebuildRepoint, {}});
    AddChildNodes(current_root, 1, nodes, &nodes.front());
    AddChildNodes(source_root, 2, nodes, &nodes.front());
    const std::size_t source_objects = source->object_count();
    state.ResumeTiming();

    bool merged =
        marrow::qrv::QRVProjectFunc(current->project()).ProjectMerge(source->project(), &nodes[0]);
    benchmark::DoNotOptimize(merged);

    state.PauseTiming();
    if (!merged) state.SkipWithError("the merge was refused");
    carried = static_cast<std::int64_t>(source_objects - source->object_count());
    current.reset();
    source.reset();
    state.ResumeTiming();
  }
  state.SetLabel(kStageNames[stage]);
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["carried"] = static_cast<double>(carried);
  state.counters["peak_MB"] = PeakMemoryMb();
}

// The sizes per side: 50,000 and 500,000, or those listed in
// MARROW_MERGE_OBJECTS (e.g. "100000,1000000"; entries that are not
// positive numbers are skipped), to tell a ratio that comes from the caches
// or from the document index doubling apart from one that grows with n.
std::vector<long> MergeSizes() {
  std::vector<long> sizes;
  if (const char* text = std::getenv("MARROW_MERGE_OBJECTS")) {
    std::stringstream list(text);
    std::string entry;
    while (std::getline(list, entry, ',')) {
      char* end = nullptr;
      const long objects = std::strtol(entry.c_str(), &end, 10);
      if (end != entry.c_str() && *end == '\0' && objects > 0) sizes.push_back(objects);
    }
  }
  if (sizes.empty()) sizes = {50000, 500000};
  return sizes;
}

void MergeArgs(benchmark::internal::Benchmark* bench) {
  const std::vector<long> sizes = MergeSizes();
  for (int stage = kEndToEnd; stage <= kIdIndex; ++stage)
    for (long objects : sizes) bench->Args({objects, stage});
}

BENCHMARK(BM_ProjectMerge)->Apply(MergeArgs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
