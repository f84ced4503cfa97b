#include <lz4.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "QVEConsole.h"
#include "QVEException.h"
#include "QVETimeStamp.h"
#include "QVETrace.h"

namespace Qve {

namespace {
constexpr std::string_view kFileTags[] = {"[DBG]", "[INF]", "[NTC]", "[WRN]",
                                          "[ERR]", "[CRI]", "[ALR]", "[EMR]"};
constexpr std::string_view kConsoleLabels[] = {
    "", "", "Notice:", "Warning:", "Error:", "Critical:", "Alert:", "Emergency:"};

// A line or message buffer above this size is let go before the next message.
constexpr size_t kKeptLineCapacity = 64 * 1024;

// LZ4's speed-for-size setting for the string outputer's blocks (1 is its default).
constexpr int kCompressionAcceleration = 4;

// The string outputer's first block: the many short-lived analyzers of a test run each own one.
constexpr size_t kFirstBlockSize = 64 * 1024;

std::string_view TableText(const std::string_view (&table)[8], int32_t level) {
  if (level < kQVTraceDebug || level > kQVTraceEmergency) return "";
  return table[level];
}

void AppendNumber(QVEstring& out, uint32_t value) {
  char digits[16];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof(digits), value);
  out.append(digits, end.ptr);
}
}  // namespace

int32_t QVTraceOutputer::GetLevel() const { return level_; }

void QVTraceOutputer::SetLevel(int32_t level) { level_ = level; }

QVTraceOutputer::Kind QVTraceOutputer::GetKind() const {
  if (kind_ == Kind::kUnknown) {
    const std::type_info& type = typeid(*this);
    kind_ = type == typeid(QVConsoleTraceOutputer)    ? Kind::kConsole
            : type == typeid(QVTextFileTraceOutputer) ? Kind::kFile
            : type == typeid(QVStringTraceOutputer)   ? Kind::kString
                                                      : Kind::kDerived;
  }
  return kind_;
}

bool QVTraceOutputer::IsLibraryClass() const { return GetKind() != Kind::kDerived; }

int QVTraceOutputer::LineKind() const {
  switch (GetKind()) {
    case Kind::kConsole:
      return 1;
    case Kind::kFile:
    case Kind::kString:
      return 2;
    default:
      return 0;
  }
}

std::string_view QVTraceOutputer::MessageText(const char* format, va_list args, QVEstring& buffer) {
  std::string_view text;
  if (SingleTextArgument(format, args, text)) return text;
  // A buffer grown by a huge message is let go; the usual one stays for the next message.
  if (buffer.capacity() > kKeptLineCapacity) QVEstring().swap(buffer);
  buffer.clear();
  AppendFormatV(buffer, format, args);
  return buffer;
}

void QVTraceOutputer::BuildLine(Line& line, int32_t level, const uint32_t* id, const char* source,
                                std::string_view message) {
  if (line.head.capacity() > kKeptLineCapacity) QVEstring().swap(line.head);
  line.head.clear();
  line.level = level;
  // As AppendLine trims the whole line; while some of the message is left, the trimming ends
  // inside it, and the message can be written from where it is.
  std::string_view text = message;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.empty()) {
    line.text = {};
    line.tail = {};
    AppendLine(line.head, level, id, source, message);
    return;
  }
  AppendHead(line.head, level, id, source);
  line.text = text;
  line.tail = "\r\n";
}

void QVTraceOutputer::WriteLine(const Line& /*line*/) {}

void QVTraceOutputer::TraceLine(int32_t level, const uint32_t* id, const char* source,
                                const char* format, va_list args) {
  if (IsLibraryClass()) {
    BuildLine(line_, level, id, source, MessageText(format, args, message_));
    WriteLine(line_);
    return;
  }
  // A derived class may build its lines otherwise.
  WriteNow(id != nullptr ? FormatMessageId(level, *id, source, format, args)
                         : FormatMessage(level, source, format, args));
}

void QVTraceOutputer::WriteNow(std::string_view /*line*/) {}

QVEstring QVTraceOutputer::FormatMessageId(int32_t level, uint32_t id, const char* source,
                                           const char* format, va_list args) {
  QVEstring message;
  QVEstring line;
  AppendLine(line, level, &id, source, MessageText(format, args, message));
  return line;
}

QVEstring QVTraceOutputer::FormatMessage(int32_t level, const char* source, const char* format,
                                         va_list args) {
  QVEstring message;
  QVEstring line;
  AppendLine(line, level, nullptr, source, MessageText(format, args, message));
  return line;
}

