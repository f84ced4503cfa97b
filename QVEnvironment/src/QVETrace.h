// Process-wide trace dispatcher and its outputers.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string_view>
#include <vector>

#include "QVEConsoleTerminal.h"
#include "QVEFile.h"
#include "QVELargeBlock.h"
#include "QVENoDestructor.h"
#include "QVEOutputBatch.h"
#include "QVERunFile.h"
#include "QVEString.h"
#include "QVEThread.h"

namespace Qve {

enum QVTraceLevel : int32_t {
  kQVTraceDebug = 0,
  kQVTraceInfo = 1,
  kQVTraceNotice = 2,
  kQVTraceWarning = 3,
  kQVTraceError = 4,
  kQVTraceCritical = 5,
  kQVTraceAlert = 6,
  kQVTraceEmergency = 7,
  kQVTraceOutput = 8,  // untagged plain program output
  kQVTraceOff = 9,     // as an outputer level: silent
};

enum QVTraceOutputerType : int32_t {
  kQVOutputerConsole = 0,
  kQVOutputerTextFile = 2,
  kQVOutputerString = 3,
};

// An outputer writes a message when its level <= the message's level. Line shape:
// [time stamp + " "][tag + " "][source + "> "]text, trailing blanks, LFs and CRs trimmed in that
// order, then "\r\n".
class QVTraceOutputer {
 public:
  explicit QVTraceOutputer(int32_t level = kQVTraceOff) : level_(level) {}
  virtual ~QVTraceOutputer() = default;

  virtual int32_t GetType() const = 0;
  virtual void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
                       va_list args) = 0;
  virtual void Trace(int32_t level, const char* source, const char* format, va_list args) = 0;
  virtual int32_t GetLevel() const;
  virtual void SetLevel(int32_t level);
  virtual QVEstring FormatMessageId(int32_t level, uint32_t id, const char* source,
                                    const char* format, va_list args);
  virtual QVEstring FormatMessage(int32_t level, const char* source, const char* format,
                                  va_list args);
  virtual QVEstring TimeStamp();
  // The base returns LevelTag(level) and ignores the id.
  virtual QVEstring LevelTagId(int32_t level, uint32_t id);
  // "[DBG]", "[INF]", ... "[EMR]"; empty for 8 and any other value.
  virtual QVEstring LevelTag(int32_t level);

  // A built line: head, then text, then tail. The message stays where it is (text views it,
  // tail is the line break); only when trimming leaves nothing of it is the whole line in head.
  struct Line {
    QVEstring head;
    std::string_view text;
    std::string_view tail;
    int32_t level = kQVTraceOutput;  // the message's
  };
  // Library outputers of one kind build the same line for a message, so the tracer builds it
  // once for all of them: 1 console lines, 2 time-stamped lines (file and string outputers);
  // 0 for any other class, whose Trace the tracer calls.
  int LineKind() const;
  // The message of a trace call as text: the argument itself for the format "%s" (a finished
  // text), else the formatted message, built in `buffer`. Formatted once, it serves every
  // outputer.
  static std::string_view MessageText(const char* format, va_list args, QVEstring& buffer);
  // Builds the line this outputer's FormatMessageId (`id` set) or FormatMessage would return
  // for a message whose text is `message`, as a line of its kind.
  void BuildLine(Line& line, int32_t level, const uint32_t* id, const char* source,
                 std::string_view message);
  virtual void WriteLine(const Line& line);

 protected:
  // Appends the line FormatMessageId (`id` set) or FormatMessage would return for a message
  // whose text is `message` to `out`. The library's own outputer classes build it without
  // temporaries; a derived class's TimeStamp, LevelTag and LevelTagId are called as usual.
  void AppendLine(QVEstring& out, int32_t level, const uint32_t* id, const char* source,
                  std::string_view message);
  // The step of the library classes' Trace (`id` null) and TraceId. Exactly a library class:
  // builds the line without temporaries and writes it with WriteLine. A derived class: takes
  // the line from its FormatMessageId (`id` set) or FormatMessage and writes it with WriteNow.
  void TraceLine(int32_t level, const uint32_t* id, const char* source, const char* format,
                 va_list args);
  // Writes a whole line at once, not gathered into an open batch.
  virtual void WriteNow(std::string_view line);

 private:
  enum class Kind : int8_t { kUnknown, kConsole, kFile, kString, kDerived };
  Kind GetKind() const;
  // Whether this object is exactly a library outputer class.
  bool IsLibraryClass() const;
  // Time stamp, tag and source with their blanks and "> ".
  void AppendHead(QVEstring& out, int32_t level, const uint32_t* id, const char* source);

  int32_t level_;
  mutable Kind kind_ = Kind::kUnknown;
  // Reused from one message to the next (the tracer serialises the calls).
  Line line_;
  QVEstring message_;
};

