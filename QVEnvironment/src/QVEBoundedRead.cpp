#include "QVEBoundedRead.h"

#include <cstring>

namespace Qve {

QVEstring DescribeBoundedRefusal(const QVEstring& path, QVBoundedCheck check, uint64_t limit) {
  switch (check) {
    case QVBoundedCheck::kNotRegular:
      return path + ": not a regular file";
    case QVBoundedCheck::kTooLarge:
      return path + ": larger than " + DescribeByteLimit(limit);
    case QVBoundedCheck::kFailed:
      return path + ": cannot be read: " + std::strerror(errno);
    default:
      return path;
  }
}

QVEstring DescribeByteLimit(uint64_t limit) {
  constexpr uint64_t kMiB = 1024 * 1024;
  if (limit >= kMiB && limit % kMiB == 0) return std::to_string(limit / kMiB) + " MB";
  return std::to_string(limit) + " bytes";
}

}  // namespace Qve
