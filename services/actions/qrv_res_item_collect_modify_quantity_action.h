// Undoable change of the quantity of one collected part (one copy item).
// Stores ids and quantities; the undo stack owns the action by reference.
#pragma once

#include <string>

#include "host/app/undo_action.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Redo sets the new quantity and remembers the quantity from before; undo
// sets that one back. Each run finds both lines again by id; a missing id,
// document or line makes the run do nothing. No document notification.
class MARROW_QRV_EXPORT QRVResItemCollectModifyQuantityAction : public app::UndoAction {
 public:
  // Records the ids (an empty id for a null pointer) and the new quantity.
  QRVResItemCollectModifyQuantityAction(engine::qrv::QRVResItem* cost_item,
                                        engine::ResItem* copy_item, double new_quantity);
  QRVResItemCollectModifyQuantityAction(const QRVResItemCollectModifyQuantityAction&) = delete;
  QRVResItemCollectModifyQuantityAction& operator=(const QRVResItemCollectModifyQuantityAction&) =
      delete;

 protected:
  ~QRVResItemCollectModifyQuantityAction() override;
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

  std::string cost_item_id_;
  std::string copy_item_id_;
  double new_quantity_;
  // Written by each successful redo; 0 until the first.
  double previous_quantity_;
};

}  // namespace qrv
}  // namespace marrow
