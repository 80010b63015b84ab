// An ordered list of counted children owned by one host object, like
// OwnedChildren, except that a removed child leaves a place holder behind:
// added back without a position, it takes its old place again, so undoing a
// removal restores the order exactly. The place holder also keeps the child
// alive for as long as the list lives, which is the host's promise to undo
// actions that hold plain pointers to removed objects.
//
// Removing costs O(1) and adding back O(1); inserting at a position costs
// O(n). Reading by index rebuilds a dense view once after changes.
#pragma once

#include <glog/logging.h>

#include <unordered_map>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

template <class T>
class PlaceKeepingChildren {
 public:
  explicit PlaceKeepingChildren(DocumentObjectImpl* holder) : holder_(holder) {}
  PlaceKeepingChildren(const PlaceKeepingChildren&) = delete;
  PlaceKeepingChildren& operator=(const PlaceKeepingChildren&) = delete;
  ~PlaceKeepingChildren() {
    for (Slot& slot : slots_)
      if (slot.live) slot.child->owner_ = nullptr;
  }

  // Adds |child| right after |after|, which must be listed; with no |after|,
  // at the place |child| left, or else at the end. False (logged) when the
  // child cannot be adopted or |after| is not listed.
  bool InsertAfter(scoped_refptr<T> child, const T* after) {
    if (after && !IsListed(after)) {
      LOG(ERROR) << "cannot add next to an object that is not in the list";
      return false;
    }
    if (!EstimateDocument::CanAdopt(holder_, child.get())) return false;
    auto held = slot_of_.find(child.get());
    if (!after && held != slot_of_.end()) {
      slots_[held->second].live = true;  // the place holder's reference stays
    } else {
      if (held != slot_of_.end()) DropPlaceHolder(held);
      size_t at = after ? slot_of_.at(after) + 1 : slots_.size();
      slots_.insert(slots_.begin() + at, Slot{child, true});
      for (size_t i = at; i < slots_.size(); ++i)
        if (slots_[i].child) slot_of_[slots_[i].child.get()] = i;
    }
    Adopted(child.get());
    return true;
  }

  // Adds |child| before the child now at |index| (-1 or out of range
  // appends), dropping any place holder it left.
  bool Insert(scoped_refptr<T> child, int index = -1) {
    if (index < 0 || index >= size()) {
      if (!EstimateDocument::CanAdopt(holder_, child.get())) return false;
      auto held = slot_of_.find(child.get());
      if (held != slot_of_.end()) DropPlaceHolder(held);
      slots_.push_back(Slot{child, true});
      slot_of_[child.get()] = slots_.size() - 1;
      Adopted(child.get());
      return true;
    }
    // Right after the child before it (or first of all).
    if (index == 0) return InsertFirst(std::move(child));
    return InsertAfter(std::move(child), at(index - 1));
  }

  // The removed child, or null when it is not listed. Its place is kept.
  scoped_refptr<T> Remove(const T* child) {
    auto it = slot_of_.find(child);
    if (it == slot_of_.end() || !slots_[it->second].live) return nullptr;
    Slot& slot = slots_[it->second];
    slot.live = false;
    --live_count_;
    dense_stale_ = true;
    scoped_refptr<T> removed = slot.child;
    DocumentObjectImpl* object = removed.get();
    object->owner_ = nullptr;
    if (holder_->document()) EstimateDocument::Leave(object);
    return removed;
  }

  bool IsListed(const T* child) const {
    auto it = slot_of_.find(child);
    return it != slot_of_.end() && slots_[it->second].live;
  }
  int IndexOf(const T* child) const {
    if (!IsListed(child)) return -1;
    Dense();
    return dense_index_.at(child);
  }
  int size() const { return live_count_; }
  T* at(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    return Dense()[index];
  }
  // The listed children in order.
  const std::vector<T*>& items() const { return Dense(); }
  int place_holder_count() const { return static_cast<int>(slot_of_.size()) - live_count_; }

  // Rebuilds the dense view now and drops slots nothing stands in.
  void Refresh() {
    if (empty_slots_ > 0) {
      std::vector<Slot> kept;
      kept.reserve(slots_.size() - empty_slots_);
      for (Slot& slot : slots_)
        if (slot.child) kept.push_back(std::move(slot));
      slots_.swap(kept);
      empty_slots_ = 0;
      for (size_t i = 0; i < slots_.size(); ++i) slot_of_[slots_[i].child.get()] = i;
    }
    dense_stale_ = true;
    Dense();
  }

  void AppendTo(std::vector<DocumentObjectImpl*>& members) const {
    for (T* child : Dense()) members.push_back(child);
  }

 private:
  struct Slot {
    scoped_refptr<T> child;  // null: an empty slot
    bool live = false;       // false with a child: a place holder
  };

  bool InsertFirst(scoped_refptr<T> child) {
    if (!EstimateDocument::CanAdopt(holder_, child.get())) return false;
    auto held = slot_of_.find(child.get());
    if (held != slot_of_.end()) DropPlaceHolder(held);
    slots_.insert(slots_.begin(), Slot{child, true});
    for (size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i].child) slot_of_[slots_[i].child.get()] = i;
    Adopted(child.get());
    return true;
  }

  void DropPlaceHolder(typename std::unordered_map<const T*, size_t>::iterator held) {
    slots_[held->second].child = nullptr;
    slot_of_.erase(held);
    ++empty_slots_;
  }

  void Adopted(T* child) {
    ++live_count_;
    dense_stale_ = true;
    DocumentObjectImpl* object = child;
    object->owner_ = holder_;
    EstimateDocument::Enter(holder_->document(), object);
    if (empty_slots_ > 64 && empty_slots_ * 2 > slots_.size()) Refresh();
  }

  const std::vector<T*>& Dense() const {
    if (dense_stale_) {
      dense_.clear();
      dense_index_.clear();
      for (const Slot& slot : slots_) {
        if (!slot.live) continue;
        dense_index_[slot.child.get()] = static_cast<int>(dense_.size());
        dense_.push_back(slot.child.get());
      }
      dense_stale_ = false;
    }
    return dense_;
  }

  DocumentObjectImpl* holder_;
  std::vector<Slot> slots_;
  // Every child with a slot: listed ones and place holders.
  std::unordered_map<const T*, size_t> slot_of_;
  int live_count_ = 0;
  size_t empty_slots_ = 0;
  mutable std::vector<T*> dense_;
  mutable std::unordered_map<const T*, int> dense_index_;
  mutable bool dense_stale_ = false;
};

}  // namespace reference_host
