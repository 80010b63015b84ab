// An ordered list of counted children owned by one host object. Adding a child
// sets its owner and enters it (with everything below it) into the holder's
// document; removing reverses both. A child must be free (no owner) to be
// added; an id clash in the document refuses the add with a log line.
//
// Appending and removing cost O(1) (removal leaves a hole, closed on the
// next read by index past it); inserting at a position costs O(n). Lists of
// 32 children or more find a child through an index of slots, made then: a
// document has one list per bill item and line list, so the bookkeeping of
// a short list is kept to a few words.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/estimate_document.h"
#include "reference_host/model/slot_index.h"

namespace reference_host {

template <class T>
class OwnedChildren {
 public:
  explicit OwnedChildren(DocumentObjectImpl* holder) : holder_(holder) {}
  OwnedChildren(const OwnedChildren&) = delete;
  OwnedChildren& operator=(const OwnedChildren&) = delete;
  ~OwnedChildren() {
    for (auto& child : children_)
      if (child) child->owner_ = nullptr;
  }

  // |index| -1 (or out of range) appends.
  bool Insert(scoped_refptr<T> child, int index = -1) {
    DocumentObjectImpl* object = child.get();
    if (!EstimateDocument::CanAdopt(holder_, object)) return false;
    if (index < 0 || index >= size()) {
      if (slot_of_) slot_of_->Set(child.get(), static_cast<uint32_t>(children_.size()));
      children_.push_back(child);
    } else {
      Compact();
      children_.insert(children_.begin() + index, child);
      if (slot_of_)
        for (size_t i = index; i < children_.size(); ++i)
          slot_of_->Set(children_[i].get(), static_cast<uint32_t>(i));
    }
    object->owner_ = holder_;
    EstimateDocument::Enter(holder_->document(), object);
    return true;
  }

  // The removed child, or null when it is not listed here. Leaves a hole
  // that the next read by index closes, so that taking many children out
  // one by one stays linear.
  scoped_refptr<T> Remove(const T* child) {
    const size_t slot = SlotOf(child);
    if (slot == kNone) return nullptr;
    scoped_refptr<T> removed = std::move(children_[slot]);
    children_[slot] = nullptr;
    if (slot_of_) slot_of_->Erase(child);
    if (holes_ == 0 || slot < first_hole_) first_hole_ = static_cast<uint32_t>(slot);
    if (holes_ == 0 || slot > last_hole_) last_hole_ = static_cast<uint32_t>(slot);
    ++holes_;
    if (holes_ > kIndexFrom && holes_ * 2 > children_.size()) Compact();
    DocumentObjectImpl* object = removed.get();
    object->owner_ = nullptr;
    if (holder_->document()) EstimateDocument::Leave(object);
    return removed;
  }

  // For a list made before its holder: only while it holds nothing.
  void set_holder(DocumentObjectImpl* holder) {
    if (size() == 0) holder_ = holder;
  }

  int IndexOf(const T* child) const {
    const size_t slot = SlotOf(child);
    if (slot == kNone) return -1;
    // Holes all on one side of the slot need no closing.
    if (holes_ == 0 || slot < first_hole_) return static_cast<int>(slot);
    if (slot > last_hole_) return static_cast<int>(slot - holes_);
    Compact();
    return static_cast<int>(SlotOf(child));
  }

  int size() const { return static_cast<int>(children_.size() - holes_); }
  T* at(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    const size_t wanted = static_cast<size_t>(index);
    if (holes_ == 0 || wanted < first_hole_) return children_[wanted].get();
    // One run of holes (children taken from the front, say): skip it.
    if (last_hole_ - first_hole_ + 1 == holes_) return children_[wanted + holes_].get();
    Compact();
    return children_[wanted].get();
  }
  const std::vector<scoped_refptr<T>>& items() const {
    Compact();
    return children_;
  }

  void AppendTo(std::vector<DocumentObjectImpl*>& members) const {
    for (const auto& child : children_)
      if (child) members.push_back(child.get());
  }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // Short lists (most of them: a bill's lines, an account's children) are
  // searched; longer ones get an index of slots on first search.
  static constexpr size_t kIndexFrom = 32;

  size_t SlotOf(const T* child) const {
    if (!child) return kNone;
    if (!slot_of_ && children_.size() >= kIndexFrom) {
      slot_of_ = std::make_unique<SlotIndex>(children_.size());
      for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i]) slot_of_->Set(children_[i].get(), static_cast<uint32_t>(i));
    }
    if (slot_of_) {
      const uint32_t slot = slot_of_->Find(child);
      return slot == SlotIndex::kNone ? kNone : slot;
    }
    for (size_t i = 0; i < children_.size(); ++i)
      if (children_[i].get() == child) return i;
    return kNone;
  }

  // Closes the holes, keeping the order.
  void Compact() const {
    if (holes_ == 0) return;
    size_t kept = 0;
    for (size_t i = 0; i < children_.size(); ++i) {
      if (!children_[i]) continue;
      if (kept != i) children_[kept] = std::move(children_[i]);
      if (slot_of_) slot_of_->Set(children_[kept].get(), static_cast<uint32_t>(kept));
      ++kept;
    }
    children_.resize(kept);
    holes_ = 0;
  }

  DocumentObjectImpl* holder_;
  // Null entries are holes left by removals; |holes_| counts them and
  // [first_hole_, last_hole_] spans them.
  mutable std::vector<scoped_refptr<T>> children_;
  mutable uint32_t holes_ = 0;
  mutable uint32_t first_hole_ = 0;
  mutable uint32_t last_hole_ = 0;
  // Child -> slot, made once the list has kIndexFrom slots.
  mutable std::unique_ptr<SlotIndex> slot_of_;
};

}  // namespace reference_host