void QVTraceOutputer::AppendHead(QVEstring& out, int32_t level, const uint32_t* id,
                                 const char* source) {
  const size_t start = out.size();
  const Kind kind = GetKind();
  // The library classes' time stamps and tags, as their virtual functions give them.
  if (kind == Kind::kFile || kind == Kind::kString) {
    QVTimeStamp::Now().AppendText(out);
  } else if (kind == Kind::kDerived) {
    out += TimeStamp();
  }
  if (out.size() > start) out += ' ';
  if (kind == Kind::kConsole) {
    if (id != nullptr && level == kQVTraceError) {
      out += "Error(id=";
      AppendNumber(out, *id);
      out += "):";
    } else {
      out += TableText(kConsoleLabels, level);
    }
  } else if (kind != Kind::kDerived) {
    out += TableText(kFileTags, level);
  } else {
    out += id != nullptr ? LevelTagId(level, *id) : LevelTag(level);
  }
  // Also after an empty tag, so a time-stamped untagged line keeps two blanks.
  if (out.size() > start) out += ' ';
  if (source != nullptr && *source != '\0') {
    out += source;
    out += "> ";
  }
}

void QVTraceOutputer::AppendLine(QVEstring& out, int32_t level, const uint32_t* id,
                                 const char* source, std::string_view message) {
  const size_t start = out.size();
  AppendHead(out, level, id, source);
  out.append(message);
  // Trailing blanks, then line feeds, then carriage returns, in that order.
  size_t end = out.size();
  while (end > start && out[end - 1] == ' ') --end;
  while (end > start && out[end - 1] == '\n') --end;
  while (end > start && out[end - 1] == '\r') --end;
  out.resize(end);
  out += "\r\n";
}

QVEstring QVTraceOutputer::TimeStamp() { return QVTimeStamp::Now().Text(); }

QVEstring QVTraceOutputer::LevelTagId(int32_t level, uint32_t /*id*/) { return LevelTag(level); }

QVEstring QVTraceOutputer::LevelTag(int32_t level) {
  return QVEstring(TableText(kFileTags, level));
}

// Console

QVConsoleTraceOutputer::QVConsoleTraceOutputer(int32_t level)
    : QVTraceOutputer(level), gather_([this](std::string_view text) {
        if (terminal_on_) {
          terminal_.WriteBlock(text);
        } else {
          WriteConsole(text);
        }
      }) {
  gather_.SetHandle(kQVStandardOutput);
}

void QVConsoleTraceOutputer::SetTerminal(bool on, bool colours) {
  if (!on) terminal_.SetStatus(gather_, {});
  terminal_on_ = on;
  terminal_.SetColours(colours);
}

void QVConsoleTraceOutputer::SetStatus(std::string_view status) {
  if (terminal_on_) terminal_.SetStatus(gather_, status);
}

void QVConsoleTraceOutputer::WriteLine(const Line& line) {
  if (terminal_on_) {
    terminal_.WriteLine(gather_, line.level, line.head, line.text, line.tail);
    return;
  }
  if (gather_.Take({line.head, line.text, line.tail})) return;
  if (line.text.empty()) {
    WriteConsole(line.head);
  } else {
    WriteConsole(line.head, line.text, line.tail);
  }
}

void QVConsoleTraceOutputer::TraceId(int32_t level, uint32_t id, const char* source,
                                     const char* format, va_list args) {
  TraceLine(level, &id, source, format, args);
}

void QVConsoleTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                   va_list args) {
  TraceLine(level, nullptr, source, format, args);
}

void QVConsoleTraceOutputer::WriteNow(std::string_view line) {
  if (terminal_on_) {
    terminal_.WriteBlock(line);
  } else {
    WriteConsole(line);
  }
}

QVEstring QVConsoleTraceOutputer::TimeStamp() { return QVEstring(); }

QVEstring QVConsoleTraceOutputer::LevelTagId(int32_t level, uint32_t id) {
  if (level != kQVTraceError) return LevelTag(level);
  return FormatText("Error(id=%u):", id);
}

QVEstring QVConsoleTraceOutputer::LevelTag(int32_t level) {
  return QVEstring(TableText(kConsoleLabels, level));
}

// Text file

QVTextFileTraceOutputer::QVTextFileTraceOutputer(int32_t level)
    : QVTraceOutputer(level),
      gather_([this](std::string_view text) { file_.Write(text.data(), text.size()); }) {}

QVTextFileTraceOutputer::~QVTextFileTraceOutputer() {
  try {
    gather_.Flush();
  } catch (QVException* error) {
    delete error;  // a destructor has no one to report to
  }
  file_.Close();
}

void QVTextFileTraceOutputer::TraceId(int32_t level, uint32_t /*id*/, const char* source,
                                      const char* format, va_list args) {
  Trace(level, source, format, args);
}

void QVTextFileTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                    va_list args) {
  // No trace file named yet (for example when the help switch ends the command-line step
  // early): there is nowhere to write. A named file that fails to write still throws.
  if (!file_.IsOpen()) return;
  TraceLine(level, nullptr, source, format, args);
}

