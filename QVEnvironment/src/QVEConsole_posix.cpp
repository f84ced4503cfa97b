#include <errno.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cstdio>

#include "QVEConsole.h"

namespace Qve {

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

}  // namespace Qve
