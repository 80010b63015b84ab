// Thread-safe intrusive reference counting and weak pointers for host objects.
// base::Object is the root of every counted host object; scoped_refptr<T>
// holds one reference. An object deletes itself when its last reference goes.
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

#include "host/host_api.h"

namespace base {

template <class T>
class RefCountedThreadSafe {
 public:
  void AddRef() const { ref_count_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const {
    if (ref_count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete static_cast<const T*>(this);
  }
  bool HasOneRef() const { return ref_count_.load(std::memory_order_acquire) == 1; }
  int RefCountForTesting() const { return ref_count_.load(std::memory_order_acquire); }

 protected:
  RefCountedThreadSafe() = default;
  ~RefCountedThreadSafe() = default;
  RefCountedThreadSafe(const RefCountedThreadSafe&) = delete;
  RefCountedThreadSafe& operator=(const RefCountedThreadSafe&) = delete;

 private:
  mutable std::atomic<int> ref_count_{0};
};

// The validity flag a weak pointer shares with its object: counted, so it
// outlives whichever of them goes last. Thread-safe.
class WeakFlag {
 public:
  WeakFlag() = default;
  WeakFlag(const WeakFlag&) = delete;
  WeakFlag& operator=(const WeakFlag&) = delete;

  void AddRef() const { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  bool IsValid() const { return alive_.load(std::memory_order_acquire); }
  void Invalidate() { alive_.store(false, std::memory_order_release); }

 private:
  ~WeakFlag() = default;

  mutable std::atomic<int> refs_{0};
  std::atomic<bool> alive_{true};
};

// A weak pointer turns null once its object is destroyed. Only the owning
// thread may dereference it; the validity flag itself is thread-safe.
template <class T>
class WeakPtr {
 public:
  WeakPtr() = default;
  WeakPtr(T* ptr, WeakFlag* flag) : ptr_(ptr), flag_(flag) {
    if (flag_) flag_->AddRef();
  }
  WeakPtr(const WeakPtr& other) : WeakPtr(other.ptr_, other.flag_) {}
  WeakPtr(WeakPtr&& other) noexcept : ptr_(other.ptr_), flag_(other.flag_) {
    other.ptr_ = nullptr;
    other.flag_ = nullptr;
  }
  WeakPtr& operator=(WeakPtr other) noexcept {
    std::swap(ptr_, other.ptr_);
    std::swap(flag_, other.flag_);
    return *this;
  }
  ~WeakPtr() {
    if (flag_) flag_->Release();
  }

  T* get() const { return flag_ && flag_->IsValid() ? ptr_ : nullptr; }
  explicit operator bool() const { return get() != nullptr; }
  T* operator->() const { return get(); }

 private:
  T* ptr_ = nullptr;
  WeakFlag* flag_ = nullptr;
};

template <class T>
class SupportsWeakPtr {
 public:
  // The validity flag is made on the first call (on the owning thread):
  // most objects never hand out a weak pointer, and a document holds
  // millions of objects.
  WeakPtr<T> AsWeakPtr() {
    if (!flag_) {
      flag_ = new WeakFlag;
      flag_->AddRef();
    }
    return WeakPtr<T>(static_cast<T*>(this), flag_);
  }

 protected:
  SupportsWeakPtr() = default;
  SupportsWeakPtr(const SupportsWeakPtr&) = delete;
  SupportsWeakPtr& operator=(const SupportsWeakPtr&) = delete;
  ~SupportsWeakPtr() {
    if (!flag_) return;
    flag_->Invalidate();
    flag_->Release();
  }

 private:
  WeakFlag* flag_ = nullptr;
};

class MARROW_HOST_API Object : public RefCountedThreadSafe<Object>, public SupportsWeakPtr<Object> {
 protected:
  Object() = default;
  virtual ~Object() = default;

 private:
  friend class RefCountedThreadSafe<Object>;
};

}  // namespace base

// Holds one counted reference to T (any type with AddRef/Release).
template <class T>
class scoped_refptr {
 public:
  scoped_refptr() = default;
  scoped_refptr(std::nullptr_t) {}
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_) ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& o) : scoped_refptr(o.ptr_) {}
  template <class U>
  scoped_refptr(const scoped_refptr<U>& o) : scoped_refptr(o.get()) {}
  scoped_refptr(scoped_refptr&& o) noexcept : ptr_(o.ptr_) { o.ptr_ = nullptr; }
  ~scoped_refptr() {
    if (ptr_) ptr_->Release();
  }
  scoped_refptr& operator=(scoped_refptr o) noexcept {
    std::swap(ptr_, o.ptr_);
    return *this;
  }
  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  void reset() { scoped_refptr().swap(*this); }
  void swap(scoped_refptr& o) noexcept { std::swap(ptr_, o.ptr_); }
  bool operator==(const scoped_refptr& o) const { return ptr_ == o.ptr_; }
  bool operator!=(const scoped_refptr& o) const { return ptr_ != o.ptr_; }

 private:
  T* ptr_ = nullptr;
};

template <class T>
scoped_refptr<T> make_scoped_refptr(T* p) {
  return scoped_refptr<T>(p);
}
