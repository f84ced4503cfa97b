// Cuts the child's output, read in arbitrary pieces, into blocks of whole lines.
#pragma once

#include <cstddef>
#include <string_view>

#include "QVEString.h"
#include "analyzer/LogTextStorage.h"

namespace Qva {

// Text after the last line feed of a piece is held back until a later piece completes the
// line, or until the output ends, but never more than kMaxHeldBack bytes: a line without end
// goes on in pieces of that size, each a line of its own, as the storage cuts a long line
// (LogTextStorage::kMaxLineSize). NUL bytes are dropped wherever they occur, so that the text
// after one is analyzed like any other.
class LineBlockAssembler {
 public:
  static constexpr size_t kMaxHeldBack = LogTextStorage::kMaxLineSize;

  // Takes one piece of output. When it contains a line feed, sets `block` to the held-back
  // text, the piece up to its last line feed and one line feed, keeps the rest and returns
  // true; otherwise keeps the whole piece and returns false. Either way, when kMaxHeldBack
  // bytes or more are then held back, each whole kMaxHeldBack of them goes to the end of
  // `block` with a line feed after it (and true is returned). Linear in the piece's size.
  bool AddPiece(const char* data, size_t size, Qve::QVEstring& block);

  // At the end of the output: when text is held back, sets `block` to it and a line feed (a
  // last line without its line feed is a line all the same) and returns true; else false.
  bool Finish(Qve::QVEstring& block);

  // The text held back so far.
  const Qve::QVEstring& GetPending() const { return pending_; }

 private:
  bool AddText(std::string_view piece, Qve::QVEstring& block);
  // Moves each whole kMaxHeldBack of the held-back text, with a line feed, to `block`.
  void SpillHeldBack(Qve::QVEstring& block);

  Qve::QVEstring pending_;
  Qve::QVEstring without_nul_;  // reused, for the rare piece that has NUL bytes
};

}  // namespace Qva
