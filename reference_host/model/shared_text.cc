#include "reference_host/model/shared_text.h"

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "reference_host/model/linear_probing.h"

namespace reference_host {

// Every stored text, in a flat table probed linearly from the slot its hash
// picks. A lookup costs one cache miss for the slot and, when the hashes
// agree, one for the text's bytes; a table of nodes cost two or three, and a
// node more per text in memory. Slots keep the hash, so growing the table
// and erasing never read the texts.
class SharedTextPool {
 public:
  static SharedTextPool& Get() {
    // Never destroyed: objects of static storage may still hold texts.
    static auto* pool = new SharedTextPool;
    return *pool;
  }

  SharedText* Intern(std::string_view text) {
    const auto hash = static_cast<uint32_t>(std::hash<std::string_view>()(text));
    std::lock_guard<std::mutex> lock(mutex_);
    if (SharedText* found = Find(text, hash)) {
      found->AddRef();
      return found;
    }
    // Room first, so that a failed allocation leaves the pool as it was.
    Reserve(size_ + 1);
    void* memory = ::operator new(sizeof(SharedText) + text.size());
    auto* stored = new (memory) SharedText(text.size(), hash);
    if (!text.empty()) std::memcpy(stored->data(), text.data(), text.size());
    Place(Slot{stored, hash});
    ++size_;
    return stored;
  }

  void Release(SharedText* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text->refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    Erase(text);
    text->~SharedText();
    ::operator delete(text);
  }

  size_t size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return size_;
  }

 private:
  struct Slot {
    SharedText* text;  // null: free
    uint32_t hash;
  };

  SharedText* Find(std::string_view text, uint32_t hash) const {
    if (size_ == 0) return nullptr;
    const size_t mask = capacity_ - 1;
    for (size_t i = hash & mask; slots_[i].text; i = (i + 1) & mask)
      if (slots_[i].hash == hash && slots_[i].text->view() == text) return slots_[i].text;
    return nullptr;
  }

  // Puts |slot| in the first free slot of its run; the table has room.
  void Place(Slot slot) {
    const size_t mask = capacity_ - 1;
    size_t i = slot.hash & mask;
    while (slots_[i].text) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  void Erase(const SharedText* text) {
    const size_t mask = capacity_ - 1;
    size_t hole = text->hash_ & mask;
    for (; slots_[hole].text != text; hole = (hole + 1) & mask)
      if (!slots_[hole].text) return;
    hole = CloseProbeHole(
        slots_.get(), hole, mask, [](const Slot& slot) { return !slot.text; },
        [](const Slot& slot) { return slot.hash; });
    slots_[hole].text = nullptr;
    --size_;
  }

  // Keeps the table at most 5/8 full.
  void Reserve(size_t count) {
    if (count * 8 <= capacity_ * 5) return;
    size_t capacity = capacity_ ? capacity_ * 2 : 1024;
    while (count * 8 > capacity * 5) capacity *= 2;
    std::unique_ptr<Slot[]> old = std::exchange(slots_, std::make_unique<Slot[]>(capacity));
    const size_t old_capacity = std::exchange(capacity_, capacity);
    for (size_t i = 0; i < old_capacity; ++i)
      if (old[i].text) Place(old[i]);
  }

  std::mutex mutex_;
  std::unique_ptr<Slot[]> slots_;
  size_t capacity_ = 0;  // zero or a power of two
  size_t size_ = 0;
};

SharedText* SharedText::Intern(std::string_view text) { return SharedTextPool::Get().Intern(text); }

size_t SharedText::StoredCount() { return SharedTextPool::Get().size(); }

void SharedText::Release() {
  // Above one, no other release can take the count to zero meanwhile.
  uint32_t refs = refs_.load(std::memory_order_relaxed);
  while (refs > 1) {
    if (refs_.compare_exchange_weak(refs, refs - 1, std::memory_order_acq_rel)) return;
  }
  SharedTextPool::Get().Release(this);
}

}  // namespace reference_host
