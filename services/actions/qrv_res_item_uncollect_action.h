// Undoable release of one collected part (one copy item) from its cost
// resource line. Stores ids and the copy's identity; the undo stack owns it.
#pragma once

#include "actions/qrv_res_item_collect_action.h"
#include "host/base/ref_counted.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Redo releases the part; undo collects its quantity of the same budget line
// into the same cost line again, which makes a new copy item. That undo then
// adopts the new copy as the part to release: the copy of that budget line in
// that cost line that was not there before the undo. So redo, undo, redo, ...
// always releases the part the previous undo restored, never another part of
// the same budget line. When an undo restores nothing, the next redo releases
// nothing.
class MARROW_QRV_EXPORT QRVResItemUnCollectAction : public QRVResItemCollectAction {
 public:
  // Records the cost line's id, the copy's identity, its budget line's id and
  // its current quantity (0 when unreadable); changes nothing.
  QRVResItemUnCollectAction(engine::qrv::QRVResItem* cost_item, engine::ResItem* copy_item);

 protected:
  ~QRVResItemUnCollectAction() override;
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;
  // True only for the part this action releases (and only while it lives).
  bool IsValid(engine::ResItem* copy_item) const override;

  // Compared only, never followed.
  engine::ResItem* copy_item_;

 private:
  // Turns null once the part is destroyed, so a later object at the same
  // address is never taken for it.
  base::WeakPtr<base::Object> copy_item_alive_;
};

}  // namespace qrv
}  // namespace marrow
