// The analyzer's line storage: the lines rules can still read, each known by its index in the
// whole output.
#pragma once

#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "QVELargeBlock.h"
#include "analyzer/IAnalyzeStorage.h"

namespace Qva {

// Lines live back to back in the chunks of one growing arena, each with its "\n"; an index of
// their starts, itself in fixed blocks, finds them: a line ends where the next one starts, or,
// when the next one starts elsewhere (marked in its entry), at its only "\n". Nothing is
// allocated per line and no stored byte ever moves, so views of stored lines stay valid until
// Clear or until Release lets them go. A huge line is kept in a string of its own, which the
// analyzer may borrow instead of copying it. Release drops whole chunks and index blocks below a
// line, so a run keeps only the lines still to be read however long its output is; indexes and
// the line count go on counting the whole output.
class LogTextStorage final : public IAnalyzeStorage {
 public:
  // Longest line kept: a longer one is cut into pieces of this size (the last one shorter), each
  // a line of its own, so that a line without end cannot hold memory without bound.
  static constexpr size_t kMaxLineSize = size_t{1} << 20;

  LogTextStorage();
  ~LogTextStorage() override;

  // Cuts `text` at each "\n", and a piece longer than kMaxLineSize into pieces of that size;
  // from each piece removes all trailing "\r", then all trailing blanks; drops pieces that are
  // then empty; appends the rest with one "\n" each. The piece after the last "\n" is a line of
  // its own, so callers hand over whole lines only.
  void AddText(const Qve::QVEstring& text) override;
  TextLines GetLines(uint64_t n) override;
  TextLines GetLine() override;
  TextLines GetRange(uint64_t start, uint64_t count) override;
  TextLines GetAt(uint64_t start) override;
  uint64_t GetPosition() override;
  int64_t Remaining() override;
  bool AtEnd() override;
  bool PastEnd(uint64_t index) override;
  void Clear() override;
  void Rewind() override;
  std::string_view PeekLine(uint64_t index) override { return View(index); }

  // The line at the position, moving past it; the caller checks AtEnd first. The analyzer's
  // way to take a line without a copy.
  std::string_view NextLine() { return View(position_++); }
  // Whether line `index` (above 0) starts where line `index - 1` ends.
  bool FollowsPrevious(uint64_t index) const { return (Entry(index) & kApart) == 0; }
  uint64_t GetLineCount() const { return count_; }

  // Lines below `keep_from` will not be read again: the chunks and index blocks that hold only
  // such lines are let go (one of each is kept for reuse). Reading a line below the first kept
  // one is not allowed afterwards; Rewind does not bring such lines back. Cheap when nothing
  // can go, so it may be called after every piece of analysis.
  void Release(uint64_t keep_from);
  // Index of the first line that may still be read (0 until Release lets lines go).
  uint64_t GetFirstKept() const { return first_kept_; }

  // When line `index` is kept in a string of its own, swaps that string with `into` (the bytes
  // do not move, so the line and its views stay valid while `into` is left unchanged) and
  // returns a non-zero loan; else returns 0. ReturnLine with the loan swaps them back; after a
  // Clear it leaves `into` as it is.
  uint64_t LendLine(uint64_t index, Qve::QVEstring& into);
  void ReturnLine(uint64_t loan, Qve::QVEstring& into);

 private:
  // One large block of the index holds this many entries: the line's address, and kApart when
  // it does not follow the line before it (user-space addresses leave the top bit free).
  static constexpr uint64_t kIndexBlockBits = 18;
  static constexpr uint64_t kIndexBlock = uint64_t{1} << kIndexBlockBits;
  static constexpr uint64_t kApart = uint64_t{1} << 63;
  static_assert(kIndexBlock * sizeof(uint64_t) == Qve::kQVLargeBlockSize);

  // `block` counts from the first block of the whole output.
  uint64_t* IndexBlock(uint64_t block) const {
    return reinterpret_cast<uint64_t*>(index_[block - index_base_].get());
  }
  uint64_t Entry(uint64_t index) const {
    return IndexBlock(index >> kIndexBlockBits)[index & (kIndexBlock - 1)];
  }
  std::string_view View(uint64_t index) const;
  // Appends `text` and a "\n" as the next line.
  void Append(std::string_view text);
  // Trims `piece` as AddText says and appends it unless it is then empty.
  void AppendTrimmed(std::string_view piece);
  // Room for `size` more bytes in the arena.
  char* Reserve(uint64_t size);
  // A block for the arena or the index: the spare one, or a new one.
  Qve::QVLargeBlock TakeBlock(Qve::QVLargeBlock& spare);

  struct Chunk {
    Qve::QVLargeBlock block;
    uint64_t first_line;  // index of the first line stored in it (or after it, when none)
  };
  std::deque<Chunk> chunks_;
  char* free_ = nullptr;    // next free byte of the last normal chunk
  uint64_t free_size_ = 0;  // bytes left there
  bool apart_ = true;       // the next line does not follow the last one
  std::deque<Qve::QVLargeBlock> index_;
  uint64_t index_base_ = 0;  // index blocks let go so far
  Qve::QVLargeBlock spare_chunk_;
  Qve::QVLargeBlock spare_index_;
  uint64_t count_ = 0;
  uint64_t position_ = 0;
  uint64_t first_kept_ = 0;
  // Lines of kOwnBlockSize bytes and more, by index (in the order added).
  std::deque<std::pair<uint64_t, Qve::QVEstring>> huge_;
  uint64_t huge_base_ = 0;   // huge lines let go so far
  uint64_t generation_ = 0;  // changes with Clear; part of a loan
};

}  // namespace Qva
