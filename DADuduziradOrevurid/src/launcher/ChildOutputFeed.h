// The analyzed run's reading loop without the process: output pieces in, analysis steps out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QVEString.h"
#include "analyzer/LogAnalyzer.h"
#include "launcher/LineBlockAssembler.h"

namespace Qva {

// Unanalyzed lines kept back during the run for the rules that read ahead.
inline constexpr int32_t kAnalyzeMinimumDuringRun = 10;

// Hands the child's output to the analyzer as the run does: each completed block of whole
// lines is stored, then analyzed while at least kAnalyzeMinimumDuringRun lines wait; at the
// end the held-back text becomes a last line and everything left is analyzed.
class ChildOutputFeed {
 public:
  // `analyzer` must outlive the feed.
  explicit ChildOutputFeed(LogAnalyzer& analyzer) : analyzer_(analyzer) {}

  // One piece of output as read (NUL bytes are dropped). Returns the errors counted.
  int32_t Add(const char* data, size_t size);
  // The output pauses: every stored line is analyzed, but for a line that could still begin a
  // match of a multi-line rule and the lines after it, which wait for the lines that decide
  // it. The verdicts are those of the analysis during the run. Returns the errors counted.
  int32_t Settle();
  // The end of the output: the held-back text, then `end_notice` (the line a shell prints for
  // a script that a signal ended) when not empty, are stored as lines, and every stored line
  // is analyzed. Returns the errors counted.
  int32_t Finish(const Qve::QVEstring& end_notice);

 private:
  LogAnalyzer& analyzer_;
  LineBlockAssembler assembler_;
  Qve::QVEstring block_;
};

}  // namespace Qva
