// The HTML import log ("import_log.html"): every message of the run above a minimum level, with
// an anchor id on errors and warnings so that the JSON report can link to them.
#pragma once

#include <cstdint>
#include <string_view>

#include "QVEFile.h"
#include "QVEOutputBatch.h"
#include "QVERunFile.h"
#include "QVEString.h"
#include "QVETimeStamp.h"

namespace Qva {

// Every message goes to QVTracer first, whether or not the page is open. The page gets one write
// call per line, or one per block of lines while a Qve::QVOutputBatch is open (no flush). Every
// text given to it (messages, sources, the target database and service) is written HTML-escaped
// (HtmlText.h), so that it shows as text; only the page's own markup is markup.
// Not thread-safe: called from the analysis thread only.
class DedezuLogger {
 public:
  // The process-wide logger, created disabled on first call and never destroyed.
  static DedezuLogger& Instance();

  // A separate, disabled logger. The program uses Instance(); tests make their own.
  DedezuLogger() = default;
  DedezuLogger(const DedezuLogger&) = delete;
  DedezuLogger& operator=(const DedezuLogger&) = delete;
  virtual ~DedezuLogger();

  // Creates base_dir + "/" + report_dir + "/Import" with its missing parents, creates (or
  // truncates) the file `file_name` there and writes the page header naming `import_db` and
  // `service`. Messages below `min_level` are not written to the page. `analyzer_name` is not
  // used. Throws the QVException* of QVFile::Create (-998, naming the file) when the file cannot
  // be created, or -994 when another run writes it; the logger then stays disabled. A write
  // that fails later is recorded and stops the import (Qve::QVRunFile); the page is then
  // written no more.
  void Open(const Qve::QVEstring& base_dir, const Qve::QVEstring& analyzer_name,
            const Qve::QVEstring& import_db, const Qve::QVEstring& service, const char* file_name,
            uint32_t min_level, const Qve::QVEstring& report_dir);

  // A finished message (no formatting: "%" is an ordinary character) at level 4 (error) or
  // 3 (warning); `id` becomes the line's id attribute and the current id.
  void Error(uint64_t id, const char* source, const Qve::QVEstring& text);
  void Warning(uint64_t id, const char* source, const Qve::QVEstring& text);
  // A printf-style plain line at `level` (8 for report lines). `source` may be empty.
  void Log(uint32_t level, const char* source, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Records the begin time and logs the text at level 8, source "Action begin".
  void ActionBegin(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Records the end time, logs the text at level 8, source "Action end", then the elapsed time
  // since ActionBegin, source "Action time", as "%2.1f seconds\n". Texts of ActionBegin and
  // ActionEnd are cut at 65,535 bytes.
  void ActionEnd(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes the end of the page with `version` and the current time; nothing before Open.
  void WriteFooter(const Qve::QVEstring& version);
  // Closes the file. The logger stays enabled: later lines would fail to write (recorded).
  void Close();

  bool IsEnabled() const { return enabled_; }
  uint64_t GetCurrentId() const { return current_id_; }

 private:
  // A page line is built in line_: the markup before the message (BeginLine), the message
  // (PreparePage for a finished text, which leaves a huge one where it is); WritePage closes
  // it and writes it with one call.
  void BeginLine(uint32_t level, const char* source);
  void PreparePage(uint32_t level, const char* source, std::string_view text);
  void WritePage(uint32_t level);
  // Writes a finished text to the page, after the lines gathered before it.
  void WriteNow(std::string_view text);
  // Appends the escaped `source` to line_.
  void AppendSource(const char* source);

  Qve::QVRunFile file_;
  Qve::QVWriteGather gather_{[this](std::string_view text) { WriteNow(text); }};
  uint32_t min_level_ = 0;
  uint64_t current_id_ = 0;
  bool enabled_ = false;
  Qve::QVTimeStamp action_begin_;
  Qve::QVTimeStamp action_end_;
  // Reused for every line, so that a line costs no allocation.
  Qve::QVEstring line_;
  std::string_view huge_text_;  // the message of the line being built, when left where it is
  // The last source that was not long and its escaped form: most lines share the source of
  // the line before.
  Qve::QVEstring source_;
  Qve::QVEstring html_source_;
};

}  // namespace Qva
