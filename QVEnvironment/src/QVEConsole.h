// Standard output for the console trace outputer.
#pragma once

#include <string_view>

namespace Qve {

// The platform handle of standard output.
extern const int kQVStandardOutput;

// Writes `text` to standard output with one system call (more only for a partial write), after
// anything the C library's stream still holds, so that the order of all output is kept. Errors
// are ignored, as a console trace line's are.
void WriteConsole(std::string_view text);
// The same for the parts written one after the other, without building their concatenation.
void WriteConsole(std::string_view head, std::string_view text, std::string_view tail);

}  // namespace Qve
