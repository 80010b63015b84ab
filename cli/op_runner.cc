#include "cli/op_runner.h"

#include <cmath>
#include <map>

#include "actions/qrv_res_item_collect_action.h"
#include "actions/qrv_res_item_collect_modify_quantity_action.h"
#include "actions/qrv_res_item_uncollect_action.h"
#include "actions/qrv_set_cost_account_action.h"
#include "beans/qrv_resitem.h"
#include "cli/document_printer.h"
#include "cli/log_tap.h"
#include "cli/object_digest.h"
#include "cli/support.h"
#include "funcs/cost_account/bill_stage_group_func.h"
#include "funcs/cost_account/qrv_service.h"
#include "funcs/qrv_link_cb_res_item.h"
#include "host/engine/base_res_item.h"
#include "host/engine/dbtables.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"

namespace cli {
namespace {

// One script operation on the undo stack: the library actions it ran, as a
// single step. They already ran when the step is pushed (PushApplied); later
// redos and undos replay them (undo in reverse order).
class ScriptStep : public app::UndoAction {
 public:
  ScriptStep(std::vector<scoped_refptr<app::UndoAction>> actions, std::vector<std::string> objects)
      : actions_(std::move(actions)), objects_(std::move(objects)) {}
  const std::vector<std::string>& objects() const { return objects_; }

 protected:
  ~ScriptStep() override = default;
  void InternalRedo(app::AppDocument* document) override {
    for (auto& action : actions_) action->Redo(document);
  }
  void InternalUndo(app::AppDocument* document) override {
    for (auto it = actions_.rbegin(); it != actions_.rend(); ++it) (*it)->Undo(document);
  }

