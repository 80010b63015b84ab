// Where each child of a long OwnedChildren list stands: a flat table from a
// child's address to its slot in the list, probed linearly. A node-based map
// cost a node per child, and two or three cache misses per removal once a
// table of rows outgrew the caches; here a lookup or removal touches one run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace reference_host {

class SlotIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // Room for |expected| keys before the first growth.
  explicit SlotIndex(size_t expected = 0);

  // Puts |key| at |slot|, whether it was indexed or not. |key| is not null.
  void Set(const void* key, uint32_t slot);
  // The slot of |key|, or kNone.
  uint32_t Find(const void* key) const;
  // Forgets |key|; nothing when it is not indexed.
  void Erase(const void* key);
  size_t size() const { return size_; }

 private:
  struct Entry {
    const void* key;  // null: free
    uint32_t slot;
  };

  static size_t Hash(const void* key);
  // The entry holding |key|, or the free entry that ends its probe run.
  size_t Locate(const void* key) const;
  void Rehash(size_t capacity);

  std::vector<Entry> entries_;
  size_t mask_ = 0;
  size_t size_ = 0;
};

}  // namespace reference_host
