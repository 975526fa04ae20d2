// ge_support.h — generic support of the call-frame classes: shared immutable
// values by reference count, ordering from one Compare, and the exception that
// reports a fault valid input cannot cause (class and operation named).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// Base of values shared by several owners: the last owner to let go deletes it.
class GeRcObjectShare {
 public:
  GeRcObjectShare() = default;
  GeRcObjectShare(const GeRcObjectShare&) = delete;
  GeRcObjectShare& operator=(const GeRcObjectShare&) = delete;
  virtual ~GeRcObjectShare() = default;

  void AddRef() const { ++count_; }
  void Release() const {
    if (--count_ == 0) delete this;
  }
  uint32_t RefCount() const { return count_; }

 private:
  mutable uint32_t count_ = 0;
};

// An owning reference to a GeRcObjectShare.
template <class T>
class GeRcRef {
 public:
  GeRcRef() = default;
  explicit GeRcRef(T* p) : p_(p) {
    if (p_ != nullptr) p_->AddRef();
  }
  GeRcRef(const GeRcRef& o) : GeRcRef(o.p_) {}
  GeRcRef(GeRcRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  GeRcRef(const GeRcRef<U>& o) : GeRcRef(o.Get()) {}
  GeRcRef& operator=(GeRcRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~GeRcRef() {
    if (p_ != nullptr) p_->Release();
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
GeRcRef<T> GeMakeRc(Args&&... args) {
  return GeRcRef<T>(new T(std::forward<Args>(args)...));
}

// Comparison operators of T from T::Compare(const T&) (negative, 0, positive).
template <class T>
class GeSupportsOrdering {
 public:
  friend bool operator==(const T& a, const T& b) { return a.Compare(b) == 0; }
  friend bool operator!=(const T& a, const T& b) { return a.Compare(b) != 0; }
  friend bool operator<(const T& a, const T& b) { return a.Compare(b) < 0; }
  friend bool operator>(const T& a, const T& b) { return a.Compare(b) > 0; }
  friend bool operator<=(const T& a, const T& b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const T& a, const T& b) { return a.Compare(b) >= 0; }
};

// A fault inside the call-frame classes that no input can cause. `where` is
// "Class::Operation"; the directive handler turns it into the internal-error
// report.
class GeInternalError {
 public:
  GeInternalError(const char* where, std::string text) : where_(where), text_(std::move(text)) {}
  const char* Where() const { return where_; }
  const std::string& Text() const { return text_; }

 private:
  const char* where_;
  std::string text_;
};
