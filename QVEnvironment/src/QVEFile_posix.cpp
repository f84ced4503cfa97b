#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

#include "QVEException.h"
#include "QVEFile.h"
#include "QVEWriteVectors_posix.h"

namespace Qve {

namespace {
constexpr const char* kSourceFile = "Sources/Libraries/Static/QVEnvironment/src/QVEFile";
constexpr uint32_t kOpenLine = 76;
constexpr uint32_t kCreateLine = 117;
constexpr uint32_t kReadLine = 154;
constexpr uint32_t kWriteLine = 183;
constexpr uint32_t kFlushLine = 205;
constexpr uint32_t kGetSizeLine = 226;
constexpr uint32_t kSetSizeMoveLine = 257;
constexpr uint32_t kSetSizeEndLine = 264;
constexpr uint32_t kPositionLine = 297;
constexpr uint32_t kSeekLine = 332;
constexpr uint32_t kSeekToEndLine = 363;
constexpr uint32_t kReplaceLine = 391;

constexpr uint64_t kSeekEnd = UINT64_MAX;

// A single read or write call never asks for more than this (the kernel's own limit).
constexpr uint64_t kMaxTransfer = 0x7ffff000;

bool ReadFlag(const QVOptions& options, const char* key) {
  bool flag = false;
  options.GetOption(kQVOptBool, key, &flag);
  return flag;
}

// The file a path finally names: a symbolic link is replaced in its target's folder, not
// turned into a file of its own.
QVEstring ResolvedPath(const QVEstring& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? QVEstring(real.get()) : path;
}

QVEstring FolderOf(const QVEstring& path) {
  size_t slash = path.rfind('/');
  if (slash == QVEstring::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether the path's last component, or a link it leads to, is a symbolic link that another
// user owns. Writing through such a link would let whoever planted it in a shared folder pick
// the file that gets truncated.
bool ForeignLinkChain(const QVEstring& path) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  QVEstring current = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
    if (info.st_uid != ::geteuid()) return true;
    std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 0) + 256, '\0');
    ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length <= 0) return false;
    target.resize(static_cast<size_t>(length));
    size_t slash = current.rfind('/');
    current = target[0] == '/' || slash == QVEstring::npos ? QVEstring(target)
                                                           : current.substr(0, slash + 1) + target;
  }
  return false;  // a loop: the open fails by itself
}

// Whether a folder on the path is a symbolic link that another user owns. Links of the system
// (owned by root, such as /var/run) are trusted: whoever owns root needs no link to attack.
bool ForeignLinkInFolders(const QVEstring& path) {
  for (size_t slash = path.find('/', 1); slash != QVEstring::npos;
       slash = path.find('/', slash + 1)) {
    struct stat info {};
    const QVEstring folder = path.substr(0, slash);
    if (::lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && info.st_uid != 0 &&
        info.st_uid != ::geteuid()) {
      return true;
    }
  }
  return false;
}

bool ThroughForeignLink(const QVEstring& path) {
  return ForeignLinkInFolders(path) || ForeignLinkChain(path);
}