// Writes each line to standard output at once (WriteConsole), or with the block it belongs to
// while a QVOutputBatch is open. No time stamp; tags are the console labels ("Notice:",
// "Warning:", "Error:", ...); a level-4 message with an id shows "Error(id=N):".
class QVConsoleTraceOutputer : public QVTraceOutputer {
 public:
  explicit QVConsoleTraceOutputer(int32_t level = kQVTraceOff);
  int32_t GetType() const override { return kQVOutputerConsole; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  QVEstring TimeStamp() override;
  QVEstring LevelTagId(int32_t level, uint32_t id) override;
  QVEstring LevelTag(int32_t level) override;
  void WriteLine(const Line& line) override;

  // On a terminal (`on`): error lines red and warning lines yellow when `colours`, and room for
  // a status line below the output (SetStatus). Off (the default): every byte as without it.
  void SetTerminal(bool on, bool colours);
  // The status line kept below the output on a terminal; empty takes it away. Ignored when the
  // terminal look is off.
  void SetStatus(std::string_view status);

 protected:
  void WriteNow(std::string_view line) override;

 private:
  QVWriteGather gather_;
  bool terminal_on_ = false;
  QVConsoleTerminal terminal_;
};

// Writes each line to its file with one write call (no flush), or with the block it belongs to
// while a QVOutputBatch is open. A write failure (-996) is recorded and stops the import
// (QVRunFile); before SetFile names a file it writes nothing.
class QVTextFileTraceOutputer : public QVTraceOutputer {
 public:
  explicit QVTextFileTraceOutputer(int32_t level = kQVTraceOff);
  ~QVTextFileTraceOutputer() override;
  int32_t GetType() const override { return kQVOutputerTextFile; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  // Creates (truncates) the trace file, once no other run holds it (QVRunFile).
  virtual void SetFile(const QVEstring& path);
  void WriteLine(const Line& line) override;

 protected:
  void WriteNow(std::string_view line) override;

 private:
  QVRunFile file_;
  QVWriteGather gather_;
};

// Accumulates lines in memory, compactly: the text goes into a block of kQVLargeBlockSize bytes,
// and each full block is kept compressed (LZ4; trace text shrinks about tenfold). GetText
// rebuilds the text. A huge line passes through the block in pieces, so it is never held whole.
// With a tail limit only the newest full blocks are kept, so a long run's trace does not grow
// in memory (the trace file has it all).
class QVStringTraceOutputer : public QVTraceOutputer {
 public:
  using QVTraceOutputer::QVTraceOutputer;
  ~QVStringTraceOutputer() override;
  int32_t GetType() const override { return kQVOutputerString; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  // Every line collected so far, in order, as one text; once the tail limit has let text go,
  // the kept text from its first whole line on.
  virtual QVEstring GetText() const;
  // Keep at least the last `bytes` of text and at most that plus one block (0, the default:
  // keep everything). Older full blocks are let go as new ones fill.
  void SetTailLimit(size_t bytes) { tail_limit_ = bytes; }
  void WriteLine(const Line& line) override;

 protected:
  void WriteNow(std::string_view line) override;

 private:
  // A full block as kept.
  struct Packed {
    std::unique_ptr<char[]> data;
    size_t size = 0;      // compressed bytes, or the text's when `stored`
    size_t raw_size = 0;  // the text's bytes
    bool stored = false;  // kept as it is (it would not shrink)
  };
  void Append(std::string_view text);
  // Compresses the full open block into packed_ and empties it.
  void Seal();

  std::deque<Packed> packed_;
  QVLargeBlock open_;  // the block being filled
  size_t open_size_ = 0;
  size_t open_capacity_ = 0;
  size_t text_size_ = 0;  // of the kept text
  size_t tail_limit_ = 0;
  bool dropped_ = false;  // text has been let go
};

// The single dispatcher. Created on first use with a console and a text-file outputer, both at
// level 9 (silent), and never destroyed. Dispatch holds the lock for one whole message.
class QVTracer {
  // Only Instance() can name this type, so only it can build a tracer.
  struct OnlyInstance {
    explicit OnlyInstance() = default;
  };

 public:
  static QVTracer& Instance();
  explicit QVTracer(OnlyInstance);

  // Appends; an empty pointer is ignored.
  void AddOutputer(const std::shared_ptr<QVTraceOutputer>& outputer);
  std::shared_ptr<QVTraceOutputer> FindOutputer(int32_t type);
  void SetOutputerLevel(int32_t type, int32_t level);
  void SetAllLevels(int32_t level);
  // File: 9 for 0, 4 for 1, 2 for 2, 1 for 3, 0 otherwise; console: always 2.
  void SetDebugLevel(int32_t n);
  void SetTraceFile(const QVEstring& path);
  // The console outputer's SetTerminal and SetStatus, under the lock, so that a status line
  // never cuts into a message being written.
  void SetConsoleTerminal(bool on, bool colours);
  void ShowConsoleStatus(std::string_view status);

  void Trace(int32_t level, const char* source, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  void TraceV(int32_t level, const char* source, const char* format, va_list args);
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  void TraceIdV(int32_t level, uint32_t id, const char* source, const char* format, va_list args);
  void Debug(const char* source, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void Critical(const char* source, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void Output(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  // Sends a message to every outputer whose level admits it. The message is formatted once and
  // the lines of the library outputers are built from it first, once per kind, and then
  // written in the outputers' order, so that the writes (system calls) of one message follow
  // each other closely.
  void Dispatch(int32_t level, const uint32_t* id, const char* source, const char* format,
                va_list args);

  std::list<std::shared_ptr<QVTraceOutputer>> outputers_;
  QVCriticalSection lock_;
  // Reused from one message to the next.
  QVEstring message_;
  QVTraceOutputer::Line lines_[3];  // by LineKind
};

}  // namespace Qve
