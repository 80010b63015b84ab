// Undoable copy of every field of one base resource entry onto another. Owns
// a detached backup entry made when the action is built; target and source
// are the host's, kept alive by it while the action can run.
#pragma once

#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The backup copies the target as it is when the action is built. Redo writes
// every field of the source into the target, in key order; undo writes every
// field of the backup back. Undo only overwrites: a field the target lacked
// and received from the source keeps the copied value. With a target, source
// or backup missing, redo and undo do nothing. Nothing is logged.
class MARROW_QRV_EXPORT BaseResItemCopyFromAction : public app::UndoAction {
 public:
  BaseResItemCopyFromAction(engine::BaseResItem* target, engine::BaseResItem* source);

 protected:
  ~BaseResItemCopyFromAction() override;
  // Neither uses |document|.
  void InternalUndo(app::AppDocument* document) override;
  void InternalRedo(app::AppDocument* document) override;

 private:
  scoped_refptr<engine::BaseResItem> backup_;
  engine::BaseResItem* target_;
  engine::BaseResItem* source_;
};

}  // namespace qrv
}  // namespace marrow
