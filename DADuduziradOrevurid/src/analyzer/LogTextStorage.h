// The analyzer's line storage: a plain vector of lines that is never trimmed during a run.
#pragma once

#include <vector>

#include "analyzer/IAnalyzeStorage.h"

namespace Qva {

class LogTextStorage : public IAnalyzeStorage {
 public:
  LogTextStorage() = default;
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
  const Qve::QVEstring& PeekLine(uint64_t index) override { return lines_[index]; }

  uint64_t GetLineCount() const { return lines_.size(); }

 private:
  std::vector<Qve::QVEstring> lines_;
  uint64_t position_ = 0;
};

}  // namespace Qva
