#include "fuzz/op_script_decoder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "beans/qrv_resitem.h"
#include "cli/support.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"

namespace fuzz {
namespace {

using nlohmann::json;

// The objects of each kind a script may name.
struct Pools {
  std::vector<std::string> budget_lines, cost_lines, parts, rows, entries;
  std::vector<std::string> accounts;  // ids, paths and "" (clears)
  std::map<std::string, std::string> cost_of_part;
  // A budget line's: the cost lines it may link to, the lines of its list.
  std::map<std::string, std::vector<std::string>> bill_costs, bill_budgets;
  std::map<std::string, double> own_quantity, allowed;
};

std::vector<std::string> Ids(const reference_host::ResItemListImpl* list) {
  std::vector<std::string> ids;
  for (int i = 0; list && i < list->GetCount(); ++i) ids.push_back(list->GetAt(i)->GetId());
  return ids;
}

Pools PoolsOf(const reference_host::AppDocumentImpl& document) {
  Pools pools;
  pools.accounts.push_back("");
  std::vector<engine::DocumentObject*> objects;
  document.document()->GetAllObjects(objects);
  for (engine::DocumentObject* object : objects) {
    const std::string kind = cli::DescribeKind(object);
    const std::string& id = object->GetId();
    if (kind == "budget line") {
      pools.budget_lines.push_back(id);
      auto* line = dynamic_cast<engine::ResItem*>(object);
      double quantity = 0;
      if (line->GetQuantity(quantity)) pools.own_quantity[id] = quantity;
      const marrow::qrv::QRVResItemBean view(line);
      pools.allowed[id] = view.GetResItemCollectAllowQuantity();
      // A link names a cost line of the budget line's bill, which for a
      // line under an entry is the bill above it.
      auto* bill = dynamic_cast<engine::qrv::QRVSubEngineering*>(view.GetOwnerBill());
      if (bill && bill->GetCBResItemList()) {
        std::vector<std::string>& costs = pools.bill_costs[id];
        engine::ResItemList* list = bill->GetCBResItemList();
        for (int i = 0; i < list->GetCount(); ++i) costs.push_back(list->GetAt(i)->GetId());
      }
    } else if (kind == "cost line") {
      pools.cost_lines.push_back(id);
    } else if (kind == "collected part") {
      auto* line = dynamic_cast<reference_host::ResItemImpl*>(object);
      auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(line->GetCollect());
      if (record && record->GetCBResItem()) {
        pools.parts.push_back(id);
        pools.cost_of_part[id] = record->GetCBResItem()->GetId();
      }
    } else if (kind == "table row") {
      pools.rows.push_back(id);
    } else if (kind == "contract entry") {
      pools.entries.push_back(id);
    } else if (auto* account = dynamic_cast<reference_host::CostAccountImpl*>(object)) {
      pools.accounts.push_back(id);
      pools.accounts.push_back(account->GetPath());
    }
    if (auto* item = dynamic_cast<reference_host::SubEngineeringImpl*>(object)) {
      const std::vector<std::string> budgets = Ids(item->budget_list());
      for (const std::string& budget : budgets) pools.bill_budgets[budget] = budgets;
    }
  }
  return pools;
}

class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, const Pools& pools, const DecoderOptions& options)
      : in_(data, size), pools_(pools), options_(options) {}

  json Decode() {
    json script = json::array();
    while (in_.remaining_bytes() > 0 && script.size() < options_.max_ops) {
      json op = Next();
      if (!op.is_null()) script.push_back(std::move(op));
    }
    return script;
  }

 private:
  enum Kind {
    kCollect,
    kUncollectPart,
    kUncollectBudget,
    kModifyPart,
    kModifyBudget,
    kSetCostAccount,
    kUndo,
    kRedo,
    kShow,
    // Not undoable: only with undoable_only false.
    kLink,
    kLinkGroup,
    kUnlink,
    kRepoint,
    kKindCount
  };

