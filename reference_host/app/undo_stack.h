// The host's undo stack, modelled on QUndoStack: holds counted undo actions
// with a text each and runs them against one application document. Push runs
// Redo; pushing after an undo drops the redo tail; an undo limit drops the
// oldest actions; a clean mark remembers a saved state. Collected parts that
// an action makes anew keep the ids of the parts they stand for (part_ids.h).
#pragma once

#include <string>
#include <vector>

#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "reference_host/app/part_ids.h"

namespace app {
class AppDocument;
}  // namespace app

namespace reference_host {

class UndoStack {
 public:
  // |document| is not owned and must outlive the stack's use of it.
  explicit UndoStack(app::AppDocument* document);
  UndoStack(const UndoStack&) = delete;
  UndoStack& operator=(const UndoStack&) = delete;
  ~UndoStack();

  // Runs the action's Redo and keeps it; a null action is refused (logged).
  void Push(scoped_refptr<app::UndoAction> action, const std::string& text = std::string());
  // Keeps an action whose first redo the caller already ran (watched, so
  // that |first_run| tells what it did to parts) without running it again.
  void PushApplied(scoped_refptr<app::UndoAction> action, const std::string& text,
                   const PartChanges& first_run);
  void Undo();
  void Redo();
  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ < Count(); }
  // Text of the action Undo / Redo would run, or "".
  std::string UndoText() const;
  std::string RedoText() const;
  std::string Text(int index) const;
  app::UndoAction* Action(int index) const;

  int Count() const { return static_cast<int>(entries_.size()); }
  // Number of actions currently applied; the next Undo runs Action(Index()-1).
  int Index() const { return index_; }

  // 0 means no limit. Setting a limit below Count drops the oldest actions.
  void SetUndoLimit(int limit);
  int UndoLimit() const { return undo_limit_; }

  // Marks the present state as clean (e.g. saved). Undoing or redoing away
  // from it makes the stack dirty; coming back makes it clean again, unless
  // the clean state was dropped (redo tail, limit): then only SetClean helps.
  void SetClean();
  bool IsClean() const { return clean_index_ == index_; }
  int CleanIndex() const { return clean_index_; }

  // Drops every action without running it; the empty stack is clean.
  void Clear();

  app::AppDocument* document() const { return document_; }

 private:
  struct Entry {
    scoped_refptr<app::UndoAction> action;
    std::string text;
    PartIdKeeper parts;
  };

  void Keep(scoped_refptr<app::UndoAction> action, const std::string& text,
            const PartChanges& first_run);
  void ApplyUndoLimit();
  EstimateDocument* engine_document() const;

  app::AppDocument* document_;
  std::vector<Entry> entries_;
  int index_ = 0;
  int clean_index_ = 0;
  int undo_limit_ = 0;
};

}  // namespace reference_host
