// A field text stored once for every field in the process that holds it,
// like a spreadsheet's shared strings: the names, units and codes of an
// estimate repeat over thousands of lines. Counted; the last field to let go
// frees it. Immutable, so sharing is never visible to a reader.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace reference_host {

class SharedText {
 public:
  // The stored copy of |text| with one more reference, made when none is.
  static SharedText* Intern(std::string_view text);
  // How many distinct texts are stored now (memory statistics).
  static size_t StoredCount();

  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  // A caller holding a reference may add another without the pool's lock.
  void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release();
  std::string_view view() const { return {data(), size_}; }

 private:
  friend class SharedTextPool;

  SharedText(size_t size, uint32_t hash) : hash_(hash), size_(size) {}
  ~SharedText() = default;
  const char* data() const { return reinterpret_cast<const char*>(this + 1); }
  char* data() { return reinterpret_cast<char*>(this + 1); }

  // Reaches zero only under the pool's lock, so Intern never finds a text
  // that is being freed.
  std::atomic<uint32_t> refs_{1};
  uint32_t hash_;  // in the padding: the pool erases without hashing again
  size_t size_;
};

}  // namespace reference_host