  // One op, or null when the document has nothing it could name.
  json Next() {
    switch (Draw()) {
      case kCollect: {
        const std::string budget = Pick(pools_.budget_lines);
        const std::string cost = Pick(pools_.cost_lines);
        if (budget.empty() || cost.empty()) return nullptr;
        return {{"op", "collect"}, {"cost", cost}, {"budget", budget}, {"qty", Quantity(budget)}};
      }
      case kUncollectPart:
      case kModifyPart: {
        const std::string part = Pick(pools_.parts);
        if (part.empty()) return nullptr;
        json op = {{"cost", pools_.cost_of_part.at(part)}, {"copy", part}};
        return Finish(op, kModifyPart, part);
      }
      case kUncollectBudget:
      case kModifyBudget: {
        const std::string budget = Pick(pools_.budget_lines);
        const std::string cost = Pick(pools_.cost_lines);
        if (budget.empty() || cost.empty()) return nullptr;
        json op = {{"cost", cost}, {"budget", budget}};
        return Finish(op, kModifyBudget, budget);
      }
      case kSetCostAccount: {
        const bool rows = pools_.entries.empty() || (!pools_.rows.empty() && in_.ConsumeBool());
        const std::vector<std::string>& pool = rows ? pools_.rows : pools_.entries;
        std::vector<std::string> objects = PickSome(pool);
        if (objects.empty()) return nullptr;
        return {
            {"op", "set-cost-account"}, {"objects", objects}, {"account", Pick(pools_.accounts)}};
      }
      case kUndo:
        return {{"op", "undo"}};
      case kRedo:
        return {{"op", "redo"}};
      case kShow:
        return {{"op", "show"}};
      case kLink:
      case kLinkGroup: {
        const std::string budget = Pick(pools_.budget_lines);
        auto costs = pools_.bill_costs.find(budget);
        if (costs == pools_.bill_costs.end()) return nullptr;
        const std::string cost = Pick(costs->second);
        if (cost.empty()) return nullptr;
        if (last_kind_ == kLink) return {{"op", "link"}, {"cost", cost}, {"budget", budget}};
        std::vector<std::string> budgets{budget};
        for (const std::string& other : PickSome(pools_.bill_budgets.at(budget)))
          if (other != budget) budgets.push_back(other);
        return {{"op", "link-group"}, {"cost", cost}, {"budgets", budgets}};
      }
      case kUnlink: {
        const std::string budget = Pick(pools_.budget_lines);
        if (budget.empty()) return nullptr;
        return {{"op", "unlink"}, {"budget", budget}};
      }
      case kRepoint: {
        const std::string from = Pick(options_.repoint_sources);
        if (from.empty()) return nullptr;
        return {{"op", "repoint"}, {"from", from}};
      }
    }
    return nullptr;
  }

  // uncollect or modify-quantity, by which of the pair |modify| names.
  json Finish(json op, Kind modify, const std::string& line) {
    const bool is_modify = last_kind_ == modify;
    op["op"] = is_modify ? "modify-quantity" : "uncollect";
    if (is_modify) op["qty"] = Quantity(line);
    return op;
  }

  const std::string& Pick(const std::vector<std::string>& pool) {
    static const std::string none;
    if (pool.empty()) return none;
    return pool[in_.ConsumeIntegralInRange<size_t>(0, pool.size() - 1)];
  }

  // One to three distinct items of |pool|, in the order drawn.
  std::vector<std::string> PickSome(const std::vector<std::string>& pool) {
    std::vector<std::string> picked;
    const int count = in_.ConsumeIntegralInRange<int>(1, 3);
    for (int i = 0; i < count && !pool.empty(); ++i) {
      const std::string& item = Pick(pool);
      if (std::find(picked.begin(), picked.end(), item) == picked.end()) picked.push_back(item);
    }
    return picked;
  }

  // Quantities near the edges the collection engine cares about: zero,
  // the 0.0001 snapping threshold, what is left, the line's own quantity.
  double Quantity(const std::string& line) {
    auto own = pools_.own_quantity.find(line);
    auto allowed = pools_.allowed.find(line);
    const double base = own != pools_.own_quantity.end() ? own->second : 1.0;
    const double left = allowed != pools_.allowed.end() ? allowed->second : base;
    switch (in_.ConsumeIntegralInRange<int>(0, 11)) {
      case 0:
        return 0.0;
      case 1:
        return 0.0001;
      case 2:
        return 0.00005;
      case 3:
        return left;
      case 4:
        return left + 0.00009;
      case 5:
        return left - 0.00009;
      case 6:
        return base;
      case 7:
        return -1.0;
      case 8:
        return 1e300;
      case 9:
        return in_.ConsumeIntegralInRange<int>(1, 100);
      case 10:
        return base * in_.ConsumeProbability<double>();
      default: {
        const double any = in_.ConsumeFloatingPoint<double>();
        return std::isfinite(any) ? any : 1.0;
      }
    }
  }

  // The op kind, drawn once per op (Finish and link read it back). "show"
  // prints the whole document, the costliest op by far: it comes rarely.
  int Draw() {
    static constexpr int kWeights[kKindCount] = {4, 2, 2, 2, 2, 3, 3, 2, 1, 2, 2, 1, 1};
    const int kinds = options_.undoable_only ? kLink : kKindCount;
    int total = 0;
    for (int kind = 0; kind < kinds; ++kind) total += kWeights[kind];
    int draw = in_.ConsumeIntegralInRange<int>(0, total - 1);
    last_kind_ = 0;
    while (draw >= kWeights[last_kind_]) draw -= kWeights[last_kind_++];
    return last_kind_;
  }

  FuzzedDataProvider in_;
  const Pools& pools_;
  const DecoderOptions& options_;
  int last_kind_ = -1;
};

}  // namespace

json DecodeOpScript(const uint8_t* data, size_t size,
                    const reference_host::AppDocumentImpl& document,
                    const DecoderOptions& options) {
  const Pools pools = PoolsOf(document);
  return Decoder(data, size, pools, options).Decode();
}

}  // namespace fuzz
