#include "cli/op_script.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "beans/qrv_resitem.h"
#include "cli/support.h"
#include "funcs/cost_account/qrv_service.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_text.h"

namespace cli {
namespace {

using nlohmann::json;
using Type = MemberRule::Type;

constexpr const char* kCostHelp = "cost line id";
constexpr const char* kCopyHelp = "collected part id (or give --budget)";
constexpr const char* kPartsBudgetHelp =
    "budget line id: its parts in the cost line (or give --copy)";

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string JoinIds(const std::vector<std::string>& ids) {
  std::string out;
  for (const std::string& id : ids) out += (out.empty() ? "" : ", ") + id;
  return out;
}

class OpReader {
 public:
  OpReader(const reference_host::AppDocumentImpl& document, const std::string& base_dir,
           std::vector<std::string>* errors)
      : document_(document), base_dir_(base_dir), errors_(errors) {}

  bool Read(const json& item, const std::string& place, Op* op) {
    const size_t before = errors_->size();
    op->place = place;
    if (!item.is_object()) return Fail(place.empty() ? "operation" : place, "must be an object");
    auto name = item.find("op");
    if (name == item.end() || !name->is_string())
      return Fail(op->Where("op"), "missing operation name (string)");
    for (const OpRule& rule : OpRules())
      if (*name == rule.name) op->rule = &rule;
    if (!op->rule)
      return Fail(op->Where("op"), "unknown operation " + Quote(name->get<std::string>()));
    op->kind = op->rule->kind;
    for (auto member = item.begin(); member != item.end(); ++member) {
      if (member.key() == "op") continue;
      const MemberRule* rule = FindMember(*op->rule, member.key());
      if (!rule)
        Fail(op->Where(member.key()), std::string("not a member of '") + op->rule->name + "'");
      else
        ReadMember(*rule, member.value(), op);
    }
    for (const MemberRule& rule : op->rule->members)
      if (rule.required && !item.contains(rule.name)) Fail(op->Where(rule.name), "missing");
    CheckOp(item, op);
    return errors_->size() == before;
  }

 private:
  bool Fail(const std::string& where, const std::string& what) {
    errors_->push_back(where + ": " + what);
    return false;
  }

  static const MemberRule* FindMember(const OpRule& rule, const std::string& name) {
    for (const MemberRule& member : rule.members)
      if (name == member.name) return &member;
    return nullptr;
  }

  void ReadMember(const MemberRule& rule, const json& value, Op* op) {
    const std::string where = op->Where(rule.name);
    switch (rule.type) {
      case Type::kNumber:
        if (!value.is_number() || !std::isfinite(value.get<double>()))
          Fail(where, "must be a finite number");
        else
          op->quantity = value.get<double>();
        return;
      case Type::kText:
        if (!value.is_string()) {
          Fail(where, "must be a string");
        } else {
          Text(rule.name, op) = value.get<std::string>();
          if (Text(rule.name, op).empty() && rule.name != std::string("account"))
            Fail(where, "must not be empty");
        }
        return;
      case Type::kId:
        if (!value.is_string() || value.get<std::string>().empty())
          Fail(where, "must be an id (a non-empty string)");
        else
          Text(rule.name, op) = value.get<std::string>();
        return;
      case Type::kIdList: {
        std::vector<std::string>& ids =
            rule.name == std::string("budgets") ? op->budgets : op->objects;
        if (!value.is_array() || value.empty()) {
          Fail(where, "must be a non-empty array of ids");
          return;
        }
        std::set<std::string> seen;
        for (size_t i = 0; i < value.size(); ++i) {
          const std::string item_where = op->place.empty()
                                             ? where + " item " + std::to_string(i + 1)
                                             : where + "[" + std::to_string(i) + "]";
          if (!value[i].is_string() || value[i].get<std::string>().empty())
            Fail(item_where, "must be an id (a non-empty string)");
          else if (!seen.insert(value[i].get<std::string>()).second)
            Fail(item_where, "repeats " + Quote(value[i].get<std::string>()));
          else
            ids.push_back(value[i].get<std::string>());
        }
        return;
      }
    }
  }

  static std::string& Text(const std::string& name, Op* op) {
    if (name == "cost") return op->cost;
    if (name == "budget") return op->budget;
    if (name == "copy") return op->copy;
    if (name == "account") return op->account;
    return op->from;
  }

