// Cuts the child's output, read in arbitrary pieces, into blocks of whole lines.
#pragma once

#include <cstddef>

#include "QVEString.h"

namespace Qva {

// Text after the last line feed of a piece is held back until a later piece completes the
// line; text that never gets its line feed is never handed out.
class LineBlockAssembler {
 public:
  // Takes one piece of output. When it contains a line feed, sets `block` to the held-back
  // text, the piece up to its last line feed and one line feed, keeps the rest and returns
  // true; otherwise keeps the whole piece and returns false. Linear in the piece's size.
  bool AddPiece(const char* data, size_t size, Qve::QVEstring& block);

  // The text held back so far.
  const Qve::QVEstring& GetPending() const { return pending_; }

 private:
  Qve::QVEstring pending_;
};

}  // namespace Qva
