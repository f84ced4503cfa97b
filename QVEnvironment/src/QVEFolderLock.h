// An exclusive lock on a folder, so that two runs never work on the same files at once.
#pragma once

#include "QVEString.h"

namespace Qve {

enum class QVLockResult {
  kLocked,         // this object holds the lock now
  kHeldElsewhere,  // another holder (a process, or another object) has it
  kUnavailable,    // the folder cannot be opened: there is nothing to lock
};

// Advisory: it keeps out only those who take the same lock. Released by Release, by the
// destructor or when the process ends, however it ends; never handed on to child processes.
class QVFolderLock {
 public:
  QVFolderLock() = default;
  ~QVFolderLock();
  QVFolderLock(const QVFolderLock&) = delete;
  QVFolderLock& operator=(const QVFolderLock&) = delete;

  // Takes the lock on `folder` without waiting; a lock held before is released first.
  QVLockResult TryLock(const QVEstring& folder);
  void Release();
  bool IsLocked() const { return handle_ >= 0; }

 private:
  int handle_ = -1;
};

}  // namespace Qve
