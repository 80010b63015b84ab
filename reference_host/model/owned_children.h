// An ordered list of counted children owned by one host object. Adding a child
// sets its owner and enters it (with everything below it) into the holder's
// document; removing reverses both. A child must be free (no owner) to be
// added; an id clash in the document refuses the add with a log line.
#pragma once

#include <algorithm>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

template <class T>
class OwnedChildren {
 public:
  explicit OwnedChildren(DocumentObjectImpl* holder) : holder_(holder) {}
  OwnedChildren(const OwnedChildren&) = delete;
  OwnedChildren& operator=(const OwnedChildren&) = delete;
  ~OwnedChildren() {
    for (auto& child : children_) child->owner_ = nullptr;
  }

  // |index| -1 (or out of range) appends.
  bool Insert(scoped_refptr<T> child, int index = -1) {
    DocumentObjectImpl* object = child.get();
    if (!EstimateDocument::CanAdopt(holder_, object)) return false;
    if (index < 0 || index > size()) index = size();
    children_.insert(children_.begin() + index, child);
    object->owner_ = holder_;
    EstimateDocument::Enter(holder_->document(), object);
    return true;
  }

  // The removed child, or null when it is not listed here.
  scoped_refptr<T> Remove(const T* child) {
    int index = IndexOf(child);
    if (index < 0) return nullptr;
    scoped_refptr<T> removed = children_[index];
    children_.erase(children_.begin() + index);
    DocumentObjectImpl* object = removed.get();
    object->owner_ = nullptr;
    if (holder_->document()) EstimateDocument::Leave(object);
    return removed;
  }

  // For a list made before its holder: only while it holds nothing.
  void set_holder(DocumentObjectImpl* holder) {
    if (children_.empty()) holder_ = holder;
  }

  int IndexOf(const T* child) const {
    for (int i = 0; i < size(); ++i)
      if (children_[i].get() == child) return i;
    return -1;
  }

  int size() const { return static_cast<int>(children_.size()); }
  T* at(int index) const { return index >= 0 && index < size() ? children_[index].get() : nullptr; }
  const std::vector<scoped_refptr<T>>& items() const { return children_; }

  void AppendTo(std::vector<DocumentObjectImpl*>& members) const {
    for (const auto& child : children_) members.push_back(child.get());
  }

 private:
  DocumentObjectImpl* holder_;
  std::vector<scoped_refptr<T>> children_;
};

}  // namespace reference_host
