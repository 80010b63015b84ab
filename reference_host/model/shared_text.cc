#include "reference_host/model/shared_text.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace reference_host {

// Every stored text, keyed by a view of its own bytes.
class SharedTextPool {
 public:
  static SharedTextPool& Get() {
    // Never destroyed: objects of static storage may still hold texts.
    static auto* pool = new SharedTextPool;
    return *pool;
  }

  SharedText* Intern(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = texts_.find(text);
    if (it != texts_.end()) {
      it->second->AddRef();
      return it->second;
    }
    void* memory = ::operator new(sizeof(SharedText) + text.size());
    auto* stored = new (memory) SharedText(text.size());
    if (!text.empty()) std::memcpy(stored->data(), text.data(), text.size());
    texts_.emplace(stored->view(), stored);
    return stored;
  }

  void Release(SharedText* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text->refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    texts_.erase(text->view());
    text->~SharedText();
    ::operator delete(text);
  }

  size_t size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_.size();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string_view, SharedText*> texts_;
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
