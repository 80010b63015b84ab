#include "actions/qrv_res_item_collect_modify_quantity_action.h"

#include "actions/internal/collect_action_util.h"
#include "funcs/qrv_collect_ys_to_cb.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"

namespace marrow {
namespace qrv {

QRVResItemCollectModifyQuantityAction::QRVResItemCollectModifyQuantityAction(
    engine::qrv::QRVResItem* cost_item, engine::ResItem* copy_item, double new_quantity)
    : cost_item_id_(cost_item ? cost_item->GetId() : std::string()),
      copy_item_id_(copy_item ? copy_item->GetId() : std::string()),
      new_quantity_(new_quantity),
      previous_quantity_(0.0) {}

QRVResItemCollectModifyQuantityAction::~QRVResItemCollectModifyQuantityAction() = default;

void QRVResItemCollectModifyQuantityAction::InternalRedo(app::AppDocument* document) {
  engine::qrv::QRVResItem* cost_item = nullptr;
  engine::ResItem* copy_item = nullptr;
  if (!internal::FindCollectItems(document, cost_item_id_, copy_item_id_, &cost_item, &copy_item))
    return;
  YsRCJCollectWithCB().ModifyResItemCollectQuantity(cost_item, copy_item, new_quantity_,
                                                    previous_quantity_);
}

void QRVResItemCollectModifyQuantityAction::InternalUndo(app::AppDocument* document) {
  engine::qrv::QRVResItem* cost_item = nullptr;
  engine::ResItem* copy_item = nullptr;
  if (!internal::FindCollectItems(document, cost_item_id_, copy_item_id_, &cost_item, &copy_item))
    return;
  double scratch = 0.0;
  YsRCJCollectWithCB().ModifyResItemCollectQuantity(cost_item, copy_item, previous_quantity_,
                                                    scratch);
}

}  // namespace qrv
}  // namespace marrow
