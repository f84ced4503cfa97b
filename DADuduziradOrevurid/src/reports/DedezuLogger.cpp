#include "reports/DedezuLogger.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "QVEException.h"
#include "QVENoDestructor.h"
#include "QVETrace.h"
#include "reports/HtmlText.h"
#include "reports/SiteAddresses.h"

namespace Qva {

namespace {

// ActionBegin and ActionEnd format into a buffer of this size; longer texts are cut.
constexpr size_t kActionTextBuffer = 65536;

// The line buffers keep their room between messages up to this size.
constexpr size_t kKeptBufferSize = 65536;

// The escaped form of a source up to this size is kept for the lines after it.
constexpr size_t kKeptSourceSize = 4096;

// A message this large is written from where it is, not copied into the line.
constexpr size_t kHugeMessage = 65536;

constexpr const char* kPageHead =
    "<HTML>\n"
    "<head>\n"
    "<title>Movarin Import Log</title>\n"
    "<link rel = \"stylesheet\" type = \"text/css\" href = \"../css/stylesheet.css\">\n"
    "<script type=\"text/javascript\">\n"
    "        function markByID() {\n"
    "            var line = document.getElementById(window.location.hash.substr(1));\n"
    "\t\t\tline.className = \"selected\";\n"
    "        }\n"
    "        window.onload = markByID;\n"
    "</script>\n"
    "</head>\n"
    "<body class = \"background\">\n"
    "<div class = \"main\">\n"
    "<font face = \"Arial\">\n"
    "<center><br><strong>Movarin Import Log</strong><br>\n";

void AppendNumber(Qve::QVEstring& out, uint64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof(digits), value);
  out.append(digits, end.ptr);
}

const char* CloseTag(uint32_t level) {
  return level == Qve::kQVTraceError     ? "</error>"
         : level == Qve::kQVTraceWarning ? "</warning>"
                                         : "</line>";
}

Qve::QVEstring FormatAction(const char* format, va_list args) {
  char buffer[kActionTextBuffer];
  int length = std::vsnprintf(buffer, sizeof(buffer), format, args);
  if (length < 0) return {};
  return Qve::QVEstring(buffer);
}

}  // namespace

DedezuLogger& DedezuLogger::Instance() {
  // Never destroyed: lines may still be logged while static objects are torn down.
  static Qve::QVNoDestructor<DedezuLogger> logger;
  return logger.Get();
}

DedezuLogger::~DedezuLogger() {
  try {
    gather_.Flush();
  } catch (Qve::QVException* error) {
    delete error;  // a destructor has no one to report to
  }
}

void DedezuLogger::Open(const Qve::QVEstring& base_dir, const Qve::QVEstring& /*analyzer_name*/,
                        const Qve::QVEstring& import_db, const Qve::QVEstring& service,
                        const char* file_name, uint32_t min_level,
                        const Qve::QVEstring& report_dir) {
  Qve::QVEstring log_dir = base_dir + "/" + report_dir + "/Import";
  enabled_ = false;
  min_level_ = min_level;
  if (file_.IsOpen()) Close();
  // A failure here surfaces as the create failure below, which names the file.
  std::error_code ignored;
  std::filesystem::create_directories(log_dir, ignored);
  file_.Create(log_dir + "/" + (file_name ? file_name : ""));
  gather_.SetHandle(file_.GetHandle());
  enabled_ = true;

  Qve::QVEstring header = kPageHead;
  header += " </center><br>\n\n";
  header += "<br><center><strong>Import Database: </strong>" + HtmlText(import_db);
  header += "<span style=\"padding:0px 10px\"/><strong>Service: </strong>" + HtmlText(service);
  header += "</center><br><text>\n";
  header = Qve::AnsiToUtf8(header);
  file_.Write(header.data(), header.size());
}

// The page line of a message is built before the message is traced and written after it, so
// that the writes of one message (console, trace file, page) follow each other closely.

void DedezuLogger::Error(uint64_t id, const char* source, const Qve::QVEstring& text) {
  const bool page = enabled_ && Qve::kQVTraceError >= min_level_;
  if (page) {
    current_id_ = id;
    PreparePage(Qve::kQVTraceError, source, text);
  }
  Qve::QVTracer::Instance().TraceId(Qve::kQVTraceError, static_cast<uint32_t>(id), source, "%s",
                                    text.c_str());
  if (page) WritePage(Qve::kQVTraceError);
}

void DedezuLogger::Warning(uint64_t id, const char* source, const Qve::QVEstring& text) {
  const bool page = enabled_ && Qve::kQVTraceWarning >= min_level_;
  if (page) {
    current_id_ = id;
    PreparePage(Qve::kQVTraceWarning, source, text);
  }
  Qve::QVTracer::Instance().Trace(Qve::kQVTraceWarning, source, "%s", text.c_str());
  if (page) WritePage(Qve::kQVTraceWarning);
}

