#include "actions/base_res_item_merge_changed_action.h"

#include "host/app/qrv/qrv_document.h"
#include "host/engine/base_res_item.h"

namespace marrow {
namespace qrv {

BaseResItemMergeChangedAction::BaseResItemMergeChangedAction(engine::BaseResItem* item)
    : item_(item) {}

BaseResItemMergeChangedAction::~BaseResItemMergeChangedAction() = default;

void BaseResItemMergeChangedAction::InternalRedo(app::AppDocument* document) { Notify(document); }

void BaseResItemMergeChangedAction::InternalUndo(app::AppDocument* document) { Notify(document); }

void BaseResItemMergeChangedAction::Notify(app::AppDocument* document) const {
  auto* product = dynamic_cast<app::qrv::QRVDocumnet*>(document);
  if (item_ && product) product->NotifyBaseResItemMergeChanged(item_->GetId());
}

}  // namespace qrv
}  // namespace marrow
