// The console's look on a terminal: error and warning lines in colour, and a status line kept
// below the output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "QVEOutputBatch.h"

namespace Qve {

// Moves to the start of the line and erases it: what takes the status line away.
inline constexpr std::string_view kQVEraseLine = "\r\x1b[K";
// SGR colours of error lines (red) and warning lines (yellow), and the reset.
inline constexpr std::string_view kQVColourError = "\x1b[31m";
inline constexpr std::string_view kQVColourWarning = "\x1b[33m";
inline constexpr std::string_view kQVColourReset = "\x1b[0m";

// Used by the console outputer only while the console is a terminal, and only under the tracer's
// lock. The status line is the last thing on the screen and has no line break: every write
// erases it first and draws it again after its lines, in the same write, so that it never
// becomes part of a line of output. While lines are gathered for a block, the status waits for
// the block's write.
class QVConsoleTerminal {
 public:
  // Whether lines of `level` get colours.
  void SetColours(bool colours) { colours_ = colours; }

  // Gathers (while a batch is open) or writes one line of `level` made of head, text and tail
  // (the tail, if any, is the line break; with an empty text the break ends the head).
  void WriteLine(QVWriteGather& gather, int32_t level, std::string_view head, std::string_view text,
                 std::string_view tail);
  // The gather's sink: writes a block of whole lines in place of the status line, then the
  // status line again.
  void WriteBlock(std::string_view block);
  // Replaces the status line; empty takes it away. Drawn at once unless lines wait in `gather`.
  void SetStatus(QVWriteGather& gather, std::string_view status);

  // The colour a line of `level` begins with; empty for none.
  std::string_view ColourOf(int32_t level) const;

 private:
  bool colours_ = false;
  bool shown_ = false;  // the status line is on the screen
  std::string status_;
  std::string line_;  // a line written at once, reused
};

}  // namespace Qve
