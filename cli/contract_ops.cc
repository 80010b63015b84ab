#include "cli/contract_ops.h"

#include <set>

#include "actions/base_res_item_copy_from_action.h"
#include "actions/base_res_item_merge_changed_action.h"
#include "actions/qrv_base_res_item_merge_contract_action.h"
#include "actions/qrv_base_res_item_split_contract_action.h"
#include "cli/support.h"
#include "funcs/qrv_res_item_change_name_func.h"
#include "reference_host/app/rename_line_action.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"

namespace cli {
namespace {

using reference_host::BaseResItemImpl;
using reference_host::ResItemImpl;
using Type = MemberRule::Type;
using Fail = std::function<void(const std::string&, const std::string&)>;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string JoinIds(const std::vector<std::string>& ids) {
  std::string out;
  for (const std::string& id : ids) out += (out.empty() ? "" : ", ") + id;
  return out;
}

std::string ItemWhere(const Op& op, const std::string& member, size_t index) {
  return op.place.empty() ? op.Where(member) + " item " + std::to_string(index + 1)
                          : op.Where(member) + "[" + std::to_string(index) + "]";
}

bool IsContractEntry(const BaseResItemImpl* entry) { return entry->group() != nullptr; }
bool IsAnyEntry(const BaseResItemImpl*) { return true; }
bool IsCostLine(const ResItemImpl* line) {
  return line->owner_list() &&
         line->owner_list()->side() == reference_host::ResItemListImpl::Side::kCost;
}
bool IsBudgetLine(const ResItemImpl* line) {
  return line->owner_list() &&
         line->owner_list()->side() == reference_host::ResItemListImpl::Side::kBudget;
}

// The object |id| as T when it is one |fits| accepts; else null, told to |fail|.
template <class T>
T* Need(const reference_host::AppDocumentImpl& document, const Fail& fail, const std::string& where,
        const std::string& id, const std::string& wanted, bool (*fits)(const T*)) {
  engine::DocumentObject* object = document.FindObjectById(id);
  if (!object) {
    fail(where, "no object with id " + Quote(id));
    return nullptr;
  }
  T* typed = dynamic_cast<T*>(object);
  if (!typed || !fits(typed)) {
    fail(where, Quote(id) + " is a " + DescribeKind(object) + ", not a " + wanted);
    return nullptr;
  }
  return typed;
}

template <class T>
T* Find(const reference_host::AppDocumentImpl& document, const std::string& id) {
  return dynamic_cast<T*>(document.FindObjectById(id));
}

std::string EntryLabel(const BaseResItemImpl* entry) {
  return entry->GetId() + " " + Quote(entry->name());
}

}  // namespace

bool IsContractOp(OpKind kind) {
  switch (kind) {
    case OpKind::kMergeContract:
    case OpKind::kSplitContract:
    case OpKind::kCopyFrom:
    case OpKind::kMergeChanged:
    case OpKind::kRename:
      return true;
    default:
      return false;
  }
}

std::vector<OpRule> ContractOpRules() {
  return {
      {"merge-contract",
       OpKind::kMergeContract,
       true,
       true,
       "Move every cost line of the source contract entries onto the target entry and drop the "
       "sources from their groups (undoable).",
       {{"target", Type::kId, true, "contract entry that takes the lines"},
        {"sources", Type::kIdList, true, "contract entries to merge into it, comma-separated"}}},
      {"split-contract",
       OpKind::kSplitContract,
       true,
       true,
       "Move some cost lines of a contract entry onto a new entry next to it, a copy named with "
       "\"C\" appended (undoable).",
       {{"entry", Type::kId, true, "contract entry that gives up the lines"},
        {"lines", Type::kIdList, true,
         "its cost lines to move, comma-separated; at least one must stay"}}},
      {"copy-from",
       OpKind::kCopyFrom,
       true,
       true,
       "Copy every field of one resource entry onto another (undoable; undo puts back the "
       "target's former values).",
       {{"target", Type::kId, true, "entry that is overwritten"},
        {"source", Type::kId, true, "entry whose fields are copied"}}},
      {"merge-changed",
       OpKind::kMergeChanged,
       true,
       true,
       "Tell the document that an entry's merge state changed (undoable; undo tells it again).",
       {{"entry", Type::kId, true, "resource entry"}}},
      {"rename",
       OpKind::kRename,
       true,
       true,
       "Rename a budget line (and every part collected from it) through an entry of its "
       "sub-project with the new name: an equal one, or a new numbered one (undoable).",
       {{"line", Type::kId, true, "budget line id"}, {"name", Type::kText, true, "the new name"}}},
  };
}

void CheckContractOp(const reference_host::AppDocumentImpl& document, const Op& op,
                     const Fail& fail) {
  switch (op.kind) {
    case OpKind::kMergeContract:
      if (!op.target.empty())
        Need<BaseResItemImpl>(document, fail, op.Where("target"), op.target, "contract entry",
                              IsContractEntry);
      for (size_t i = 0; i < op.sources.size(); ++i) {
        const std::string where = ItemWhere(op, "sources", i);
        if (op.sources[i] == op.target)
          fail(where, Quote(op.target) + " is the target too; an entry cannot merge into itself");
        else
          Need<BaseResItemImpl>(document, fail, where, op.sources[i], "contract entry",
                                IsContractEntry);
      }
      return;
    case OpKind::kSplitContract:
      if (!op.entry.empty())
        Need<BaseResItemImpl>(document, fail, op.Where("entry"), op.entry, "contract entry",
                              IsContractEntry);
      for (size_t i = 0; i < op.lines.size(); ++i)
        Need<ResItemImpl>(document, fail, ItemWhere(op, "lines", i), op.lines[i], "cost line",
                          IsCostLine);
      return;
    case OpKind::kCopyFrom:
      if (!op.target.empty())
        Need<BaseResItemImpl>(document, fail, op.Where("target"), op.target, "resource entry",
                              IsAnyEntry);
      if (!op.source_id.empty() && op.source_id == op.target)
        fail(op.Where("source"), Quote(op.source_id) + " is the target too; give another entry");
      else if (!op.source_id.empty())
        Need<BaseResItemImpl>(document, fail, op.Where("source"), op.source_id, "resource entry",
                              IsAnyEntry);
      return;
    case OpKind::kMergeChanged:
      if (!op.entry.empty())
        Need<BaseResItemImpl>(document, fail, op.Where("entry"), op.entry, "resource entry",
                              IsAnyEntry);
      return;
    case OpKind::kRename:
      if (!op.line.empty())
        Need<ResItemImpl>(document, fail, op.Where("line"), op.line, "budget line", IsBudgetLine);
      return;
    default:
      return;
  }
}

std::string DescribeContractOp(const Op& op) {
  switch (op.kind) {
    case OpKind::kMergeContract:
      return "merge " + JoinIds(op.sources) + " into " + op.target;
    case OpKind::kSplitContract:
      return "split " + JoinIds(op.lines) + " off " + op.entry;
    case OpKind::kCopyFrom:
      return "copy the fields of " + op.source_id + " onto " + op.target;
    case OpKind::kMergeChanged:
      return "report a merge change of " + op.entry;
    case OpKind::kRename:
      return "rename " + op.line + " to " + Quote(op.name);
    default:
      return "";
  }
}

std::vector<std::string> ContractObjectsOf(const reference_host::AppDocumentImpl& document,
                                           const Op& op) {
  std::vector<std::string> ids;
  switch (op.kind) {
    case OpKind::kMergeContract:
      ids.push_back(op.target);
      ids.insert(ids.end(), op.sources.begin(), op.sources.end());
      return ids;
    case OpKind::kSplitContract:
      ids.push_back(op.entry);
      ids.insert(ids.end(), op.lines.begin(), op.lines.end());
      return ids;
    case OpKind::kCopyFrom:
      return {op.target};
    case OpKind::kMergeChanged:
      return {op.entry};
    case OpKind::kRename: {
      ids.push_back(op.line);
      auto* line = Find<ResItemImpl>(document, op.line);
      if (!line) return ids;
      // The parts collected from the line move with it.
      if (auto* templete =
              dynamic_cast<reference_host::ResCollectTempleteImpl*>(line->GetCollect()))
        for (const auto& copy : templete->listed_copies()) ids.push_back(copy->GetId());
      if (line->GetBaseResItem()) ids.push_back(line->GetBaseResItem()->GetId());
      return ids;
    }
    default:
      return ids;
  }
}

ContractStep PrepareContractOp(reference_host::AppDocumentImpl* document, const Op& op) {
  ContractStep step;
  // Earlier operations of a script may have taken entries out.
  auto gone = [&step](const std::string& id) {
    step.refusal = id + " is no longer in the document";
  };
  switch (op.kind) {
    case OpKind::kMergeContract: {
      auto* target = Find<BaseResItemImpl>(*document, op.target);
      if (!target) {
        gone(op.target);
        return step;
      }
      std::vector<engine::qrv::QRVBaseResItem*> sources;
      for (const std::string& id : op.sources) {
        auto* source = Find<BaseResItemImpl>(*document, id);
        if (!source) {
          gone(id);
          return step;
        }
        sources.push_back(source);
      }
      step.actions.push_back(new marrow::qrv::QRVBaseResItemMergeContractAction(target, sources));
      return step;
    }
    case OpKind::kSplitContract: {
      auto* donor = Find<BaseResItemImpl>(*document, op.entry);
      if (!donor) {
        gone(op.entry);
        return step;
      }
      std::vector<engine::qrv::QRVResItem*> lines;
      for (const std::string& id : op.lines) {
        auto* line = Find<ResItemImpl>(*document, id);
        if (!line) {
          gone(id);
          return step;
        }
        if (line->GetBaseResItem() != donor) {
          step.refusal = id + " is attached to " +
                         (line->GetBaseResItem() ? line->GetBaseResItem()->GetId() : "no entry") +
                         ", not to " + op.entry;
          return step;
        }
        lines.push_back(line);
      }
      if (static_cast<int>(lines.size()) >= donor->GetResItemCount()) {
        step.refusal =
            op.entry + " would keep no line: it holds " + std::to_string(donor->GetResItemCount());
        return step;
      }
      step.actions.push_back(new marrow::qrv::QRVBaseResItemSplitContractAction(donor, lines));
      return step;
    }
    case OpKind::kCopyFrom: {
      auto* target = Find<BaseResItemImpl>(*document, op.target);
      auto* source = Find<BaseResItemImpl>(*document, op.source_id);
      if (!target) {
        gone(op.target);
        return step;
      }
      if (!source) {
        gone(op.source_id);
        return step;
      }
      step.actions.push_back(new marrow::qrv::BaseResItemCopyFromAction(target, source));
      return step;
    }
    case OpKind::kMergeChanged: {
      auto* entry = Find<BaseResItemImpl>(*document, op.entry);
      if (!entry) {
        gone(op.entry);
        return step;
      }
      step.actions.push_back(new marrow::qrv::BaseResItemMergeChangedAction(entry));
      // It changes no saved state, yet it is a step of its own on the stack.
      step.always_changes = true;
      return step;
    }
    case OpKind::kRename: {
      auto* line = Find<ResItemImpl>(*document, op.line);
      if (!line) {
        gone(op.line);
        return step;
      }
      step.actions.push_back(new reference_host::RenameLineAction(
          line, op.name, [](engine::ResItem* item, const std::string& name) {
            marrow::qrv::QRVResItemChangeNameFunc().ChangeResItemName(item, name);
          }));
      return step;
    }
    default:
      return step;
  }
}

std::string ContractOutcome(const reference_host::AppDocumentImpl& document, const Op& op) {
  if (op.kind == OpKind::kSplitContract && !op.lines.empty()) {
    auto* line = Find<ResItemImpl>(document, op.lines.front());
    BaseResItemImpl* entry = line ? line->GetBaseResItem() : nullptr;
    if (entry && entry->GetId() != op.entry) return "new entry " + EntryLabel(entry);
  }
  if (op.kind == OpKind::kRename) {
    auto* line = Find<ResItemImpl>(document, op.line);
    if (BaseResItemImpl* entry = line ? line->GetBaseResItem() : nullptr)
      return "now points to " + EntryLabel(entry);
  }
  return "";
}

}  // namespace cli
