// The library's lock.
#pragma once

#include <mutex>

namespace Qve {

// Recursive: the owning thread may enter again, as the platform critical section allows.
class QVCriticalSection {
 public:
  QVCriticalSection() = default;
  virtual ~QVCriticalSection() = default;
  QVCriticalSection(const QVCriticalSection&) = delete;
  QVCriticalSection& operator=(const QVCriticalSection&) = delete;

  virtual void Enter();
  virtual void Leave();

 private:
  std::recursive_mutex mutex_;
};

// Holds a QVCriticalSection for the lifetime of the guard.
class QVLockGuard {
 public:
  explicit QVLockGuard(QVCriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~QVLockGuard() { cs_.Leave(); }
  QVLockGuard(const QVLockGuard&) = delete;
  QVLockGuard& operator=(const QVLockGuard&) = delete;

 private:
  QVCriticalSection& cs_;
};

}  // namespace Qve
