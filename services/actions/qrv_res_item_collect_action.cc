#include "actions/qrv_res_item_collect_action.h"

#include <vector>

#include "actions/internal/collect_action_util.h"
#include "beans/qrv_resitem.h"
#include "funcs/qrv_collect_ys_to_cb.h"
#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"

namespace marrow {
namespace qrv {

QRVResItemCollectAction::QRVResItemCollectAction(engine::qrv::QRVResItem* cost_item,
                                                 engine::ResItem* budget_item, double quantity)
    : cost_item_id_(cost_item ? cost_item->GetId() : std::string()),
      budget_item_id_(budget_item ? budget_item->GetId() : std::string()),
      quantity_(quantity) {}

QRVResItemCollectAction::~QRVResItemCollectAction() = default;

void QRVResItemCollectAction::InternalUndo(app::AppDocument* document) { DeCollect(document); }

void QRVResItemCollectAction::InternalRedo(app::AppDocument* document) { Collect(document); }

bool QRVResItemCollectAction::IsValid(engine::ResItem* /*copy_item*/) const { return true; }

void QRVResItemCollectAction::Collect(app::AppDocument* document) {
  engine::qrv::QRVResItem* cost_item = nullptr;
  engine::ResItem* budget_item = nullptr;
  if (!internal::FindCollectItems(document, cost_item_id_, budget_item_id_, &cost_item,
                                  &budget_item)) {
    return;
  }
  YsRCJCollectWithCB().YSRcjCollectToCB(cost_item, budget_item, quantity_);
  internal::NotifyCollected(document, budget_item, cost_item, true);
}

void QRVResItemCollectAction::DeCollect(app::AppDocument* document) {
  engine::qrv::QRVResItem* cost_item = nullptr;
  engine::ResItem* budget_item = nullptr;
  if (!internal::FindCollectItems(document, cost_item_id_, budget_item_id_, &cost_item,
                                  &budget_item)) {
    return;
  }
  engine::qrv::QRVResCollectObj* record = QRVResItemBean(cost_item).GetResItemCollectObj(false);
  if (!record) return;
  std::vector<engine::ResItem*> listed;
  record->GetCopies(listed);
  if (listed.empty()) return;
  // Releasing a copy drops the list's references to it; the snapshot keeps
  // every copy alive until the walk is over.
  const std::vector<scoped_refptr<engine::ResItem>> copies(listed.begin(), listed.end());

  YsRCJCollectWithCB engine_ops;
  for (const scoped_refptr<engine::ResItem>& copy : copies) {
    if (!copy || !IsValid(copy.get())) continue;
    if (QRVResItemBean(copy.get()).GetResItemTemplete() != budget_item) continue;
    engine_ops.YSRcjCopyUnCollectToCB(cost_item, copy.get());
  }
  internal::NotifyCollected(document, budget_item, cost_item, false);
}

}  // namespace qrv
}  // namespace marrow
