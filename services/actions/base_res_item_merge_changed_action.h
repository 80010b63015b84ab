// Undoable report that a base resource entry's merge state changed: redo and
// undo alike tell the product document. Holds a plain pointer to the entry.
#pragma once

#include "host/app/undo_action.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Both runs call NotifyBaseResItemMergeChanged with the entry's id when the
// document is the product document; with no entry, or a document of another
// kind, they do nothing. Nothing is logged.
class MARROW_QRV_EXPORT BaseResItemMergeChangedAction : public app::UndoAction {
 public:
  explicit BaseResItemMergeChangedAction(engine::BaseResItem* item);

 protected:
  ~BaseResItemMergeChangedAction() override;
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

 private:
  void Notify(app::AppDocument* document) const;

  engine::BaseResItem* item_;
};

}  // namespace qrv
}  // namespace marrow