  // The object |id| as T, or null with an error naming |where|.
  template <class T>
  T* Need(const std::string& where, const std::string& id, const std::string& wanted,
          bool (*fits)(const T*) = nullptr) {
    engine::DocumentObject* object = document_.FindObjectById(id);
    if (!object) {
      Fail(where, "no object with id " + Quote(id));
      return nullptr;
    }
    T* typed = dynamic_cast<T*>(object);
    if (!typed || (fits && !fits(typed))) {
      Fail(where, Quote(id) + " is a " + DescribeKind(object) + ", not a " + wanted);
      return nullptr;
    }
    return typed;
  }

  static bool IsCostLine(const reference_host::ResItemImpl* line) {
    return line->owner_list() &&
           line->owner_list()->side() == reference_host::ResItemListImpl::Side::kCost;
  }
  static bool IsBudgetLine(const reference_host::ResItemImpl* line) {
    return line->owner_list() &&
           line->owner_list()->side() == reference_host::ResItemListImpl::Side::kBudget;
  }
  static bool IsPart(const reference_host::ResItemImpl* line) {
    return !line->owner_list() && dynamic_cast<engine::qrv::QRVResCollectCopy*>(line->GetCollect());
  }
  static bool IsContractEntry(const reference_host::BaseResItemImpl* entry) {
    return entry->group() != nullptr;
  }

  // A link only shows when the cost line stands in the cost list of the
  // budget line's own bill.
  void CheckSameBill(const Op& op, reference_host::ResItemImpl* cost,
                     reference_host::ResItemImpl* budget, const std::string& budget_where) {
    engine::SubEngineering* bill =
        marrow::qrv::QRVResItemBean(static_cast<engine::ResItem*>(budget)).GetOwnerBill();
    auto* cost_bill = dynamic_cast<engine::qrv::QRVSubEngineering*>(bill);
    if (!cost_bill || !cost_bill->GetCBResItemList()) {
      Fail(budget_where, "budget line " + Quote(budget->GetId()) + " has no bill with a cost list");
      return;
    }
    engine::ResItemList* list = cost_bill->GetCBResItemList();
    for (int i = 0; i < list->GetCount(); ++i)
      if (list->GetAt(i) == static_cast<engine::ResItem*>(cost)) return;
    Fail(op.Where("cost"), "cost line " + Quote(cost->GetId()) +
                               " is not in the cost list of bill " + Quote(bill->GetId()) +
                               ", which holds " + Quote(budget->GetId()));
  }

  void CheckOp(const json& item, Op* op) {
    const bool has_copy = item.contains("copy"), has_budget = item.contains("budget");
    if ((op->kind == OpKind::kUncollect || op->kind == OpKind::kModifyQuantity) &&
        has_copy == has_budget) {
      Fail(op->Label(),
           op->place.empty() ? "give either --copy or --budget" : "give either copy or budget");
      return;
    }
    reference_host::ResItemImpl* cost = nullptr;
    if (!op->cost.empty())
      cost =
          Need<reference_host::ResItemImpl>(op->Where("cost"), op->cost, "cost line", IsCostLine);
    reference_host::ResItemImpl* budget = nullptr;
    if (!op->budget.empty())
      budget = Need<reference_host::ResItemImpl>(op->Where("budget"), op->budget, "budget line",
                                                 IsBudgetLine);
    if (!op->copy.empty()) {
      auto* copy =
          Need<reference_host::ResItemImpl>(op->Where("copy"), op->copy, "collected part", IsPart);
      auto* record =
          copy ? dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect()) : nullptr;
      if (record && cost && record->GetCBResItem() != static_cast<engine::qrv::QRVResItem*>(cost))
        Fail(op->Where("copy"),
             "part " + Quote(op->copy) + " is not collected into " + Quote(op->cost));
    }
    std::vector<reference_host::ResItemImpl*> group;
    for (size_t i = 0; i < op->budgets.size(); ++i)
      group.push_back(
          Need<reference_host::ResItemImpl>(op->Where("budgets") + "[" + std::to_string(i) + "]",
                                            op->budgets[i], "budget line", IsBudgetLine));
    if (op->kind == OpKind::kLink && cost && budget)
      CheckSameBill(*op, cost, budget, op->Where("budget"));
    if (op->kind == OpKind::kLinkGroup && cost && !group.empty() && group[0])
      CheckSameBill(*op, cost, group[0], op->Where("budgets") + "[0]");
    if (op->kind == OpKind::kSetCostAccount) CheckCostAccount(op);
    if (op->kind == OpKind::kRepoint && !op->from.empty()) LoadSource(op);
  }

