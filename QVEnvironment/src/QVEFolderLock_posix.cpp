// Folder locks on POSIX: flock on the folder's own descriptor, so that no lock file is left
// behind and the lock ends with the process.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "QVEFolderLock.h"

namespace Qve {

QVFolderLock::~QVFolderLock() { Release(); }

QVLockResult QVFolderLock::TryLock(const QVEstring& folder) {
  Release();
  int fd;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return QVLockResult::kUnavailable;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? QVLockResult::kHeldElsewhere : QVLockResult::kUnavailable;
  }
  handle_ = fd;
  return QVLockResult::kLocked;
}

void QVFolderLock::Release() {
  if (handle_ < 0) return;
  ::close(handle_);  // closing the only descriptor ends the lock
  handle_ = -1;
}

}  // namespace Qve
