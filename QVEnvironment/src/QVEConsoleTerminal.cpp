#include "QVEConsoleTerminal.h"

#include "QVEConsole.h"

namespace Qve {

namespace {
constexpr int32_t kWarningLevel = 3;
constexpr int32_t kErrorLevel = 4;
constexpr int32_t kLastTaggedLevel = 7;  // Emergency; 8 is untagged plain output
constexpr std::string_view kLineBreak = "\r\n";
}  // namespace

std::string_view QVConsoleTerminal::ColourOf(int32_t level) const {
  if (!colours_) return {};
  if (level >= kErrorLevel && level <= kLastTaggedLevel) return kQVColourError;
  if (level == kWarningLevel) return kQVColourWarning;
  return {};
}

void QVConsoleTerminal::WriteLine(QVWriteGather& gather, int32_t level, std::string_view head,
                                  std::string_view text, std::string_view tail) {
  const std::string_view colour = ColourOf(level);
  if (text.empty() && head.ends_with(kLineBreak)) {
    head.remove_suffix(kLineBreak.size());
    tail = kLineBreak;
  }
  const std::string_view reset = colour.empty() ? std::string_view() : kQVColourReset;
  // The erase leads the gathered block, so that even the block the second stop signal's
  // handler writes as it stands replaces the status line rather than follows it.
  const std::string_view erase =
      shown_ && gather.Kept().empty() ? kQVEraseLine : std::string_view();
  if (gather.Take({erase, colour, head, text, reset, tail})) return;
  line_.clear();
  for (std::string_view part : {colour, head, text, reset, tail}) line_.append(part);
  WriteBlock(line_);
}

void QVConsoleTerminal::WriteBlock(std::string_view block) {
  const bool erased = block.starts_with(kQVEraseLine);
  WriteConsole(shown_ && !erased ? kQVEraseLine : std::string_view(), block, status_);
  shown_ = !status_.empty();
}

void QVConsoleTerminal::SetStatus(QVWriteGather& gather, std::string_view status) {
  status_.assign(status);
  if (!gather.Kept().empty()) return;  // drawn after the lines that wait
  if (!shown_ && status_.empty()) return;
  WriteConsole(shown_ ? kQVEraseLine : std::string_view(), status_, std::string_view());
  shown_ = !status_.empty();
}

}  // namespace Qve
