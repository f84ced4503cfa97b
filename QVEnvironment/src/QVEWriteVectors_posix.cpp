#include "QVEWriteVectors_posix.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>

namespace Qve {

bool WriteVectors(int fd, iovec* vectors, int count) {
  iovec* next = vectors;
  while (count != 0) {
    const ssize_t put = ::writev(fd, next, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    // Past what was written, for the next call after a partial write.
    for (auto done = static_cast<size_t>(put); done != 0;) {
      const size_t step = std::min(done, next->iov_len);
      next->iov_base = static_cast<char*>(next->iov_base) + step;
      next->iov_len -= step;
      done -= step;
      if (next->iov_len == 0) {
        ++next;
        --count;
      }
    }
  }
  return true;
}

}  // namespace Qve
