#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "QVEBoundedRead.h"

namespace Qve {
namespace {

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int OpenWithoutBlocking(const QVEstring& path) {
  int fd;
  // O_NONBLOCK: open() of a FIFO without a writer would wait for one.
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

QVBoundedCheck Classify(const struct stat& info, uint64_t limit, uint64_t& size) {
  if (!S_ISREG(info.st_mode)) return QVBoundedCheck::kNotRegular;
  size = static_cast<uint64_t>(info.st_size);
  return size > limit ? QVBoundedCheck::kTooLarge : QVBoundedCheck::kRegular;
}

}  // namespace

QVBoundedCheck CheckBoundedHandle(QVFileHandle handle, uint64_t limit, uint64_t& size) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) return QVBoundedCheck::kFailed;
  return Classify(info, limit, size);
}

QVBoundedCheck CheckBoundedPath(const QVEstring& path, uint64_t limit, uint64_t& size) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return QVBoundedCheck::kFailed;
  return Classify(info, limit, size);
}

QVBoundedCheck ReadBoundedFile(const QVEstring& path, uint64_t limit, std::string& content) {
  content.clear();
  const Descriptor file(OpenWithoutBlocking(path));
  if (file.get() < 0) return QVBoundedCheck::kFailed;
  uint64_t size = 0;
  const QVBoundedCheck check = CheckBoundedHandle(file.get(), limit, size);
  if (check != QVBoundedCheck::kRegular) return check;
  // One byte more than the bound tells a file that grew since fstat.
  content.resize(static_cast<size_t>(size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == content.size()) {
      if (content.size() > limit) break;
      content.resize(std::min<uint64_t>(limit + 1, content.size() * 2 + 4096));
    }
    const ssize_t part = ::read(file.get(), content.data() + got, content.size() - got);
    if (part < 0 && errno == EINTR) continue;
    if (part < 0) {
      content.clear();
      return QVBoundedCheck::kFailed;
    }
    if (part == 0) break;
    got += static_cast<size_t>(part);
  }
  if (got > limit) {
    content.clear();
    return QVBoundedCheck::kTooLarge;
  }
  content.resize(got);
  return QVBoundedCheck::kRegular;
}

}  // namespace Qve
