#include "actions/qrv_res_item_uncollect_action.h"

#include <unordered_set>
#include <vector>

#include "actions/internal/collect_action_util.h"
#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"

namespace marrow {
namespace qrv {

namespace {

base::WeakPtr<base::Object> WeakRefTo(engine::ResItem* item) {
  return item ? item->AsWeakPtr() : base::WeakPtr<base::Object>();
}

// The copies of |budget_item| collected into |cost_item|, in list order.
std::vector<engine::ResItem*> CopiesOf(engine::qrv::QRVResItem* cost_item,
                                       const engine::ResItem* budget_item) {
  std::vector<engine::ResItem*> listed;
  QRVResItemBean(cost_item).GetCopyResFromQRVResItem(listed);
  std::vector<engine::ResItem*> copies;
  for (engine::ResItem* copy : listed) {
    if (copy && QRVResItemBean(copy).GetResItemTemplete() == budget_item) copies.push_back(copy);
  }
  return copies;
}

}  // namespace

QRVResItemUnCollectAction::QRVResItemUnCollectAction(engine::qrv::QRVResItem* cost_item,
                                                     engine::ResItem* copy_item)
    : QRVResItemCollectAction(cost_item, nullptr, 0.0),
      copy_item_(copy_item),
      copy_item_alive_(WeakRefTo(copy_item)) {
  if (!copy_item) return;
  if (engine::ResItem* budget_item = QRVResItemBean(copy_item).GetResItemTemplete())
    budget_item_id_ = budget_item->GetId();
  quantity_ = 0.0;
  copy_item->GetQuantity(quantity_);
}

QRVResItemUnCollectAction::~QRVResItemUnCollectAction() = default;

void QRVResItemUnCollectAction::InternalRedo(app::AppDocument* document) { DeCollect(document); }

void QRVResItemUnCollectAction::InternalUndo(app::AppDocument* document) {
  engine::qrv::QRVResItem* cost_item = nullptr;
  engine::ResItem* budget_item = nullptr;
  if (!internal::FindCollectItems(document, cost_item_id_, budget_item_id_, &cost_item,
                                  &budget_item)) {
    return;  // Collect does nothing either; keep the identity we have.
  }
  // Every copy listed now stays alive through Collect, so the new copy cannot
  // share an address with any of them.
  const std::vector<engine::ResItem*> before_list = CopiesOf(cost_item, budget_item);
  const std::unordered_set<const engine::ResItem*> before(before_list.begin(), before_list.end());

  Collect(document);

  engine::ResItem* restored = nullptr;
  for (engine::ResItem* copy : CopiesOf(cost_item, budget_item)) {
    if (!before.count(copy)) {
      restored = copy;
      break;
    }
  }
  copy_item_ = restored;
  copy_item_alive_ = WeakRefTo(restored);
}

bool QRVResItemUnCollectAction::IsValid(engine::ResItem* copy_item) const {
  if (!copy_item || copy_item != copy_item_) return false;
  return copy_item_alive_.get() == static_cast<base::Object*>(copy_item);
}

}  // namespace qrv
}  // namespace marrow
