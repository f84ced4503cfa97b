#include "launcher/ChildOutputFeed.h"

namespace Qva {

int32_t ChildOutputFeed::Add(const char* data, size_t size) {
  if (!assembler_.AddPiece(data, size, block_)) return 0;
  analyzer_.AddText(block_);
  // The storage holds the text now: a block that held a huge line is not kept.
  if (block_.capacity() > 4 * size) Qve::QVEstring().swap(block_);
  return analyzer_.AnalyzeAvailable(kAnalyzeMinimumDuringRun);
}

int32_t ChildOutputFeed::Settle() { return analyzer_.AnalyzeReady(kAnalyzeMinimumDuringRun); }

int32_t ChildOutputFeed::Finish(const Qve::QVEstring& end_notice) {
  if (assembler_.Finish(block_)) analyzer_.AddText(block_);
  if (!end_notice.empty()) analyzer_.AddText(end_notice + "\n");
  return analyzer_.AnalyzeAvailable(1);
}

}  // namespace Qva
