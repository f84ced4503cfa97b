// The analyzer's line storage: every line of the run, kept until the storage is cleared.
#pragma once

#include <string_view>
#include <vector>

#include "QVELargeBlock.h"
#include "analyzer/IAnalyzeStorage.h"

namespace Qva {

// Lines live back to back in the chunks of one growing arena, each with its "\n"; an index of
// their starts, itself in fixed blocks, finds them (a line ends at its only "\n"). Nothing is
// allocated per line and nothing stored ever moves, so views of stored lines stay valid until
// Clear.
class LogTextStorage final : public IAnalyzeStorage {
 public:
  LogTextStorage();
  ~LogTextStorage() override;

  // Cuts `text` at each "\n"; from each piece removes all trailing "\r", then all trailing
  // blanks; drops pieces that are then empty; appends the rest with one "\n" each. The piece
  // after the last "\n" is a line of its own, so callers hand over whole lines only.
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
  std::string_view PeekLine(uint64_t index) override { return View(Start(index)); }

  // The line at the position, moving past it; the caller checks AtEnd first. The analyzer's
  // way to take a line without a copy.
  std::string_view NextLine() { return View(Start(position_++)); }
  uint64_t GetLineCount() const { return count_; }

 private:
  // One large block of the index holds this many line starts.
  static constexpr uint64_t kIndexBlockBits = 18;
  static constexpr uint64_t kIndexBlock = uint64_t{1} << kIndexBlockBits;
  static_assert(kIndexBlock * sizeof(const char*) == Qve::kQVLargeBlockSize);

  const char** IndexBlock(uint64_t block) const {
    return reinterpret_cast<const char**>(index_[block].get());
  }
  const char* Start(uint64_t index) const {
    return IndexBlock(index >> kIndexBlockBits)[index & (kIndexBlock - 1)];
  }
  static std::string_view View(const char* start);
  // Appends `text` and a "\n" as the next line.
  void Append(std::string_view text);
  // Room for `size` more bytes in the arena.
  char* Reserve(uint64_t size);

  std::vector<Qve::QVLargeBlock> chunks_;
  char* free_ = nullptr;    // next free byte of the last normal chunk
  uint64_t free_size_ = 0;  // bytes left there
  std::vector<Qve::QVLargeBlock> index_;
  uint64_t count_ = 0;
  uint64_t position_ = 0;
};

}  // namespace Qva
