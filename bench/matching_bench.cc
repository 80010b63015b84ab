// Resource matching and resource detail against the size of the input:
// Collect over 10k and 100k budget lines with 1k and 11k contract entries,
// Apply of 1k and 10k newly wanted pairs on one document, detail over 20k
// and 200k lines of one bill tree, and the memory one summary entry takes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "funcs/detail/qrv_res_item_detail_func.h"
#include "funcs/rcj_matching/qrv_building_rcj.h"
#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/res_item_group.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace {

using reference_host::AppDocumentImpl;

// A generated estimate shaped for matching: budget lines typed as the
// product types them ("R", "C", "J" from the code), a catalogue of one code
// per five lines, and contract entries standing for the same master
// resource in every unit project: the project's forms hold the masters,
// each unit project a form of entries whose identity is a master. About
// |contract_entries| entries in all.
struct MatchingDocument {
  std::unique_ptr<AppDocumentImpl> document;
  std::vector<std::string> group_ids;
};

std::vector<reference_host::SubProjectImpl*> UnitProjects(reference_host::SubProjectImpl* node) {
  std::vector<reference_host::SubProjectImpl*> units;
  if (node->GetKind() == engine::kSubProjectUnit) units.push_back(node);
  for (int i = 0; i < node->GetChildCount(); ++i)
    for (auto* unit : UnitProjects(node->GetChild(i))) units.push_back(unit);
  return units;
}

// |units| unit projects share the lines (0: the generator's choice).
MatchingDocument MakeMatchingDocument(std::int64_t budget_lines, int contract_entries,
                                      int units = 0) {
  reference_host::GeneratorOptions options = reference_host::OptionsForBudgetLines(budget_lines);
  options.resource_codes = static_cast<int>(std::max<std::int64_t>(400, budget_lines / 5));
  if (units > 0) {
    options.bills_per_sub_project =
        (options.bills_per_sub_project * options.sub_projects + units - 1) / units;
    options.sub_projects = units;
  }
  units = options.sub_projects;
  options.contract_entries = std::max(5, contract_entries / (units + 1));
  MatchingDocument made{reference_host::GenerateDocument(options), {}};
  AppDocumentImpl& document = *made.document;
  for (reference_host::ResItemImpl* line : bench::BudgetLines(document))
    line->fields()->SetText(reference_host::keys::kResType,
                            line->fields()->GetText(reference_host::keys::kCode).substr(0, 1));
  reference_host::ProjectImpl* project = document.project();
  std::vector<reference_host::BaseResItemImpl*> masters;
  for (int g = 0; g < project->GetBaseResItemGroupCount(); ++g) {
    reference_host::BaseResItemGroupImpl* form = project->GetBaseResItemGroup(g);
    made.group_ids.push_back(form->GetId());
    for (int i = 0; i < form->GetCount(); ++i) masters.push_back(form->entry(i));
  }
  for (reference_host::SubProjectImpl* unit : UnitProjects(project->GetRootSubProject())) {
    scoped_refptr<reference_host::BaseResItemGroupImpl> form(
        new reference_host::BaseResItemGroupImpl("lg-" + unit->GetId(), "MaterialForm"));
    for (reference_host::BaseResItemImpl* master : masters) {
      scoped_refptr<reference_host::BaseResItemImpl> entry(
          new reference_host::BaseResItemImpl(unit->GetId() + ":" + master->GetId()));
      entry->fields()->Assign(master->fields()->GetAllFields());
      entry->fields()->SetText(reference_host::keys::kIdentityItem, master->GetId());
      form->Add(entry);
    }
    unit->GetGroupedItemSet()->Add(form);
    made.group_ids.push_back(form->GetId());
  }
  return made;
}

marrow::qrv::RCJMatchingContext ContextFor(const MatchingDocument& made, bool with_groups) {
  marrow::qrv::RCJMatchingContext context;
  context.sub_project = made.document->project()->GetRootSubProject();
  if (with_groups) context.group_ids = made.group_ids;
  return context;
}

int EntriesGathered(const marrow::qrv::RCJMatchingContext& context) {
  int count = 0;
  for (const auto& [merged, sources] : context.merged_sources) count += sources.size();
  return count;
}

// Heap bytes a full Collect over the budget side alone keeps, per summary.
double BytesPerSummary(const MatchingDocument& made, double* lines_per_summary) {
  const size_t before = mallinfo2().uordblks;
  marrow::qrv::RCJMatchingContext context = ContextFor(made, false);
  marrow::qrv::QRVCollectMatchData().Collect(context);
  const size_t after = mallinfo2().uordblks;
  double lines = 0;
  for (const auto& summary : context.summaries) lines += summary->GetDetailCount();
  *lines_per_summary = lines / context.summaries.size();
  return static_cast<double>(after - before) / context.summaries.size();
}

// One document of 100k budget lines in ten unit projects of 10k, with 1k
// master entries in the project's forms and 1k entries in each unit
// project's form standing for them. Arg 0 collects over one unit project
// (10k lines, 1k entries), arg 1 over the whole project (100k lines, 11k
// entries), so the two differ in input, not in the document around them.
const MatchingDocument& CollectDocument() {
  static MatchingDocument* made = new MatchingDocument(MakeMatchingDocument(100000, 11000, 10));
  return *made;
}

