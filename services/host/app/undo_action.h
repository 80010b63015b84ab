// The undo framework's action. Actions are counted objects: the undo stack
// holds a reference and runs Redo and Undo in turn against the active document.
#pragma once

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace app {

class AppDocument;

class MARROW_HOST_API UndoAction : public base::Object {
 public:
  // Entry points for the undo stack.
  void Redo(AppDocument* document) { InternalRedo(document); }
  void Undo(AppDocument* document) { InternalUndo(document); }

 protected:
  UndoAction() = default;
  ~UndoAction() override = default;
  virtual void InternalUndo(AppDocument* document) = 0;
  virtual void InternalRedo(AppDocument* document) = 0;
};

}  // namespace app
