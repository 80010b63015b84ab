// Cost accounts: assignment of one account to 100,000 table rows (a flat
// table and a forest of trees six levels deep) or contract-level entries,
// with its undo; and the re-pointing of every account and bill stage
// reference of a document to another project's trees. Both are measured at
// several sizes: the time per object should stay flat.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "actions/qrv_set_cost_account_action.h"
#include "bench/bench_util.h"
#include "funcs/cost_account/bill_stage_group_func.h"
#include "funcs/cost_account/qrv_service.h"
#include "host/engine/base_res_item.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "reference_host/app/undo_stack.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/table_impl.h"

namespace {

using Clock = std::chrono::steady_clock;

reference_host::GeneratorOptions RowsOnly(int rows, int depth) {
  reference_host::GeneratorOptions options;
  options.sub_projects = 0;
  options.accounts = 300;
  options.contract_entries = 0;
  options.rows = rows;
  options.row_depth = depth;
  return options;
}

reference_host::GeneratorOptions EntriesOnly(int entries) {
  reference_host::GeneratorOptions options;
  options.sub_projects = 0;
  options.accounts = 300;
  options.contract_entries = entries;
  return options;
}

// The last account of the tree; it is picked by its path, as a user would.
reference_host::CostAccountImpl* SomeAccount(reference_host::AppDocumentImpl* document) {
  std::vector<reference_host::CostAccountImpl*> accounts =
      document->project()->cost_accounts()->AllAccounts();
  return accounts.empty() ? nullptr : accounts.back();
}

std::string CostAccountOf(engine::DocumentObject* object) {
  engine::FieldValue value;
  object->GetFieldContainer()->GetFieldValue(reference_host::keys::kCostAccount, value);
  return value.GetString();
}

// The account field of each selected object, to put the document back after
// each run: the undo restores only the rows that carried the field before
// (a row that had none keeps the new account), and every run should start
// from the same document.
class FieldSnapshot {
 public:
  explicit FieldSnapshot(const std::vector<engine::DocumentObject*>& objects) {
    for (engine::DocumentObject* object : objects) {
      engine::FieldValue value;
      const bool present =
          object->GetFieldContainer()->GetFieldValue(reference_host::keys::kCostAccount, value);
      saved_.push_back({object->GetFieldContainer(), present, value});
    }
  }
  void Restore() const {
    for (const Saved& saved : saved_) {
      if (saved.present)
        saved.fields->SetFieldValue(reference_host::keys::kCostAccount, saved.value, false);
      else
        saved.fields->RemoveField(reference_host::keys::kCostAccount, false);
    }
  }

