// What the console is: a terminal a person watches, or a file or pipe a program reads.
#pragma once

#include <cstddef>

namespace Qve {

// Whether standard output is a terminal.
bool StandardOutputIsTerminal();

// Whether a terminal may show colours: not when NO_COLOR is set (to any value, the empty one
// too) or TERM is "dumb".
bool TerminalColoursWanted();

// Columns of the terminal on standard output; 0 when it cannot be told.
size_t TerminalColumns();

}  // namespace Qve
