// The cause of a failed start, read from the script's "#!" line.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "QVEStartFailure.h"

namespace Qve {

QVEstring DescribeStartFailure(const QVEstring& path, int error) {
  // Only the kernel's answers to a script line: no interpreter, or one it cannot run.
  if (error != ENOENT && error != EACCES && error != ENOEXEC) return {};
  // Only a regular file's first line, and only so much of it: a FIFO or a device named as the
  // script must not block or fill memory.
  constexpr size_t kMaxFirstLine = 4096;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  std::ifstream file(path.c_str(), std::ios::binary);
  std::string line(kMaxFirstLine, '\0');
  file.read(line.data(), static_cast<std::streamsize>(line.size()));
  line.resize(static_cast<size_t>(file.gcount()));
  line.resize(std::min(line.size(), line.find('\n')));
  if (!line.starts_with("#!")) return {};
  const size_t start = line.find_first_not_of(" \t", 2);
  if (start == std::string::npos) return {};
  const std::string interpreter = line.substr(start, line.find_first_of(" \t", start) - start);
  std::string shown = interpreter;
  if (!shown.empty() && shown.back() == '\r') shown.replace(shown.size() - 1, 1, "\\r");
  if (line.back() == '\r') {
    return "the script has Windows line ends (CR LF): its first line asks for the interpreter \"" +
           shown + "\", which does not exist; convert the script to Unix line ends (LF)";
  }
  if (access(interpreter.c_str(), F_OK) != 0) {
    return "its interpreter \"" + shown + "\" (first line) does not exist";
  }
  if (access(interpreter.c_str(), X_OK) != 0) {
    return "its interpreter \"" + shown + "\" (first line) cannot be run";
  }
  return {};
}

}  // namespace Qve
