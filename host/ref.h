#pragma once

#include <memory>
#include <utility>

#include "host/error.h"

namespace host {

// A reference to a host object that may hold nothing. Calling a member
// through a reference that holds nothing throws error 91, so a missing object
// fails where it is used, as the program's error handling expects.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): "Set x = Nothing".
  Ref(std::shared_ptr<T> object) : object_(std::move(object)) {}  // NOLINT
  template <class U>
  Ref(const Ref<U>& other) : object_(other.shared()) {}  // NOLINT: upcast

  T* operator->() const { return &**this; }
  T& operator*() const {
    if (!object_) throw ObjectNotSet();
    return *object_;
  }

  // True when the reference holds nothing.
  bool IsNothing() const { return object_ == nullptr; }
  explicit operator bool() const { return object_ != nullptr; }

  // Lets go of the object: the reference then holds nothing.
  void Reset() { object_.reset(); }

  const std::shared_ptr<T>& shared() const { return object_; }

  friend bool operator==(const Ref& a, const Ref& b) { return a.object_ == b.object_; }

 private:
  std::shared_ptr<T> object_;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

}  // namespace host
