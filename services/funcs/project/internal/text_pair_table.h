// A table from a pair of texts (a code and a name, a code and a calculation
// base) to a value, for the merges' match tables. Flat: the keys' bytes lie
// in one buffer, the entries in one array, and the slots hold entry numbers,
// so filling it grows three arrays instead of allocating a node, a bucket
// and strings per key, and a lookup reads a slot, an entry and the key's
// bytes. At hundreds of thousands of keys that is a cache miss or two per
// lookup fewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marrow {
namespace qrv {
namespace internal {

template <class Value>
class TextPairTable {
 public:
  explicit TextPairTable(std::size_t expected = 0) {
    entries_.reserve(expected);
    Grow(expected + 1);
  }

  // The value kept for (first, second), or null.
  const Value* Find(std::string_view first, std::string_view second) const {
    const std::uint64_t hash = Hash(first, second);
    const std::size_t slot = SlotOf(hash, first, second);
    return slots_[slot] ? &entries_[slots_[slot] - 1].value : nullptr;
  }

  // The value kept for (first, second); |initial| when the pair is new.
  Value& FindOrAdd(std::string_view first, std::string_view second, const Value& initial) {
    const std::uint64_t hash = Hash(first, second);
    std::size_t slot = SlotOf(hash, first, second);
    if (slots_[slot]) return entries_[slots_[slot] - 1].value;
    if ((entries_.size() + 1) * 8 > slots_.size() * 5) {
      Grow(entries_.size() + 1);
      slot = SlotOf(hash, first, second);
    }
    entries_.push_back(Entry{hash, texts_.size(), first.size(), second.size(), initial});
    texts_.append(first).append(second);
    slots_[slot] = static_cast<std::uint32_t>(entries_.size());
    return entries_.back().value;
  }

 private:
  struct Entry {
    std::uint64_t hash;
    std::size_t offset;  // of the first text in texts_, the second right after
    std::size_t first_size;
    std::size_t second_size;
    Value value;
  };

  static std::uint64_t Hash(std::string_view first, std::string_view second) {
    const std::uint64_t a = std::hash<std::string_view>()(first);
    // Boost's combine: order matters, so ("a", "b") and ("b", "a") differ.
    return a ^
           (std::hash<std::string_view>()(second) + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
  }

  // The slot holding the pair, or the free slot where it would go.
  std::size_t SlotOf(std::uint64_t hash, std::string_view first, std::string_view second) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (!slots_[i]) return i;
      const Entry& entry = entries_[slots_[i] - 1];
      if (entry.hash == hash && entry.first_size == first.size() &&
          entry.second_size == second.size() &&
          std::string_view(texts_).substr(entry.offset, first.size()) == first &&
          std::string_view(texts_).substr(entry.offset + first.size(), second.size()) == second)
        return i;
    }
  }

  // Room for |count| entries with the slots at most 5/8 full.
  void Grow(std::size_t count) {
    std::size_t capacity = 16;
    while (count * 8 > capacity * 5) capacity *= 2;
    if (capacity <= slots_.size()) return;
    slots_.assign(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
      std::size_t i = entries_[e].hash & mask;
      while (slots_[i]) i = (i + 1) & mask;
      slots_[i] = static_cast<std::uint32_t>(e + 1);
    }
  }

  std::string texts_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry number + 1; 0 is free
};

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