// open() retried on EINTR. A link at the last component is first refused (O_NOFOLLOW) and only
// followed once every link on the way is known to be the user's own.
int OpenUnlessForeignLink(const QVEstring& path, int flags, mode_t mode = 0) {
  if (ForeignLinkInFolders(path)) {
    errno = ELOOP;
    return -1;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0 || errno != ELOOP || ForeignLinkChain(path)) return fd;
  do {
    fd = ::open(path.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Takes the exclusive lock of a regular file opened without O_TRUNC, then empties it. Other
// files (a device such as /dev/null) are shared and never emptied, as O_TRUNC leaves them.
// False, with the descriptor closed, on failure; `busy` when another holder has the lock.
bool LockAndEmpty(int fd, bool& busy) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) return true;
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  busy = locked != 0 && errno == EWOULDBLOCK;
  if (locked != 0 || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return false;
  }
  return true;
}

// A hidden name beside `path`, with the six placeholders mkostemp fills in.
QVEstring TemporaryPattern(const QVEstring& path) {
  size_t slash = path.rfind('/');
  size_t name = slash == QVEstring::npos ? 0 : slash + 1;
  return path.substr(0, name) + "." + path.substr(name) + ".XXXXXX";
}

// Makes a finished rename survive a crash. Only durability is at stake, so failures are
// ignored: the new content is in place either way.
void SyncFolder(const QVEstring& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
}  // namespace

QVFile::~QVFile() { QVFile::Close(); }

void QVFile::Open(const QVEstring& path) {
  Close();
  bool read_only = ReadFlag(*this, kQVFileReadOnly);
  int flags = (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  int fd = OpenUnlessForeignLink(path, flags);
  if (fd >= 0) {
    // A folder opens read-only on POSIX, but it is no file to read.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
      ::close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    ThrowQVException(kQVErrFileOpen, kSourceFile, kOpenLine, "cannot open file: %s", path.c_str());
  }
  handle_ = fd;
  file_name_ = path;
  delete_on_close_ = false;
}

void QVFile::Create(const QVEstring& path) {
  Close();
  bool delete_on_close = ReadFlag(*this, kQVFileDeleteOnClose);
  const bool exclusive = ReadFlag(*this, kQVFileExclusive);
  // An exclusive file is truncated only under its lock: the holder's content must survive.
  int fd =
      OpenUnlessForeignLink(path, O_RDWR | O_CREAT | O_CLOEXEC | (exclusive ? 0 : O_TRUNC), 0644);
  bool busy = false;
  if (fd >= 0 && exclusive && !LockAndEmpty(fd, busy)) fd = -1;
  if (busy) {
    ThrowQVException(kQVErrResource, kSourceFile, kCreateLine,
                     "resource unavailable: file %s is in use by another run", path.c_str());
  }
  if (fd < 0) {
    ThrowQVException(kQVErrFileCreate, kSourceFile, kCreateLine, "cannot create file: %s",
                     path.c_str());
  }
  handle_ = fd;
  file_name_ = path;
  delete_on_close_ = delete_on_close;
}

void QVFile::Attach(QVFileHandle handle, const QVEstring& name) {
  Close();
  handle_ = handle;
  file_name_ = name;
  delete_on_close_ = false;
}

void QVFile::Close() {
  if (handle_ == kQVInvalidHandle) return;
  // Unlinked first: the name must not be visible after Close returns.
  if (delete_on_close_) ::unlink(file_name_.c_str());
  ::close(handle_);
  handle_ = kQVInvalidHandle;
  file_name_.clear();
  delete_on_close_ = false;
}

uint64_t QVFile::Read(void* buffer, uint64_t size) {
  if (size > kMaxTransfer) size = kMaxTransfer;
  ssize_t got;
  do {
    got = ::read(handle_, buffer, size);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    ThrowQVException(kQVErrFileRead, kSourceFile, kReadLine, "cannot read from file: %s",
                     file_name_.c_str());
  }
  return static_cast<uint64_t>(got);
}

uint64_t QVFile::Write(const void* buffer, uint64_t size) {
  const char* next = static_cast<const char*>(buffer);
  uint64_t left = size;
  // A zero-length write still reaches the platform, so that a closed file fails.
  do {
    uint64_t chunk = left > kMaxTransfer ? kMaxTransfer : left;
    ssize_t put = ::write(handle_, next, chunk);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 || (put == 0 && chunk != 0)) {
      ThrowQVException(kQVErrFileWrite, kSourceFile, kWriteLine, "cannot write to file: %s",
                       file_name_.c_str());
    }
    next += put;
    left -= static_cast<uint64_t>(put);
  } while (left != 0);
  return size;
}

uint64_t QVFile::Write(std::initializer_list<std::string_view> parts) {
  iovec vectors[8];
  size_t count = 0;
  uint64_t size = 0;
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    if (count == std::size(vectors)) {
      ThrowQVException(kQVErrFileWrite, kSourceFile, kWriteLine, "cannot write to file: %s",
                       file_name_.c_str());
    }
    vectors[count++] = iovec{const_cast<char*>(part.data()), part.size()};
    size += part.size();
  }
  if (!WriteVectors(handle_, vectors, static_cast<int>(count))) {
    ThrowQVException(kQVErrFileWrite, kSourceFile, kWriteLine, "cannot write to file: %s",
                     file_name_.c_str());
  }
  return size;
}

