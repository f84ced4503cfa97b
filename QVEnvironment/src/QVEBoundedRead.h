// Files the user names for the program to read whole (response file, rule files, a saved log,
// the report data): regular files of bounded size, read without ever blocking on a FIFO or a
// device.
#pragma once

#include <cstdint>
#include <string>

#include "QVEFile.h"
#include "QVEString.h"

namespace Qve {

enum class QVBoundedCheck {
  kRegular,     // a regular file within the bound
  kNotRegular,  // a FIFO, a device, a socket, a folder
  kTooLarge,    // a regular file over the bound
  kFailed,      // the file cannot be opened, examined or read (errno says why)
};

// Examines the open `handle` (fstat, so the answer is about the file actually opened); `size`
// receives its size when it is a regular file.
QVBoundedCheck CheckBoundedHandle(QVFileHandle handle, uint64_t limit, uint64_t& size);

// Examines the file at `path` (stat, following links) without opening it, as
// CheckBoundedHandle does; for a file that must be opened otherwise than for reading.
QVBoundedCheck CheckBoundedPath(const QVEstring& path, uint64_t limit, uint64_t& size);

// Reads the whole file at `path` into `content` when it is a regular file of at most `limit`
// bytes. The file is opened without blocking (a FIFO with no writer, a terminal) and examined
// before a byte is read; a file that grows while read past `limit` counts as too large.
// `content` is left empty unless kRegular is returned.
QVBoundedCheck ReadBoundedFile(const QVEstring& path, uint64_t limit, std::string& content);

// "PATH: not a regular file", "PATH: larger than 16 MB", "PATH: cannot be read: REASON" (the
// last from errno, so call it right after the failing check).
QVEstring DescribeBoundedRefusal(const QVEstring& path, QVBoundedCheck check, uint64_t limit);

// "16 MB" for a limit of 16 MiB: the bound as the help and the messages state it.
QVEstring DescribeByteLimit(uint64_t limit);

}  // namespace Qve