  void CheckCostAccount(Op* op) {
    bool rows = false;
    for (size_t i = 0; i < op->objects.size(); ++i) {
      const std::string where = op->Where("objects") + "[" + std::to_string(i) + "]";
      engine::DocumentObject* object = document_.FindObjectById(op->objects[i]);
      if (!object) {
        Fail(where, "no object with id " + Quote(op->objects[i]));
        continue;
      }
      const bool row = dynamic_cast<engine::dbtables::TupleObject*>(object) != nullptr;
      auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object);
      if (!row && !(entry && entry->group())) {
        Fail(where, Quote(op->objects[i]) + " is a " + DescribeKind(object) +
                        ", not a table row or contract entry");
        continue;
      }
      if (i == 0)
        rows = row;
      else if (row != rows)
        Fail(where, Quote(op->objects[i]) + " is a " + DescribeKind(object) +
                        ", but the first object is a " + (rows ? "table row" : "contract entry") +
                        " (one kind per operation)");
    }
    if (op->account.empty()) return;
    if (!document_.project()) {
      Fail(op->Where("account"), "the document holds no project, so no cost accounts");
      return;
    }
    std::string id;
    if (!marrow::qrv::ConvertToValidCostAccountId(document_.project()->cost_accounts(), op->account,
                                                  id))
      Fail(op->Where("account"),
           Quote(op->account) + " is neither a path nor an id of a cost account");
  }

  // Both documents need a project: its trees are what references are
  // re-pointed from and to.
  void LoadSource(Op* op) {
    if (!document_.project())
      Fail(op->Label(), "the document holds no project, so nothing to re-point");
    std::string path = op->from;
    if (!base_dir_.empty() && path.front() != '/') path = base_dir_ + "/" + path;
    std::string error;
    std::unique_ptr<reference_host::AppDocumentImpl> source = LoadDocument(path, &error);
    if (!source)
      Fail(op->Where("from"), error);
    else if (!source->project())
      Fail(op->Where("from"), path +
                                  " holds no project, so no cost accounts or bill stages to "
                                  "re-point from");
    else
      op->source = std::move(source);
  }

  const reference_host::AppDocumentImpl& document_;
  std::string base_dir_;
  std::vector<std::string>* errors_;
};

}  // namespace

const std::vector<OpRule>& OpRules() {
  static const std::vector<OpRule> rules = {
      {"collect",
       OpKind::kCollect,
       true,
       true,
       "Collect a quantity of a budget line into a cost line (undoable).",
       {{"cost", Type::kId, true, kCostHelp},
        {"budget", Type::kId, true, "budget line id"},
        {"qty", Type::kNumber, true,
         "quantity; within 0.0001 of what is left it takes exactly that"}}},
      {"uncollect",
       OpKind::kUncollect,
       true,
       true,
       "Release one collected part, or every part of a budget line, from a cost line (undoable).",
       {{"cost", Type::kId, true, kCostHelp},
        {"copy", Type::kId, false, kCopyHelp},
        {"budget", Type::kId, false, kPartsBudgetHelp}}},
      {"modify-quantity",
       OpKind::kModifyQuantity,
       true,
       true,
       "Change the quantity of a collected part (undoable); with --budget, the latest part of that "
       "budget line.",
       {{"cost", Type::kId, true, kCostHelp},
        {"copy", Type::kId, false, kCopyHelp},
        {"budget", Type::kId, false,
         "budget line id: its latest part in the cost line (or give --copy)"},
        {"qty", Type::kNumber, true, "new quantity of the part"}}},
      {"link",
       OpKind::kLink,
       false,
       true,
       "Link a budget line to a cost line of its bill, which then represents it as a whole (not "
       "undoable).",
       {{"cost", Type::kId, true, kCostHelp}, {"budget", Type::kId, true, "budget line id"}}},
      {"link-group",
       OpKind::kLinkGroup,
       false,
       true,
       "Link budget lines of one bill to one cost line of that bill (not undoable).",
       {{"cost", Type::kId, true, kCostHelp},
        {"budgets", Type::kIdList, true, "budget line ids, comma-separated"}}},
      {"unlink",
       OpKind::kUnlink,
       false,
       true,
       "Remove every link of a budget line (not undoable).",
       {{"budget", Type::kId, true, "budget line id"}}},
      {"set-cost-account",
       OpKind::kSetCostAccount,
       true,
       true,
       "Book table rows or contract entries to a cost account, or clear it with \"\" (undoable).",
       {{"objects", Type::kIdList, true,
         "table row or contract entry ids (one kind), comma-separated"},
        {"account", Type::kText, true,
         "cost account path (names joined by /) or id; \"\" clears"}}},
      {"repoint",
       OpKind::kRepoint,
       false,
       true,
       "Re-point cost account and bill stage references naming another document's accounts and "
       "stages to "
       "this document's own, matched by code and name (not undoable).",
       {{"from", Type::kText, true, "the other document (JSON file)"}}},
      {"undo",
       OpKind::kUndo,
       false,
       false,
       "Undo the latest undoable operation of the script.",
       {}},
      {"redo", OpKind::kRedo, false, false, "Redo the latest undone operation.", {}},
      {"show", OpKind::kShow, false, false, "Print the document as it stands.", {}},
  };
  return rules;
}

