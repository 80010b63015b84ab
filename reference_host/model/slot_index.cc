#include "reference_host/model/slot_index.h"

#include "reference_host/model/linear_probing.h"

namespace reference_host {

namespace {

// At most 5/8 full, as the id index: runs stay short.
size_t CapacityFor(size_t keys) {
  size_t capacity = 16;
  while (capacity * 5 < keys * 8) capacity *= 2;
  return capacity;
}

}  // namespace

SlotIndex::SlotIndex(size_t expected) { Rehash(CapacityFor(expected + 1)); }

size_t SlotIndex::Hash(const void* key) {
  // Children are objects of a hundred bytes and more, mostly allocated in
  // the order they were listed, and are looked up in about that order: the
  // address over 16 keeps neighbours in neighbouring slots, so a pass over a
  // long list reads the table as a stream. The higher bits folded in keep
  // regions a table's span apart from landing on the same slots.
  const uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key));
  return static_cast<size_t>((x >> 4) ^ (x >> 24));
}

size_t SlotIndex::Locate(const void* key) const {
  size_t at = Hash(key) & mask_;
  while (entries_[at].key && entries_[at].key != key) at = (at + 1) & mask_;
  return at;
}

void SlotIndex::Set(const void* key, uint32_t slot) {
  size_t at = Locate(key);
  if (!entries_[at].key) {
    if ((size_ + 1) * 8 > entries_.size() * 5) {
      Rehash(entries_.size() * 2);
      at = Locate(key);
    }
    entries_[at].key = key;
    ++size_;
  }
  entries_[at].slot = slot;
}

uint32_t SlotIndex::Find(const void* key) const {
  const Entry& entry = entries_[Locate(key)];
  return entry.key ? entry.slot : kNone;
}

void SlotIndex::Erase(const void* key) {
  const size_t at = Locate(key);
  if (!entries_[at].key) return;
  const size_t free = CloseProbeHole(
      entries_.data(), at, mask_, [](const Entry& entry) { return entry.key == nullptr; },
      [](const Entry& entry) { return Hash(entry.key); });
  entries_[free].key = nullptr;
  --size_;
}

void SlotIndex::Rehash(size_t capacity) {
  std::vector<Entry> old(capacity, Entry{nullptr, 0});
  old.swap(entries_);
  mask_ = capacity - 1;
  for (const Entry& entry : old) {
    if (!entry.key) continue;
    size_t at = Hash(entry.key) & mask_;
    while (entries_[at].key) at = (at + 1) & mask_;
    entries_[at] = entry;
  }
}

}  // namespace reference_host