 private:
  std::vector<scoped_refptr<app::UndoAction>> actions_;
  std::vector<std::string> objects_;
};

template <class T>
T* Find(const reference_host::AppDocumentImpl* document, const std::string& id) {
  return dynamic_cast<T*>(document->FindObjectById(id));
}

// The parts of |budget| collected into |cost|, in the cost line's order.
std::vector<engine::ResItem*> PartsOf(engine::qrv::QRVResItem* cost, engine::ResItem* budget) {
  std::vector<engine::ResItem*> copies, parts;
  marrow::qrv::QRVResItemBean(cost).GetCopyResFromQRVResItem(copies);
  for (engine::ResItem* copy : copies)
    if (marrow::qrv::QRVResItemBean(copy).GetResItemTemplete() == budget) parts.push_back(copy);
  return parts;
}

bool IsPartOf(engine::qrv::QRVResItem* cost, engine::ResItem* copy) {
  std::vector<engine::ResItem*> copies;
  marrow::qrv::QRVResItemBean(cost).GetCopyResFromQRVResItem(copies);
  for (engine::ResItem* listed : copies)
    if (listed == copy) return true;
  return false;
}

void AppendRowTree(engine::dbtables::TupleObject* row, std::vector<std::string>& ids) {
  ids.push_back(row->GetId());
  for (int i = 0; i < row->GetChildCount(); ++i) AppendRowTree(row->GetChild(i), ids);
}

const char* const kReferenceKeys[] = {reference_host::keys::kCostAccount,
                                      reference_host::keys::kYSCostAccount,
                                      reference_host::keys::kBillStage};

}  // namespace

OpRunner::OpRunner(reference_host::AppDocumentImpl* document)
    : document_(document), stack_(document) {}

std::vector<std::string> OpRunner::ObjectsOf(const Op& op) const {
  std::vector<std::string> ids;
  switch (op.kind) {
    case OpKind::kCollect:
    case OpKind::kLink:
      return {op.budget, op.cost};
    case OpKind::kUncollect:
    case OpKind::kModifyQuantity: {
      std::string budget = op.budget;
      if (budget.empty())
        if (auto* copy = Find<engine::ResItem>(document_, op.copy))
          if (engine::ResItem* templete = marrow::qrv::QRVResItemBean(copy).GetResItemTemplete())
            budget = templete->GetId();
      if (!budget.empty()) ids.push_back(budget);
      ids.push_back(op.cost);
      return ids;
    }
    case OpKind::kLinkGroup:
      ids = op.budgets;
      ids.push_back(op.cost);
      return ids;
    case OpKind::kUnlink:
      ids.push_back(op.budget);
      if (auto* budget = Find<engine::ResItem>(document_, op.budget))
        if (engine::qrv::QRVResItem* linked = marrow::qrv::QRVResItemBean(budget).GetLinkedCBRes())
          ids.push_back(linked->GetId());
      return ids;
    case OpKind::kSetCostAccount:
      // A row's assignment also clears its ancestors and descendants.
      for (const std::string& id : op.objects) {
        auto* row = Find<engine::dbtables::TupleObject>(document_, id);
        if (!row) {
          ids.push_back(id);
          continue;
        }
        std::vector<std::string> above;
        for (auto* parent = row->GetParent(); parent; parent = parent->GetParent())
          above.insert(above.begin(), parent->GetId());
        ids.insert(ids.end(), above.begin(), above.end());
        AppendRowTree(row, ids);
      }
      return ids;
    case OpKind::kUndo:
    case OpKind::kRedo: {
      const int index = op.kind == OpKind::kUndo ? stack_.Index() - 1 : stack_.Index();
      if (auto* step = dynamic_cast<ScriptStep*>(stack_.Action(index))) return step->objects();
      return ids;
    }
    case OpKind::kRepoint:
    case OpKind::kShow:
      return ids;
  }
  return ids;
}

void OpRunner::RunOnce(Step& step, std::vector<scoped_refptr<app::UndoAction>> actions) {
  reference_host::PartWatch watch(document_);
  for (auto& action : actions) action->Redo(document_);
  step.parts = watch.Take();
  step.actions = std::move(actions);
}

OpRunner::Step OpRunner::Execute(const Op& op, std::ostream& out) {
  Step step;
  auto* cost = Find<engine::qrv::QRVResItem>(document_, op.cost);
  auto* budget = Find<engine::ResItem>(document_, op.budget);
  switch (op.kind) {
    case OpKind::kCollect:
      RunOnce(step, {new marrow::qrv::QRVResItemCollectAction(cost, budget, op.quantity)});
      break;
    case OpKind::kUncollect: {
      std::vector<engine::ResItem*> parts;
      if (budget) {
        parts = PartsOf(cost, budget);
        if (parts.empty()) step.note = op.budget + " has no part in " + op.cost;
      } else if (auto* copy = Find<engine::ResItem>(document_, op.copy);
                 copy && IsPartOf(cost, copy)) {
        parts.push_back(copy);
      } else {
        step.note = "part " + op.copy + " is no longer collected into " + op.cost;
      }
      std::vector<scoped_refptr<app::UndoAction>> actions;
      for (engine::ResItem* part : parts)
        actions.push_back(new marrow::qrv::QRVResItemUnCollectAction(cost, part));
      RunOnce(step, std::move(actions));
      break;
    }
    case OpKind::kModifyQuantity: {
      engine::ResItem* part = nullptr;
      if (budget) {
        std::vector<engine::ResItem*> parts = PartsOf(cost, budget);
        if (!parts.empty())
          part = parts.back();
        else
          step.note = op.budget + " has no part in " + op.cost;
      } else {
        part = Find<engine::ResItem>(document_, op.copy);
        if (!part || !IsPartOf(cost, part)) {
          part = nullptr;
          step.note = "part " + op.copy + " is no longer collected into " + op.cost;
        }
      }
      if (part)
        RunOnce(step,
                {new marrow::qrv::QRVResItemCollectModifyQuantityAction(cost, part, op.quantity)});
      break;
    }
    case OpKind::kLink:
    case OpKind::kLinkGroup: {
      // Binding the budget line the resolver is asked about is the caller's part.
      auto resolver = [cost](engine::ResItem* line) {
        cost->AddLinkedResItem(line);
        return cost;
      };
      marrow::qrv::ResItemLinkToCB linker;
      bool done;
      if (op.kind == OpKind::kLink) {
        done = linker.LinkToCB(budget, resolver);
      } else {
        std::vector<engine::ResItem*> lines;
        for (const std::string& id : op.budgets)
          lines.push_back(Find<engine::ResItem>(document_, id));
        done = linker.LinkToCB(lines, resolver);
      }
      if (!done) step.note = "the library refused the link";
      break;
    }
    case OpKind::kUnlink:
      if (!marrow::qrv::ResItemLinkToCB().DeLinkToCB(budget))
        step.note = "the library refused to unlink";
      break;
    case OpKind::kSetCostAccount: {
      std::vector<engine::DocumentObject*> objects;
      for (const std::string& id : op.objects) objects.push_back(document_->FindObjectById(id));
      RunOnce(step, {new marrow::qrv::QRVSetCostAccountSetviceAction(objects, op.account)});
      break;
    }
    case OpKind::kRepoint: {
      const int rewritten = Repoint(op);
      step.changed = rewritten > 0;
      step.note =
          std::to_string(rewritten) + " reference" + (rewritten == 1 ? "" : "s") + " re-pointed";
      break;
    }
    case OpKind::kUndo:
    case OpKind::kRedo: {
      const bool undo = op.kind == OpKind::kUndo;
      if (undo ? !stack_.CanUndo() : !stack_.CanRedo()) {
        step.note = undo ? "nothing to undo" : "nothing to redo";
        break;
      }
      step.note = (undo ? "undid: " : "redid: ") + (undo ? stack_.UndoText() : stack_.RedoText());
      undo ? stack_.Undo() : stack_.Redo();
      step.ran_anyway = true;
      break;
    }
    case OpKind::kShow:
      PrintDocument(*document_, out);
      step.ran_anyway = true;
      break;
  }
  return step;
}

int OpRunner::Repoint(const Op& op) {
  reference_host::ProjectImpl* here = document_->project();
  reference_host::ProjectImpl* other = op.source ? op.source->project() : nullptr;
  if (!here || !other) return 0;  // ReadOps refuses these; nothing to match
  marrow::qrv::CostAccountGroupFunc accounts(here->cost_accounts());
  marrow::qrv::BillStageGroupFunc stages(here->bill_stages());

  std::vector<engine::DocumentObject*> objects;
  document_->document()->GetAllObjects(objects);
  std::map<engine::DocumentObject*, std::vector<std::string>> before;
  const auto references = [](engine::DocumentObject* object) {
    std::vector<std::string> values;
    for (const char* key : kReferenceKeys) values.push_back(TextField(object, key));
    return values;
  };
  for (engine::DocumentObject* object : objects) {
    const bool entry = dynamic_cast<engine::BaseResItem*>(object) != nullptr;
    auto* bill = dynamic_cast<engine::SubEngineering*>(object);
    auto* sub_project = dynamic_cast<engine::SubProject*>(object);
    if (!entry && !bill && !sub_project) continue;
    before[object] = references(object);
    if (sub_project) {
      accounts.UpdateLocalCostAccount(sub_project, other->cost_accounts());
      continue;
    }
    accounts.UpdateLocalCostAccount(object->GetFieldContainer(), other->cost_accounts());
    if (bill) stages.UpdateLocalBillStage(object->GetFieldContainer(), other->bill_stages());
  }
  int rewritten = 0;
  for (const auto& [object, values] : before) {
    const std::vector<std::string> now = references(object);
    for (size_t i = 0; i < values.size(); ++i) rewritten += values[i] != now[i];
  }
  return rewritten;
}

OpOutcome OpRunner::Run(const Op& op, std::ostream& out) {
  OpOutcome outcome;
  document_->ClearNotifications();
  // Ids, not pointers: a released part leaves the document.
  std::vector<std::string> objects = ObjectsOf(op);
  const std::string before = DigestObjects(*document_, objects);
  Step step;
  {
    LogTap tap;
    step = Execute(op, out);
    outcome.messages = tap.lines();
  }
  const bool changed = step.changed ? *step.changed : DigestObjects(*document_, objects) != before;
  outcome.applied = changed || step.ran_anyway;
  outcome.note = step.note;
  outcome.notifications = document_->collect_notifications();
  if (changed && !step.actions.empty()) {
    stack_.PushApplied(new ScriptStep(std::move(step.actions), std::move(objects)), op.Describe(),
                       step.parts);
  } else if (!changed && !step.ran_anyway && outcome.note.empty()) {
    outcome.note = "nothing changed";
    if (op.kind == OpKind::kCollect && outcome.messages.empty())
      if (auto* budget = Find<engine::ResItem>(document_, op.budget))
        outcome.note += "; " + op.budget + " has " +
                        Num(marrow::qrv::QRVResItemBean(budget).GetResItemCollectAllowQuantity()) +
                        " left to collect";
  } else if (!changed && step.ran_anyway && op.kind != OpKind::kShow) {
    outcome.note += " (nothing changed)";
  }
  return outcome;
}

}  // namespace cli
