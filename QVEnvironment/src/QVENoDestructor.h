// Storage for a process-wide object that is built on first use and never destroyed, so that code
// running while static objects are torn down (at exit, in other destructors) can still use it.
#pragma once

#include <utility>

namespace Qve {

// Holds one T, built from the constructor's arguments; T's destructor never runs. Meant for a
// function-local static: `static QVNoDestructor<T> instance; return instance.Get();`. A T that only
// its own Instance() may build takes a tag of a private type in a public constructor.
template <typename T>
class QVNoDestructor {
 public:
  template <typename... Args>
  explicit QVNoDestructor(Args&&... args) : instance_(std::forward<Args>(args)...) {}
  // A union member is destroyed only when its owner says so; this one never does.
  ~QVNoDestructor() {}

  QVNoDestructor(const QVNoDestructor&) = delete;
  QVNoDestructor& operator=(const QVNoDestructor&) = delete;

  T& Get() { return instance_; }
  const T& Get() const { return instance_; }

 private:
  union {
    T instance_;
  };
};

}  // namespace Qve
