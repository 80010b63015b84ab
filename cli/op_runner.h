// Runs checked operations on one document through the library, keeping the
// undoable ones on the host's undo stack.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/op_script.h"
#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "reference_host/app/app_document_impl.h"
#include "reference_host/app/undo_stack.h"

namespace cli {

struct OpOutcome {
  // The document changed (undo and redo: an action ran).
  bool applied = false;
  // What happened or why nothing did, when the program can tell.
  std::string note;
  // The library's warning and error lines during the op.
  std::vector<std::string> messages;
  // What the document was told while the op ran.
  std::vector<reference_host::CollectNotification> notifications;
};

class OpRunner {
 public:
  explicit OpRunner(reference_host::AppDocumentImpl* document);
  OpRunner(const OpRunner&) = delete;
  OpRunner& operator=(const OpRunner&) = delete;

  // Runs |op| (checked by ReadOps) with the library's log lines captured.
  // Whether it changed anything is judged by the saved form of the objects
  // it can touch (ObjectsOf), since the library's actions do not report
  // their result. |out| takes what "show" prints.
  OpOutcome Run(const Op& op, std::ostream& out);
  // Ids of the objects |op| would change if run now (for undo and redo,
  // those of the step concerned); empty when it names none.
  std::vector<std::string> ObjectsOf(const Op& op) const;

  reference_host::UndoStack& stack() { return stack_; }

 private:
  struct Step {
    std::string note;         // why nothing could be done, or what was done
    bool ran_anyway = false;  // undo, redo, show: done even if nothing changed
    // Library actions that ran once; kept as one undo step if the document changed.
    std::vector<scoped_refptr<app::UndoAction>> actions;
    // What that run did to collected parts, for the stack to keep their ids.
    reference_host::PartChanges parts;
    // Set when the op can tell by itself (repoint counts its rewrites).
    std::optional<bool> changed;
  };
  Step Execute(const Op& op, std::ostream& out);
  // Runs |actions| once, in order.
  void RunOnce(Step& step, std::vector<scoped_refptr<app::UndoAction>> actions);
  // How many references it rewrote.
  int Repoint(const Op& op);

  reference_host::AppDocumentImpl* document_;
  reference_host::UndoStack stack_;
};

}  // namespace cli
