// Line storage of the analyzer: the lines of the run, and the position of the next one.
#pragma once

#include <cstdint>
#include <string_view>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class IAnalyzeStorage {
 public:
  // Splits `text` into lines (see LogTextStorage) and appends them.
  virtual void AddText(const Qve::QVEstring& text) = 0;
  // Up to `n` lines from the position (all remaining when fewer); moves the position past them.
  // Empty at the end.
  virtual TextLines GetLines(uint64_t n) = 0;
  // The line at the position as a one-element vector, and moves on; empty at the end.
  virtual TextLines GetLine() = 0;
  // Copies of `count` lines from `start`; the position does not move. Indexes past the end are
  // left out.
  virtual TextLines GetRange(uint64_t start, uint64_t count) = 0;
  // GetRange(start, 1).
  virtual TextLines GetAt(uint64_t start) = 0;
  // Index of the next line to hand out.
  virtual uint64_t GetPosition() = 0;
  // Line count minus the position.
  virtual int64_t Remaining() = 0;
  // The position is not below the line count.
  virtual bool AtEnd() = 0;
  // `index` is not below the line count.
  virtual bool PastEnd(uint64_t index) = 0;
  // Drops all lines, position 0.
  virtual void Clear() = 0;
  // Position 0; the lines stay.
  virtual void Rewind() = 0;
  virtual ~IAnalyzeStorage() = default;
  // Line `index` (below the line count) without a copy; valid until the storage is cleared or
  // lets the line go (LogTextStorage::Release).
  // For read-ahead on the hot path, where GetAt's vector would be one more allocation.
  virtual std::string_view PeekLine(uint64_t index) = 0;
};

}  // namespace Qva
