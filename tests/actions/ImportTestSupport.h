// Test helpers for the import actions: report outputs of a test's own, rules to fire actions
// with, a real wizard event subscriber and whole logs run through the analyzer.
#pragma once

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

#include "QVETestSupport.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/RunSettings.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "events/TestSubscriber.h"
#include "events/WizzardController.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva::test {

// An HTML log and a JSON report in a fresh folder; the report lists `object`, if any.
class TestOutputs {
 public:
  explicit TestOutputs(const std::string& target_db = "Oracle", const std::string& object = "") {
    std::filesystem::create_directories(folder_.File("rpt"));
    std::ofstream(folder_.File("rpt/data.js"))
        << R"(const json ={"objects":[)"
        << (object.empty() ? "" : R"({"object_name":")" + object + "\"}")
        << R"(],"error_table":[{"error_type":"Conversion"}]})";
    report.Init(true, folder_.File(""), "rpt", target_db);
    log.Open(folder_.File(""), "Import Log Analyzer", target_db, "localhost", "import_log.html", 1,
             "rpt");
  }

  // The page's lines after the header, each without its time stamp and "\r\n".
  std::vector<std::string> LogLines() const {
    const std::string text = Qve::test::ReadFile(folder_.File("rpt/Import/import_log.html"));
    std::vector<std::string> lines;
    for (size_t at = text.find("<br><tmstp>"); at != std::string::npos;) {
      const size_t end = text.find("\r\n", at);
      const size_t body = text.find(" </tmstp> ", at) + 10;
      lines.push_back(text.substr(body, end - body));
      at = text.find("<br><tmstp>", end);
    }
    return lines;
  }

  DedezuLogger log;
  JsonImportReport report;

 private:
  Qve::test::TempFolder folder_;
};

// One controller on a real ZeroMQ socket with a subscriber, shared by the whole test binary, so
// its start waits 3 seconds once. It counts four "call " lines.
class EventProbe {
 public:
  static EventProbe& Get() {
    static EventProbe probe;
    return probe;
  }

  CWizzardInspectionController& Controller() { return controller_; }

  // The messages sent since the last call, in order: a marker sent now arrives after them, so
  // no quiet period has to be waited out.
  std::vector<std::string> Take() {
    controller_.FinishedImportEvent("end of take");
    std::vector<std::string> texts;
    for (std::string text; (text = subscriber_.Receive()).find("end of take") == text.npos;) {
      if (text.empty()) return {"(timed out)"};
      texts.push_back(text);
    }
    return texts;
  }

 private:
  EventProbe() : subscriber_(port_) {
    std::ofstream(folder_.File("all.bat")) << "call a\ncall b\ncall c\ncall d\n";
    controller_.Init(port_, "", folder_.File("all.bat"));
  }

  Qve::test::TempFolder folder_;
  uint16_t port_ = events_test::FreeTcpPort();
  events_test::TestSubscriber subscriber_;
  CWizzardInspectionController controller_;
};

// The settings of a run with reports of the analyzed script `root`, run text `command`.
inline RunSettings ReportRun(const char* root = "movarin_all.bat", const char* command = "",
                             const std::string& target_db = "") {
  RunSettings settings;
  settings.report = true;
  settings.analyze_file = root;
  settings.command = command;
  settings.target_db = target_db;
  settings.report_dir = "rpt";
  return settings;
}

// A rule named `name` with the output template `output`, tried on storage line `line_index`.
inline std::unique_ptr<RegexAnalyzeRule> MakeRule(const std::string& name,
                                                  const std::string& output = "",
                                                  int64_t line_index = 0) {
  auto rule = std::make_unique<RegexAnalyzeRule>(1, name, -1, 0, 1, 0, "", "", "^x\n", output,
                                                 ActionFunction());
  rule->SetLineIndex(line_index);
  return rule;
}

// The root script of the Windows logs.
inline constexpr const char* kRoot = "C:\\imp\\movarin_all.bat";

// Masks what differs between runs: time stamps, durations, the process and its progress.
inline std::string Masked(const std::string& text) {
  static const std::regex varying(R"((^|\n)[A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}|)"
                                  R"("time_import":\d+|"pid":\d+,"progress":[.\d]+)");
  return std::regex_replace(text, varying, "$1#");
}

// One log analyzed as the launcher feeds it (whole-line blocks, then the rest, then the script's
// end if given), with outputs of its own; the events that the shared probe received, the final
// status event last.
struct ImportRun {
  ImportRun(const std::string& log, const std::string& target, RuleSource source = {},
            const char* root = kRoot, std::optional<ScriptEnd> end = {})
      : out(target), analyzer(std::move(source)) {
    actions =
        ImpLogAnalyzerActionManager::AttachTo(analyzer, test::ReportRun(root, "echo", target));
    analyzer.Init(true);
    const size_t loading_trace = analyzer.GetTraceText().size();
    actions->SetOutputs(out.log, out.report, test::EventProbe::Get().Controller());
    size_t at = 0;
    for (size_t end; (end = log.rfind('\n', at + 4096)) != std::string::npos && end >= at;) {
      analyzer.AddText(log.substr(at, end + 1 - at));
      analyzer.AnalyzeAvailable(10);
      at = end + 1;
    }
    analyzer.AddText(log.substr(at));
    analyzer.AnalyzeAvailable(1);
    page_before = out.LogLines();
    if (end) script_end_errors = actions->FinishOutput(*end);
    test::EventProbe::Get().Controller().SendFinalMesssage();
    for (const std::string& event : test::EventProbe::Get().Take()) events += Masked(event) + "\n";
    trace = Masked(analyzer.GetTraceText().substr(loading_trace));
  }

  // One item a line (its line feeds as \\n): the page's lines that match `kept`; the entry kinds
  // per object ("+" marks an additional one); the error table's entries that name no object.
  std::string Digest(const char* kept) const {
    auto escaped = [](const std::string& line) {
      return std::regex_replace(line, std::regex("\n"), "\\n");
    };
    const std::regex kept_lines(kept);
    std::string text;
    for (const std::string& line : out.LogLines()) {
      if (std::regex_search(line, kept_lines)) text += escaped(line) + "\n";
    }
    text += "objects:";
    for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
      text += " " + object.name + (object.additional ? "+:" : ":");
      for (const auto& entry : object.stats) text += entry->GetType() == kStatKindError ? 'E' : 'W';
    }
    for (const auto& entry : out.report.GetDocument()["error_table"].GetArray()) {
      if (entry.HasMember("failed_objects") && entry["failed_objects"] == "") {
        text += "\nrun error: " + escaped(entry["error_message"].GetString());
      }
    }
    return text + "\n";
  }

  // The trace text, the page, data.js and the events.
  std::string Outputs() const {
    std::string page;
    for (const std::string& line : out.LogLines()) page += line + "\n";
    rapidjson::StringBuffer data;
    rapidjson::Writer<rapidjson::StringBuffer> writer(data);
    out.report.GetDocument().Accept(writer);
    return trace + page + Masked(data.GetString()) + "\n" + events;
  }

  test::TestOutputs out;
  LogAnalyzer analyzer;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions;
  std::vector<std::string> page_before;  // before the script's end
  int32_t script_end_errors = 0;
  std::string events;
  std::string trace;
};

}  // namespace Qva::test