void QVFile::Flush() {
  struct stat info {};
  bool failed = ::fstat(handle_, &info) != 0;
  // Pipes and devices have nothing to sync.
  if (!failed && S_ISREG(info.st_mode)) failed = ::fsync(handle_) != 0;
  if (failed) {
    ThrowQVException(kQVErrFileWrite, kSourceFile, kFlushLine, "cannot write to file: %s",
                     file_name_.c_str());
  }
}

void QVFile::SetSize(uint64_t size) {
  if (size > static_cast<uint64_t>(INT64_MAX) ||
      ::lseek(handle_, static_cast<off_t>(size), SEEK_SET) < 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kSetSizeMoveLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  if (::ftruncate(handle_, static_cast<off_t>(size)) != 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kSetSizeEndLine, "cannot access file: %s",
                     file_name_.c_str());
  }
}

uint64_t QVFile::GetSize() {
  struct stat info {};
  if (::fstat(handle_, &info) != 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kGetSizeLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  return static_cast<uint64_t>(info.st_size);
}

uint64_t QVFile::GetPosition() {
  off_t position = ::lseek(handle_, 0, SEEK_CUR);
  if (position < 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kPositionLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  return static_cast<uint64_t>(position);
}

uint64_t QVFile::Seek(uint64_t position) {
  if (position == kSeekEnd) return SeekToEnd();
  off_t moved = -1;
  if (position <= static_cast<uint64_t>(INT64_MAX)) {
    moved = ::lseek(handle_, static_cast<off_t>(position), SEEK_SET);
  }
  if (moved < 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kSeekLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  return static_cast<uint64_t>(moved);
}

void QVFile::SeekToBegin() { Seek(0); }

void QVFile::ReplaceContents(const void* buffer, uint64_t size) {
  struct stat original {};
  if (::fstat(handle_, &original) != 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kReplaceLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  // The link may have been replaced since the file was opened.
  const bool foreign_link = ThroughForeignLink(file_name_);
  const QVEstring target = ResolvedPath(file_name_);
  QVEstring temporary_path = TemporaryPattern(target);
  int fd = foreign_link ? -1 : ::mkostemp(temporary_path.data(), O_CLOEXEC);
  if (fd < 0) {
    ThrowQVException(kQVErrFileCreate, kSourceFile, kCreateLine, "cannot create file: %s",
                     file_name_.c_str());
  }
  // Under this file's name, so that a failed write or flush names the file the user knows.
  QVFile temporary;
  temporary.Attach(fd, file_name_);
  try {
    temporary.Write(buffer, size);
    // Keeping the owner needs privileges a normal user lacks; the content matters more. (Set
    // before the mode, which a change of owner may clear bits of.)
    if (original.st_uid != ::geteuid() || original.st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd, original.st_uid, original.st_gid);
    }
    if (::fchmod(fd, original.st_mode & 07777) != 0) {
      ThrowQVException(kQVErrFileAccess, kSourceFile, kReplaceLine, "cannot access file: %s",
                       file_name_.c_str());
    }
    temporary.Flush();
    temporary.Close();
    if (::rename(temporary_path.c_str(), target.c_str()) != 0) {
      ThrowQVException(kQVErrFileAccess, kSourceFile, kReplaceLine, "cannot access file: %s",
                       file_name_.c_str());
    }
  } catch (QVException*) {
    temporary.Close();
    ::unlink(temporary_path.c_str());
    throw;
  }
  SyncFolder(FolderOf(target));
  Close();
}

uint64_t QVFile::SeekToEnd() {
  off_t moved = ::lseek(handle_, 0, SEEK_END);
  if (moved < 0) {
    ThrowQVException(kQVErrFileAccess, kSourceFile, kSeekToEndLine, "cannot access file: %s",
                     file_name_.c_str());
  }
  return static_cast<uint64_t>(moved);
}

}  // namespace Qve
