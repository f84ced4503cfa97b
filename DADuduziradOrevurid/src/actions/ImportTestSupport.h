// Test helpers for the import actions: private report outputs, rules to fire actions with, and a
// real wizard event subscriber.
#pragma once

#include <rapidjson/document.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "actions/ImportActions.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "events/TestSubscriber.h"
#include "events/WizzardController.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva::test {

// A new empty folder under the test temp folder.
inline std::string NewTempDir(const std::string& tag) {
  static std::atomic<int> counter{0};
  const std::string dir = ::testing::TempDir() + "import_actions_" + std::to_string(getpid()) +
                          "_" + tag + "_" + std::to_string(counter++);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every field of a recorded entry, "|"-separated: kind name code text line context file script
// id stage.
inline std::string Describe(const StatMember& entry) {
  return std::to_string(entry.GetType()) + "|" + entry.errName + "|" + entry.errCode + "|" +
         entry.errTxt + "|" + entry.errLine + "|" + entry.errContext + "|" + entry.workingFile +
         "|" + entry.scriptFile + "|" + std::to_string(entry.GetLineId()) + "|" +
         std::to_string(entry.GetStage());
}

// A report data file with the objects EMP, DEPT and T and one entry of another error type.
inline constexpr const char* kReportData =
    R"({"general_information":{"time_import":0,"import_report":false,)"
    R"("use_import_log_analyzer":false},)"
    R"("objects":[{"object_name":"EMP"},{"object_name":"DEPT"},{"object_name":"T"}],)"
    R"("error_table":[{"error_type":"Conversion","number_of_occurences":1}]})";

// An HTML log and a JSON report of the test's own, in a fresh folder.
class TestOutputs {
 public:
  explicit TestOutputs(const std::string& target_db = "Oracle",
                       const std::string& data = kReportData)
      : dir_(NewTempDir("out")) {
    std::filesystem::create_directories(dir_ + "/rpt");
    std::ofstream(dir_ + "/rpt/data.js") << "const json =" << data;
    report.Init(true, dir_, "rpt", target_db);
    log.Open(dir_, "Import Log Analyzer", target_db, "localhost", "import_log.html", 1, "rpt");
  }

  // The page's lines after the header, each without its time stamp and "\r\n".
  std::vector<std::string> LogLines() const {
    const std::string text = ReadText(dir_ + "/rpt/Import/import_log.html");
    std::vector<std::string> lines;
    const std::string stamp_end = " </tmstp> ";
    for (size_t at = text.find("<br><tmstp>"); at != std::string::npos;) {
      const size_t end = text.find("\r\n", at);
      const size_t body = text.find(stamp_end, at) + stamp_end.size();
      lines.push_back(text.substr(body, end - body));
      at = text.find("<br><tmstp>", end);
    }
    return lines;
  }

  // The lines of the page that are errors or warnings.
  std::vector<std::string> MarkedLines() const {
    std::vector<std::string> marked;
    for (const std::string& line : LogLines()) {
      if (line.starts_with("<error") || line.starts_with("<warning")) marked.push_back(line);
    }
    return marked;
  }

  // The report document's array `name` ("objects", "error_table").
  const rapidjson::Value& Array(const char* name) const { return report.GetDocument()[name]; }

  // The string member `member` of the "objects" entry named `object`; "-" when absent.
  std::string ObjectMember(const std::string& object, const char* member) const {
    for (const auto& entry : Array("objects").GetArray()) {
      if (entry["object_name"].GetString() != object) continue;
      auto found = entry.FindMember(member);
      if (found == entry.MemberEnd()) return "-";
      return found->value.IsString() ? found->value.GetString() : "(not a string)";
    }
    return "-";
  }

  // "text|link|count|objects" of each "Import" entry of "error_table", in table order.
  std::vector<std::string> ImportErrorRows() const {
    std::vector<std::string> rows;
    for (const auto& entry : Array("error_table").GetArray()) {
      if (std::string(entry["error_type"].GetString()) != "Import") continue;
      rows.push_back(std::string(entry["error_message"].GetString()) + "|" +
                     entry["error_link"].GetString() + "|" +
                     std::to_string(entry["number_of_occurences"].GetUint64()) + "|" +
                     entry["failed_objects"].GetString());
    }
    return rows;
  }

  DedezuLogger log;
  JsonImportReport report;

 private:
  std::string dir_;
};

// One controller on a real ZeroMQ socket with a subscriber, shared by the whole test binary: its
// start waits 3 seconds once. The controller counts four "call " lines.
class EventProbe {
 public:
  static EventProbe& Get() {
    static EventProbe probe;
    return probe;
  }

  CWizzardInspectionController& Controller() { return controller_; }

  // The messages that arrived since the last call, in order: waits until none has arrived for
  // a short while.
  std::vector<std::string> Take() {
    std::vector<std::string> texts;
    while (subscriber_.HasMessage(std::chrono::milliseconds(250))) {
      texts.push_back(subscriber_.Receive());
    }
    return texts;
  }

 private:
  EventProbe() : port_(events_test::FreeTcpPort()), subscriber_(port_) {
    const std::string script = NewTempDir("events") + "/movarin_all.bat";
    std::ofstream(script) << "call a.bat\ncall b.bat\ncall c.bat\ncall d.bat\n";
    controller_.Init(port_, "", script);
  }

  uint16_t port_;
  events_test::TestSubscriber subscriber_;
  CWizzardInspectionController controller_;
};

// A text as a JSON string literal (the escapes the test texts need).
inline std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"' || ch == '\\') quoted += '\\';
    quoted += ch == '\n' ? std::string("\\n") : std::string(1, ch);
  }
  return quoted + "\"";
}

// The start event of an object (or, with empty object and type, the end of a called script) as
// the wizard receives it.
inline std::string StartEvent(const std::string& script, const std::string& object,
                              const std::string& type, bool additional = false) {
  return R"({"type":"import_scripts","data":{"filename":)" + Quoted(script) +
         R"(,"objectImportName":)" + Quoted(object) + R"(,"type":)" + Quoted(type) +
         R"(,"isAdditional":)" + (additional ? "true" : "false") + "}}";
}

// The error event of an error of import stage `stage` as the wizard receives it.
inline std::string ErrorEvent(const std::string& working_file, const std::string& script,
                              const std::string& line, const std::string& code,
                              const std::string& name, const std::string& text, int stage = 1) {
  return R"({"type":"import_scripts","data":{"isImportResultError":true,)"
         R"("isImportStageUnknown":)" +
         std::string(stage == 0 ? "true" : "false") + R"(,"isImportStageDdl":)" +
         (stage == 1 ? "true" : "false") + R"(,"workingFile":)" + Quoted(working_file) +
         R"(,"scriptFile":)" + Quoted(script) + R"(,"errLine":)" + Quoted(line) + R"(,"errCode":)" +
         Quoted(code) + R"(,"errName":)" + Quoted(name) + R"(,"errTxt":)" + Quoted(text) + "}}";
}

// A progress event of this process starts so; its value depends on what earlier tests finished.
inline constexpr const char* kProgressStart = R"({"type":"progress","data":{"pid":)";

// A rule named `name` with the output template `output`, tried on storage line `line_index`.
inline std::unique_ptr<RegexAnalyzeRule> MakeRule(const std::string& name,
                                                  const std::string& output = "",
                                                  int64_t line_index = 0) {
  auto rule = std::make_unique<RegexAnalyzeRule>(1, name, -1, 0, 1, 0, "", "", "^x\n", output,
                                                 ActionFunction());
  rule->SetLineIndex(line_index);
  return rule;
}

}  // namespace Qva::test