std::string Op::Where(const std::string& member) const {
  return place.empty() ? "--" + member : place + "." + member;
}

std::string Op::Label() const {
  return place.empty() ? std::string(rule ? rule->name : "operation") : place;
}

std::string Op::Describe() const {
  switch (kind) {
    case OpKind::kCollect:
      return "collect " + Num(quantity, 8) + " of " + budget + " into " + cost;
    case OpKind::kUncollect:
      return copy.empty() ? "release every part of " + budget + " from " + cost
                          : "release part " + copy + " from " + cost;
    case OpKind::kModifyQuantity:
      return (copy.empty() ? "change the latest part of " + budget : "change part " + copy) +
             " in " + cost + " to " + Num(quantity, 8);
    case OpKind::kLink:
      return "link " + budget + " to " + cost;
    case OpKind::kLinkGroup:
      return "link " + JoinIds(budgets) + " to " + cost;
    case OpKind::kUnlink:
      return "unlink " + budget;
    case OpKind::kSetCostAccount:
      return (account.empty() ? std::string("clear the cost account of ") : "book ") +
             JoinIds(objects) + (account.empty() ? "" : " to " + Quote(account));
    case OpKind::kRepoint:
      return "repoint accounts and stages from " + from;
    case OpKind::kUndo:
      return "undo";
    case OpKind::kRedo:
      return "redo";
    case OpKind::kShow:
      return "show";
  }
  return "";
}

bool ReadOps(const json& ops, const reference_host::AppDocumentImpl& document,
             const std::string& base_dir, bool shell, std::vector<Op>* out,
             std::vector<std::string>* errors) {
  OpReader reader(document, base_dir, errors);
  if (shell) {
    Op op;
    if (!reader.Read(ops, "", &op)) return false;
    out->push_back(std::move(op));
    return true;
  }
  if (!ops.is_array()) {
    errors->push_back("ops: the script must be a JSON array of operations");
    return false;
  }
  bool ok = true;
  for (size_t i = 0; i < ops.size(); ++i) {
    Op op;
    if (reader.Read(ops[i], "ops[" + std::to_string(i) + "]", &op))
      out->push_back(std::move(op));
    else
      ok = false;
  }
  return ok;
}

bool ReadScript(const std::string& text, const std::string& name,
                const reference_host::AppDocumentImpl& document, const std::string& base_dir,
                std::vector<Op>* out, std::vector<std::string>* errors) {
  // Strict like the document loader: a member named twice is refused, not
  // resolved to whichever came last.
  json ops;
  std::string parse_error;
  if (!reference_host::persist::ParseStrictJson(text, ops, parse_error)) {
    errors->push_back(name + ": not valid JSON: " + parse_error);
    return false;
  }
  if (!ops.is_array()) {
    errors->push_back(name + ": the script must be a JSON array of operations");
    return false;
  }
  return ReadOps(ops, document, base_dir, false, out, errors);
}

}  // namespace cli