void DedezuLogger::Log(uint32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const bool page = enabled_ && level >= min_level_;
  if (page) {
    va_list page_args;
    va_copy(page_args, args);
    std::string_view text;
    if (Qve::SingleTextArgument(format, page_args, text)) {
      PreparePage(level, source, text);
    } else {
      BeginLine(level, source);
      const size_t start = line_.size();
      Qve::AppendFormatV(line_, format, page_args);  // the arguments never point into line_
      if (NeedsHtmlEscape(std::string_view(line_).substr(start))) {
        const Qve::QVEstring raw = line_.substr(start);
        line_.resize(start);
        AppendHtmlText(line_, raw);
      }
      huge_text_ = {};
    }
    va_end(page_args);
  }
  Qve::QVTracer::Instance().TraceV(static_cast<int32_t>(level), source, format, args);
  va_end(args);
  if (page) WritePage(level);
}

void DedezuLogger::ActionBegin(const char* format, ...) {
  action_begin_.SetNow();
  va_list args;
  va_start(args, format);
  Qve::QVEstring text = FormatAction(format, args);
  va_end(args);
  Log(Qve::kQVTraceOutput, "Action begin", "%s", text.c_str());
}

void DedezuLogger::ActionEnd(const char* format, ...) {
  action_end_.SetNow();
  double elapsed = action_begin_.ElapsedSeconds(action_end_);
  va_list args;
  va_start(args, format);
  Qve::QVEstring text = FormatAction(format, args);
  va_end(args);
  Log(Qve::kQVTraceOutput, "Action end", "%s", text.c_str());
  Log(Qve::kQVTraceOutput, "Action time", "%2.1f seconds\n", elapsed);
}

void DedezuLogger::WriteFooter(const Qve::QVEstring& version) {
  if (!enabled_) return;
  Qve::QVEstring footer =
      "</text><br />\n<center><a href = \"../ImportReport.html\"><strong>View Import "
      "Report</strong></a>";
  footer += "<br /><br />";
  footer += kLogFooterCredit;
  footer += version;
  footer += "<br />\nTimestamp: " + Qve::QVTimeStamp::Now().Text();
  footer += "</center></font></div></body></HTML>";
  footer = Qve::AnsiToUtf8(footer);
  gather_.Flush();
  file_.Write(footer.data(), footer.size());
}

void DedezuLogger::Close() {
  gather_.SetHandle(Qve::kQVInvalidHandle);
  try {
    gather_.Flush();
  } catch (...) {
    file_.Close();
    throw;
  }
  file_.Close();
}

void DedezuLogger::WriteNow(std::string_view text) { file_.Write(text.data(), text.size()); }

void DedezuLogger::BeginLine(uint32_t level, const char* source) {
  // One buffer for every line: the page gets a line per message of the run.
  Qve::QVEstring& line = line_;
  line.clear();
  line += "<br><tmstp>";
  Qve::QVTimeStamp::Now().AppendText(line);
  line += " </tmstp> ";
  if (level == Qve::kQVTraceError) {
    line += "<error id=\"";
    AppendNumber(line, current_id_);
    line += "\">[ERR] ";
  } else if (level == Qve::kQVTraceWarning) {
    line += "<warning id=\"";
    AppendNumber(line, current_id_);
    line += "\">[WRN] ";
  } else {
    line += "<line>  <exec>";
  }
  if (source && *source) {
    AppendSource(source);  // script and tool names come from the child's output
    line += "> ";
  }
  line += "</exec>";
}

void DedezuLogger::AppendSource(const char* source) {
  const std::string_view text(source);
  // A long one (a crafted tool path may be megabytes) is not kept: escaped into the line.
  if (text.size() > kKeptSourceSize) {
    AppendHtmlText(line_, text);
    return;
  }
  if (source_ != text) {
    source_ = text;
    html_source_.clear();
    AppendHtmlText(html_source_, source_);
  }
  line_ += html_source_;
}

void DedezuLogger::PreparePage(uint32_t level, const char* source, std::string_view text) {
  BeginLine(level, source);
  huge_text_ = {};
  // Text that needs escaping is copied, however large; other text may stay where it is.
  if (text.size() < kHugeMessage || NeedsHtmlEscape(text)) {
    AppendHtmlText(line_, text);
  } else {
    huge_text_ = text;  // written from where it is: no copy of a huge text
  }
}

void DedezuLogger::WritePage(uint32_t level) {
  if (huge_text_.empty()) {
    line_ += CloseTag(level);
    line_ += "\r\n";
    if (!gather_.Take({line_})) file_.Write(line_.data(), line_.size());
  } else {
    if (!gather_.Take({line_, huge_text_, CloseTag(level), "\r\n"})) {
      file_.Write({line_, huge_text_, CloseTag(level), "\r\n"});
    }
    huge_text_ = {};
  }
  // A huge message (a child may print a 50 MB line) is not kept alive for the rest of the run.
  if (line_.capacity() > kKeptBufferSize) Qve::QVEstring().swap(line_);
}

}  // namespace Qva
