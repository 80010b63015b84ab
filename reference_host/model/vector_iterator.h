// An engine::Iterator over a snapshot of pointers taken when it is made.
#pragma once

#include <utility>
#include <vector>

#include "host/engine/iterator.h"

namespace reference_host {

template <class T>
class VectorIterator : public engine::Iterator<T> {
 public:
  explicit VectorIterator(std::vector<T*> items) : items_(std::move(items)) {}

  void First() override { index_ = 0; }
  void Next() override {
    if (index_ < items_.size()) ++index_;
  }
  bool IsDone() const override { return index_ >= items_.size(); }
  T* Current() const override { return IsDone() ? nullptr : items_[index_]; }

 private:
  std::vector<T*> items_;
  size_t index_ = 0;
};

}  // namespace reference_host