marrow::qrv::RCJMatchingContext ScopedContext(const MatchingDocument& made, bool whole) {
  marrow::qrv::RCJMatchingContext context = ContextFor(made, true);
  if (!whole)
    context.sub_project = UnitProjects(made.document->project()->GetRootSubProject()).front();
  return context;
}

void BM_CollectMatchData(benchmark::State& state) {
  const MatchingDocument& made = CollectDocument();
  const bool whole = state.range(0) == 1;
  marrow::qrv::RCJMatchingContext last;
  for (auto _ : state) {
    marrow::qrv::RCJMatchingContext context = ScopedContext(made, whole);
    marrow::qrv::QRVCollectMatchData().Collect(context);
    benchmark::DoNotOptimize(context.summaries.data());
    state.PauseTiming();
    last = std::move(context);
    state.ResumeTiming();
  }
  double lines = 0;
  for (const auto& summary : last.summaries) lines += summary->GetDetailCount();
  state.counters["lines"] = lines;
  state.counters["summaries"] = static_cast<double>(last.summaries.size());
  state.counters["entries"] = EntriesGathered(last);
  state.counters["merged"] = static_cast<double>(last.merged_items.size());
  state.counters["linked"] = static_cast<double>(last.current_links.size());
  if (whole) {
    double lines_per_summary = 0;
    state.counters["bytes/summary"] = BytesPerSummary(made, &lines_per_summary);
    state.counters["lines/summary"] = lines_per_summary;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines));
}
BENCHMARK(BM_CollectMatchData)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// Args: newly wanted pairs, on a document of 100k budget lines and 10k
// contract entries (which has some 19k summaries). Each iteration starts
// from a fresh document; only Apply is timed.
void BM_ApplyPairs(benchmark::State& state) {
  const std::int64_t pairs = state.range(0);
  std::int64_t built = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MatchingDocument made = MakeMatchingDocument(100000, 10000);
    marrow::qrv::RCJMatchingContext context = ContextFor(made, true);
    marrow::qrv::QRVCollectMatchData().Collect(context);
    context.wanted_links = context.current_links;
    std::set<engine::ResItem*> taken;
    for (const auto& [merged, summaries] : context.current_links)
      for (const auto& summary : summaries) taken.insert(summary.get());
    std::int64_t wanted = 0;
    for (const auto& summary : context.summaries) {
      if (wanted == pairs) break;
      if (taken.count(summary.get())) continue;
      context.wanted_links[context.merged_items[wanted % context.merged_items.size()]].insert(
          summary);
      ++wanted;
    }
    if (wanted < pairs) state.SkipWithError("too few unpaired summaries");
    const std::size_t objects_before = made.document->document()->object_count();
    state.ResumeTiming();
    marrow::qrv::QRVBuildRCJ().Apply(context);
    state.PauseTiming();
    built = made.document->document()->object_count() - objects_before;
    context = marrow::qrv::RCJMatchingContext();
    made.document.reset();
    state.ResumeTiming();
  }
  state.counters["new objects"] = static_cast<double>(built);
  state.SetItemsProcessed(state.iterations() * pairs);
}
BENCHMARK(BM_ApplyPairs)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// All bills of one unit project under one bill tree root (node kind 0).
std::vector<engine::SubEngineering*> RootAllBills(AppDocumentImpl& document) {
  reference_host::SubProjectImpl* unit =
      UnitProjects(document.project()->GetRootSubProject()).front();
  std::vector<scoped_refptr<reference_host::SubEngineeringImpl>> bills;
  while (unit->GetSubEngineeringCount() > 0)
    bills.push_back(
        unit->RemoveSubEngineering(unit->GetSubEngineering(unit->GetSubEngineeringCount() - 1)));
  scoped_refptr<reference_host::SubEngineeringImpl> root(
      new reference_host::SubEngineeringImpl("tree", 0));
  unit->AddSubEngineering(root);
  std::vector<engine::SubEngineering*> selection;
  for (auto it = bills.rbegin(); it != bills.rend(); ++it) {
    root->AddChild(*it);
    selection.push_back(it->get());
  }
  return selection;
}

// Args: budget lines selected, from one unit project's bill tree of 200k
// lines (every tenth bill for 20k).
void BM_ResItemDetail(benchmark::State& state) {
  static AppDocumentImpl* document = nullptr;
  static std::vector<engine::SubEngineering*>* bills = nullptr;
  if (!document) {
    reference_host::GeneratorOptions options = reference_host::OptionsForBudgetLines(200000);
    options.bills_per_sub_project *= options.sub_projects;
    options.sub_projects = 1;
    document = reference_host::GenerateDocument(options).release();
    bills = new std::vector<engine::SubEngineering*>(RootAllBills(*document));
  }
  const std::size_t step = static_cast<std::size_t>(200000 / state.range(0));
  std::vector<engine::SubEngineering*> selection;
  for (std::size_t i = 0; i < bills->size(); i += step) selection.push_back((*bills)[i]);
  int entries = 0;
  for (auto _ : state) {
    marrow::qrv::QRVDesResItemFingerprint fingerprint;
    scoped_refptr<engine::ResItemGroup> group =
        marrow::qrv::QRVDesSubEngineeringResItemDetailFunc(selection).GetResItemDetail(
            &fingerprint);
    entries = group->GetEntryCount();
    benchmark::DoNotOptimize(group.get());
  }
  if (entries == 0) state.SkipWithError("the detail came out empty");
  state.counters["entries"] = entries;
  state.counters["bills"] = static_cast<double>(selection.size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ResItemDetail)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
