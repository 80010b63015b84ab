#include "reference_host/app/undo_stack.h"

#include <glog/logging.h>

#include <utility>

#include "host/app/app_document.h"

namespace reference_host {

UndoStack::UndoStack(app::AppDocument* document) : document_(document) {}

UndoStack::~UndoStack() = default;

void UndoStack::Push(scoped_refptr<app::UndoAction> action, const std::string& text) {
  if (!action) {
    LOG(ERROR) << "undo stack refused a null action";
    return;
  }
  PartWatch watch(document_);
  action->Redo(document_);
  Keep(std::move(action), text, watch.Take());
}

void UndoStack::PushApplied(scoped_refptr<app::UndoAction> action, const std::string& text,
                            const PartChanges& first_run) {
  if (!action) {
    LOG(ERROR) << "undo stack refused a null action";
    return;
  }
  Keep(std::move(action), text, first_run);
}

void UndoStack::Keep(scoped_refptr<app::UndoAction> action, const std::string& text,
                     const PartChanges& first_run) {
  entries_.erase(entries_.begin() + index_, entries_.end());
  if (clean_index_ > index_) clean_index_ = -1;  // the clean state was in the dropped tail
  entries_.push_back({std::move(action), text, PartIdKeeper()});
  entries_.back().parts.AfterRedo(engine_document(), first_run);
  ++index_;
  ApplyUndoLimit();
}

void UndoStack::Undo() {
  if (!CanUndo()) return;
  --index_;
  // Keep the action alive even if it clears the stack from inside.
  scoped_refptr<app::UndoAction> action = entries_[index_].action;
  const int index = index_;
  PartWatch watch(document_);
  action->Undo(document_);
  PartChanges changes = watch.Take();
  if (index < Count() && entries_[index].action == action)
    entries_[index].parts.AfterUndo(engine_document(), changes);
}

void UndoStack::Redo() {
  if (!CanRedo()) return;
  scoped_refptr<app::UndoAction> action = entries_[index_].action;
  const int index = index_;
  ++index_;
  PartWatch watch(document_);
  action->Redo(document_);
  PartChanges changes = watch.Take();
  if (index < Count() && entries_[index].action == action)
    entries_[index].parts.AfterRedo(engine_document(), changes);
}

EstimateDocument* UndoStack::engine_document() const {
  return document_ ? dynamic_cast<EstimateDocument*>(document_->GetEngineDocument()) : nullptr;
}

std::string UndoStack::UndoText() const { return CanUndo() ? entries_[index_ - 1].text : ""; }

std::string UndoStack::RedoText() const { return CanRedo() ? entries_[index_].text : ""; }

std::string UndoStack::Text(int index) const {
  return index >= 0 && index < Count() ? entries_[index].text : "";
}

app::UndoAction* UndoStack::Action(int index) const {
  return index >= 0 && index < Count() ? entries_[index].action.get() : nullptr;
}

void UndoStack::SetUndoLimit(int limit) {
  undo_limit_ = limit < 0 ? 0 : limit;
  ApplyUndoLimit();
}

void UndoStack::ApplyUndoLimit() {
  if (undo_limit_ <= 0 || Count() <= undo_limit_) return;
  // Only applied actions may go; a redo tail longer than the limit stays.
  int drop = std::min(Count() - undo_limit_, index_);
  if (drop <= 0) return;
  entries_.erase(entries_.begin(), entries_.begin() + drop);
  index_ -= drop;
  if (clean_index_ != -1) clean_index_ = clean_index_ < drop ? -1 : clean_index_ - drop;
}

void UndoStack::SetClean() { clean_index_ = index_; }

void UndoStack::Clear() {
  entries_.clear();
  index_ = 0;
  clean_index_ = 0;
}

}  // namespace reference_host
