#include <cstdio>
#include <cstring>

#include "QVETimeStamp.h"
#include "QVETrace.h"

namespace Qve {

namespace {
const char* const kFileTags[] = {"[DBG]", "[INF]", "[NTC]", "[WRN]",
                                 "[ERR]", "[CRI]", "[ALR]", "[EMR]"};
const char* const kConsoleLabels[] = {
    "", "", "Notice:", "Warning:", "Error:", "Critical:", "Alert:", "Emergency:"};

constexpr size_t kUsualMessageSize = 160;

// The string outputer collects its text in pieces of this size, so that collecting never moves
// or re-touches what is already collected (a run collects hundreds of megabytes).
constexpr size_t kStringPieceSize = size_t{1} << 20;

QVEstring TableText(const char* const (&table)[8], int32_t level) {
  if (level < kQVTraceDebug || level > kQVTraceEmergency) return QVEstring();
  return table[level];
}
}  // namespace

int32_t QVTraceOutputer::GetLevel() const { return level_; }

void QVTraceOutputer::SetLevel(int32_t level) { level_ = level; }

QVEstring QVTraceOutputer::FormatMessageId(int32_t level, uint32_t id, const char* source,
                                           const char* format, va_list args) {
  return BuildLine(LevelTagId(level, id), source, format, args, true);
}

QVEstring QVTraceOutputer::FormatMessage(int32_t level, const char* source, const char* format,
                                         va_list args) {
  return BuildLine(LevelTag(level), source, format, args, false);
}

QVEstring QVTraceOutputer::BuildLine(const QVEstring& tag, const char* source, const char* format,
                                     va_list args, bool always_format) {
  const QVEstring stamp = TimeStamp();
  const size_t source_size = source != nullptr ? std::strlen(source) : 0;
  QVEstring line;
  // Room for a usual message, so that the line is allocated once.
  line.reserve(stamp.size() + tag.size() + source_size + kUsualMessageSize);
  line += stamp;
  if (!line.empty()) line += ' ';
  line += tag;
  // Also after an empty tag, so a time-stamped untagged line keeps two blanks.
  if (!line.empty()) line += ' ';
  if (source_size != 0) {
    line.append(source, source_size);
    line += "> ";
  }
  if (always_format || (format != nullptr && *format != '\0')) AppendFormatV(line, format, args);
  TrimRight(line, ' ');
  TrimRight(line, '\n');
  TrimRight(line, '\r');
  line += "\r\n";
  return line;
}

QVEstring QVTraceOutputer::TimeStamp() { return QVTimeStamp::Now().Text(); }

QVEstring QVTraceOutputer::LevelTagId(int32_t level, uint32_t /*id*/) { return LevelTag(level); }

QVEstring QVTraceOutputer::LevelTag(int32_t level) { return TableText(kFileTags, level); }

// Console

void QVConsoleTraceOutputer::TraceId(int32_t level, uint32_t id, const char* source,
                                     const char* format, va_list args) {
  QVEstring line = FormatMessageId(level, id, source, format, args);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void QVConsoleTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                   va_list args) {
  QVEstring line = FormatMessage(level, source, format, args);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

QVEstring QVConsoleTraceOutputer::TimeStamp() { return QVEstring(); }

QVEstring QVConsoleTraceOutputer::LevelTagId(int32_t level, uint32_t id) {
  if (level != kQVTraceError) return LevelTag(level);
  return FormatText("Error(id=%u):", id);
}

QVEstring QVConsoleTraceOutputer::LevelTag(int32_t level) {
  return TableText(kConsoleLabels, level);
}

// Text file

QVTextFileTraceOutputer::~QVTextFileTraceOutputer() { file_.Close(); }

void QVTextFileTraceOutputer::TraceId(int32_t level, uint32_t /*id*/, const char* source,
                                      const char* format, va_list args) {
  Trace(level, source, format, args);
}

void QVTextFileTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                    va_list args) {
  // No trace file named yet (for example when the help switch ends the command-line step
  // early): there is nowhere to write. A named file that fails to write still throws.
  if (!file_.IsOpen()) return;
  QVEstring line = FormatMessage(level, source, format, args);
  file_.Write(line.data(), line.size());
}

void QVTextFileTraceOutputer::SetFile(const QVEstring& path) { file_.Create(path); }

// String

void QVStringTraceOutputer::TraceId(int32_t level, uint32_t /*id*/, const char* source,
                                    const char* format, va_list args) {
  Trace(level, source, format, args);
}

void QVStringTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                  va_list args) {
  Append(FormatMessage(level, source, format, args));
}

QVEstring QVStringTraceOutputer::GetText() const {
  QVEstring text;
  text.reserve(size_);
  for (const QVEstring& piece : pieces_) text += piece;
  return text;
}

void QVStringTraceOutputer::Append(const QVEstring& line) {
  if (pieces_.empty() || pieces_.back().capacity() - pieces_.back().size() < line.size()) {
    pieces_.emplace_back();
    pieces_.back().reserve(line.size() > kStringPieceSize ? line.size() : kStringPieceSize);
  }
  pieces_.back() += line;
  size_ += line.size();
}

}  // namespace Qve
