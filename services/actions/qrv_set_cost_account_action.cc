#include "actions/qrv_set_cost_account_action.h"

#include <utility>

#include "funcs/cost_account/qrv_res_item_func.h"
#include "funcs/cost_account/qrv_table_func.h"
#include "host/engine/dbtables.h"
#include "host/engine/document_object.h"
#include "host/engine/qrv/qrv_base_res_item.h"

namespace marrow {
namespace qrv {

namespace {

bool IsRow(engine::DocumentObject* object) {
  return dynamic_cast<engine::dbtables::TupleObject*>(object) != nullptr;
}

bool IsResource(engine::DocumentObject* object) {
  return dynamic_cast<engine::qrv::QRVBaseResItem*>(object) != nullptr;
}

}  // namespace

QRVSetCostAccountSetviceAction::QRVSetCostAccountSetviceAction(
    std::vector<engine::DocumentObject*> objects, const std::string& cost_account)
    : objects_(std::move(objects)), cost_account_(cost_account) {}

QRVSetCostAccountSetviceAction::~QRVSetCostAccountSetviceAction() = default;

void QRVSetCostAccountSetviceAction::InternalRedo(app::AppDocument* /*document*/) {
  if (objects_.empty()) return;
  engine::DocumentObject* first = objects_.front();
  if (IsRow(first)) {
    QRVTableFunc func;
    func.SetCostAccount(objects_, cost_account_);
    data_ = func.GetData();
    row_order_ = func.GetUndoOrder();
  } else if (IsResource(first)) {
    QRVResItemFunc func;
    func.SetCostAccount(objects_, cost_account_);
    data_ = func.GetData();
    row_order_.clear();
  }
}

void QRVSetCostAccountSetviceAction::InternalUndo(app::AppDocument* /*document*/) {
  // Each recorded value goes back as its own one-object assignment: rows in
  // the order their worker chose, resources in record order (they do not
  // touch each other). The rows are handed over in one call, which has the
  // same effect as one call per row but does not walk a branch once per row.
  std::vector<std::pair<engine::DocumentObject*, std::string>> rows;
  rows.reserve(row_order_.size());
  for (engine::DocumentObject* row : row_order_) {
    auto it = data_.find(row);
    if (it != data_.end()) rows.emplace_back(row, it->second);
  }
  if (!rows.empty()) QRVTableFunc().SetCostAccount(rows);
  for (const auto& entry : data_) {
    if (IsResource(entry.first)) QRVResItemFunc().SetCostAccount({entry.first}, entry.second);
  }
}

}  // namespace qrv
}  // namespace marrow