 private:
  struct Saved {
    engine::FieldContainer* fields;
    bool present;
    engine::FieldValue value;
  };
  std::vector<Saved> saved_;
};

// Pushes the assignment (its redo runs) and undoes it, timing both halves.
void AssignAndUndo(benchmark::State& state, reference_host::AppDocumentImpl* document,
                   const std::vector<engine::DocumentObject*>& selection) {
  reference_host::CostAccountImpl* account = SomeAccount(document);
  if (!account || selection.empty()) {
    state.SkipWithError("nothing to assign");
    return;
  }
  const std::string path = account->GetPath();
  // The last object selected keeps the account whatever the shape: nothing
  // assigned after it can clear it.
  engine::DocumentObject* last = selection.back();
  const FieldSnapshot snapshot(selection);
  double assign_seconds = 0, undo_seconds = 0;
  for (auto _ : state) {
    reference_host::UndoStack stack(document);
    const Clock::time_point start = Clock::now();
    stack.Push(new marrow::qrv::QRVSetCostAccountSetviceAction(selection, path), "assign");
    const Clock::time_point assigned = Clock::now();
    const bool written = CostAccountOf(last) == account->GetId();
    const Clock::time_point checked = Clock::now();
    stack.Undo();
    const Clock::time_point undone = Clock::now();
    state.PauseTiming();
    if (!written) state.SkipWithError("the account was not assigned");
    snapshot.Restore();
    stack.Clear();
    state.ResumeTiming();
    assign_seconds += std::chrono::duration<double>(assigned - start).count();
    undo_seconds += std::chrono::duration<double>(undone - checked).count();
  }
  state.SetItemsProcessed(state.iterations() * selection.size());
  state.counters["selected"] = static_cast<double>(selection.size());
  state.counters["assign_ms"] =
      benchmark::Counter(assign_seconds * 1000, benchmark::Counter::kAvgIterations);
  state.counters["undo_ms"] =
      benchmark::Counter(undo_seconds * 1000, benchmark::Counter::kAvgIterations);
}

void BM_AssignToRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int depth = static_cast<int>(state.range(1));
  reference_host::AppDocumentImpl* document = bench::SharedDocument(
      "rows-" + std::to_string(rows) + "-" + std::to_string(depth), RowsOnly(rows, depth));
  std::vector<engine::DocumentObject*> selection;
  for (reference_host::TupleImpl* row : bench::Rows(*document)) selection.push_back(row);
  AssignAndUndo(state, document, selection);
  state.counters["depth"] = depth;
}
BENCHMARK(BM_AssignToRows)
    ->ArgNames({"rows", "depth"})
    ->Args({25000, 1})
    ->Args({100000, 1})
    ->Args({400000, 1})
    ->Args({25000, 6})
    ->Args({100000, 6})
    ->Args({400000, 6})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_AssignToContractEntries(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  reference_host::AppDocumentImpl* document =
      bench::SharedDocument("entries-" + std::to_string(entries), EntriesOnly(entries));
  std::vector<engine::DocumentObject*> selection;
  std::vector<engine::DocumentObject*> objects;
  document->document()->GetAllObjects(objects);
  for (engine::DocumentObject* object : objects) {
    auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object);
    if (entry && entry->group()) selection.push_back(entry);
  }
  AssignAndUndo(state, document, selection);
}
BENCHMARK(BM_AssignToContractEntries)
    ->ArgName("entries")
    ->Arg(25000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One re-pointing walk: every object of the document, as the project merge
// ends.
void RepointAll(reference_host::AppDocumentImpl* document,
                engine::qrv::QRVCostAccountGroup* local_accounts,
                engine::qrv::QRVCostAccountGroup* other_accounts,
                engine::qrv::QRVBillStageGroup* local_stages,
                engine::qrv::QRVBillStageGroup* other_stages,
                std::vector<engine::DocumentObject*>& objects) {
  objects.clear();
  document->document()->GetAllObjects(objects);
  marrow::qrv::CostAccountGroupFunc accounts(local_accounts);
  marrow::qrv::BillStageGroupFunc stages(local_stages);
  for (engine::DocumentObject* object : objects) {
    if (dynamic_cast<engine::SubEngineering*>(object)) {
      engine::FieldContainer* fields = object->GetFieldContainer();
      accounts.UpdateLocalCostAccount(fields, other_accounts);
      stages.UpdateLocalBillStage(fields, other_stages);
    } else if (dynamic_cast<engine::BaseResItem*>(object)) {
      accounts.UpdateLocalCostAccount(object->GetFieldContainer(), other_accounts);
    } else if (auto* sub_project = dynamic_cast<engine::SubProject*>(object)) {
      accounts.UpdateLocalCostAccount(sub_project, other_accounts);
    }
  }
}

void BM_RepointDocument(benchmark::State& state) {
  reference_host::AppDocumentImpl* document = bench::ObjectsDocument(state.range(0));
  reference_host::ProjectImpl* project = document->project();
  // The merged source project's trees: same codes and names, other ids.
  scoped_refptr<reference_host::CostAccountGroupImpl> source_accounts =
      reference_host::CopyCostAccountTree(*project->cost_accounts(), "src:");
  scoped_refptr<reference_host::BillStageGroupImpl> source_stages =
      reference_host::CopyBillStages(*project->bill_stages(), "src:");
  reference_host::SubEngineeringImpl* sample = bench::Bills(*document).front();
  std::vector<engine::DocumentObject*> objects;
  for (auto _ : state) {
    // There and back, so the document ends as it began.
    RepointAll(document, source_accounts.get(), project->cost_accounts(), source_stages.get(),
               project->bill_stages(), objects);
    if (sample->fields()->GetText(reference_host::keys::kCostAccount).rfind("src:", 0) != 0 ||
        sample->fields()->GetText(reference_host::keys::kBillStage).rfind("src:", 0) != 0)
      state.SkipWithError("the references were not re-pointed");
    RepointAll(document, project->cost_accounts(), source_accounts.get(), project->bill_stages(),
               source_stages.get(), objects);
  }
  if (sample->fields()->GetText(reference_host::keys::kCostAccount).rfind("src:", 0) == 0)
    state.SkipWithError("the references were not re-pointed back");
  // Each iteration walks the document twice.
  state.SetItemsProcessed(state.iterations() * 2 * objects.size());
  bench::SetObjectsCounter(state, *document);
}
BENCHMARK(BM_RepointDocument)
    ->ArgName("objects")
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