void QVTextFileTraceOutputer::WriteNow(std::string_view line) {
  file_.Write(line.data(), line.size());
}

void QVTextFileTraceOutputer::WriteLine(const Line& line) {
  if (!file_.IsOpen()) return;
  if (gather_.Take({line.head, line.text, line.tail})) return;
  if (line.text.empty()) {
    file_.Write(line.head.data(), line.head.size());
  } else {
    file_.Write({line.head, line.text, line.tail});
  }
}

void QVTextFileTraceOutputer::SetFile(const QVEstring& path) {
  gather_.Flush();  // what the old file was given goes there
  gather_.SetHandle(kQVInvalidHandle);
  file_.Create(path);
  gather_.SetHandle(file_.GetHandle());
}

// String

QVStringTraceOutputer::~QVStringTraceOutputer() = default;

void QVStringTraceOutputer::TraceId(int32_t level, uint32_t /*id*/, const char* source,
                                    const char* format, va_list args) {
  Trace(level, source, format, args);
}

void QVStringTraceOutputer::Trace(int32_t level, const char* source, const char* format,
                                  va_list args) {
  TraceLine(level, nullptr, source, format, args);
}

void QVStringTraceOutputer::WriteNow(std::string_view line) { Append(line); }

void QVStringTraceOutputer::WriteLine(const Line& line) {
  const std::string_view parts[] = {line.head, line.text, line.tail};
  size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  if (!open_ || open_capacity_ - open_size_ < size) {
    for (std::string_view part : parts) Append(part);
    return;
  }
  // Most lines fit into the open block whole.
  for (std::string_view part : parts) {
    if (part.empty()) continue;  // its data may be null, which memcpy must not get
    std::memcpy(open_.get() + open_size_, part.data(), part.size());
    open_size_ += part.size();
  }
  text_size_ += size;
}

void QVStringTraceOutputer::Append(std::string_view text) {
  text_size_ += text.size();
  while (!text.empty()) {
    if (open_size_ == open_capacity_) {
      if (open_) Seal();
      // The first block is small (the short-lived analyzers of a test run each own one); the
      // lines that fill it make it large, and one large block is filled again and again. A
      // huge text passes through the block it finds, which does not grow for it.
      if (!open_) {
        open_capacity_ = kFirstBlockSize;
        open_ = AllocateLargeBlock(open_capacity_);
      } else if (open_capacity_ < kQVLargeBlockSize && text.size() < open_capacity_) {
        open_capacity_ = kQVLargeBlockSize;
        open_ = AllocateLargeBlock(open_capacity_);
      }
    }
    const size_t part = std::min(text.size(), open_capacity_ - open_size_);
    std::memcpy(open_.get() + open_size_, text.data(), part);
    open_size_ += part;
    text.remove_prefix(part);
  }
}

void QVStringTraceOutputer::Seal() {
  const int bound = LZ4_compressBound(static_cast<int>(open_size_));
  auto packed = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(bound));
  // Trace text shrinks about tenfold even with LZ4's faster settings.
  const int size = LZ4_compress_fast(open_.get(), packed.get(), static_cast<int>(open_size_), bound,
                                     kCompressionAcceleration);
  Packed block;
  block.raw_size = open_size_;
  if (size <= 0 || static_cast<size_t>(size) >= open_size_) {
    std::memcpy(packed.get(), open_.get(), open_size_);
    block.size = open_size_;
    block.stored = true;
  } else {
    block.size = static_cast<size_t>(size);
    // Only the compressed bytes stay allocated.
    auto exact = std::make_unique_for_overwrite<char[]>(block.size);
    std::memcpy(exact.get(), packed.get(), block.size);
    packed = std::move(exact);
  }
  block.data = std::move(packed);
  packed_.push_back(std::move(block));
  open_size_ = 0;
  // The open block is empty now: the sealed ones hold the whole kept text.
  while (tail_limit_ != 0 && !packed_.empty() &&
         text_size_ - packed_.front().raw_size >= tail_limit_) {
    text_size_ -= packed_.front().raw_size;
    packed_.pop_front();
    dropped_ = true;
  }
}

QVEstring QVStringTraceOutputer::GetText() const {
  QVEstring text(text_size_, '\0');
  char* at = text.data();
  for (const Packed& block : packed_) {
    if (block.stored) {
      std::memcpy(at, block.data.get(), block.size);
    } else {
      LZ4_decompress_safe(block.data.get(), at, static_cast<int>(block.size),
                          static_cast<int>(block.raw_size));
    }
    at += block.raw_size;
  }
  if (open_size_ != 0) std::memcpy(at, open_.get(), open_size_);
  if (dropped_) text.erase(0, std::min(text.size(), text.find('\n') + 1));  // npos + 1 is 0
  return text;
}

}  // namespace Qve
