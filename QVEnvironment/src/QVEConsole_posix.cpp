#include <errno.h>
#include <stdio_ext.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdio>

#include "QVEConsole.h"
#include "QVEWriteVectors_posix.h"

namespace Qve {

const int kQVStandardOutput = STDOUT_FILENO;

void WriteConsole(std::string_view text) {
  // The stream's own buffering would copy every line once more before the same write.
  if (__fpending(stdout) != 0) std::fflush(stdout);
  while (!text.empty()) {
    const ssize_t put = ::write(STDOUT_FILENO, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    text.remove_prefix(static_cast<size_t>(put));
  }
}

void WriteConsole(std::string_view head, std::string_view text, std::string_view tail) {
  if (__fpending(stdout) != 0) std::fflush(stdout);
  iovec vectors[3];
  int count = 0;
  for (std::string_view part : {head, text, tail}) {
    if (!part.empty()) vectors[count++] = iovec{const_cast<char*>(part.data()), part.size()};
  }
  WriteVectors(STDOUT_FILENO, vectors, count);
}

}  // namespace Qve
