// Process-wide trace dispatcher and its outputers.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "QVEFile.h"
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

 private:
  QVEstring BuildLine(const QVEstring& tag, const char* source, const char* format, va_list args,
                      bool always_format);
  int32_t level_;
};

// Writes to standard output and flushes. No time stamp; tags are the console labels
// ("Notice:", "Warning:", "Error:", ...); a level-4 message with an id shows "Error(id=N):".
class QVConsoleTraceOutputer : public QVTraceOutputer {
 public:
  using QVTraceOutputer::QVTraceOutputer;
  int32_t GetType() const override { return kQVOutputerConsole; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  QVEstring TimeStamp() override;
  QVEstring LevelTagId(int32_t level, uint32_t id) override;
  QVEstring LevelTag(int32_t level) override;
};

// Writes each line to its file with one write call (no flush). Write failures (-996) propagate;
// before SetFile names a file it writes nothing.
class QVTextFileTraceOutputer : public QVTraceOutputer {
 public:
  using QVTraceOutputer::QVTraceOutputer;
  ~QVTextFileTraceOutputer() override;
  int32_t GetType() const override { return kQVOutputerTextFile; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  // Creates (truncates) the trace file.
  virtual void SetFile(const QVEstring& path);

 private:
  QVFile file_;
};

// Accumulates lines in memory.
class QVStringTraceOutputer : public QVTraceOutputer {
 public:
  using QVTraceOutputer::QVTraceOutputer;
  int32_t GetType() const override { return kQVOutputerString; }
  void TraceId(int32_t level, uint32_t id, const char* source, const char* format,
               va_list args) override;
  void Trace(int32_t level, const char* source, const char* format, va_list args) override;
  // Every line collected so far, in order, as one text.
  virtual QVEstring GetText() const;

 private:
  void Append(const QVEstring& line);

  std::vector<QVEstring> pieces_;
  size_t size_ = 0;
};

// The single dispatcher. Created on first use with a console and a text-file outputer, both at
// level 9 (silent), and never destroyed. Dispatch holds the lock for one whole message.
class QVTracer {
 public:
  static QVTracer& Instance();

  // Appends; an empty pointer is ignored.
  void AddOutputer(const std::shared_ptr<QVTraceOutputer>& outputer);
  std::shared_ptr<QVTraceOutputer> FindOutputer(int32_t type);
  void SetOutputerLevel(int32_t type, int32_t level);
  void SetAllLevels(int32_t level);
  // File: 9 for 0, 4 for 1, 2 for 2, 1 for 3, 0 otherwise; console: always 2.
  void SetDebugLevel(int32_t n);
  void SetTraceFile(const QVEstring& path);

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
  QVTracer();
  std::list<std::shared_ptr<QVTraceOutputer>> outputers_;
  QVCriticalSection lock_;
};

}  // namespace Qve
