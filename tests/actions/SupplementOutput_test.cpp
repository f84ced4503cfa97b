// The platform rules with their real actions write each line they take once: on the console and
// in the trace file (both from the tracer) and in the HTML log. An error action writes the line
// itself, so an output action after it, or a rule that lets the catch-all output rule see the
// line again, shows it twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"
#include "reports/HtmlText.h"

namespace Qva {
namespace {

constexpr int32_t kFirstPlatformRuleId = 2000;

std::vector<std::string> SplitLines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every captured log behind each target line, and the rows of expected_rules.tsv behind their
// group's target line: the lines that the platform rules are known to take.
std::vector<std::vector<std::string>> Logs() {
  const std::filesystem::path folder = ML_SOURCE_DIR "/tests/e2e/captured";
  std::map<std::string, std::vector<std::string>> listed;
  for (const std::string& row : SplitLines(Qve::test::ReadFile(folder / "expected_rules.tsv"))) {
    if (row.starts_with("#")) continue;
    const size_t first = row.find('\t'), second = row.find('\t', first + 1);
    auto& lines = listed[row.substr(0, first)];
    if (lines.empty()) lines.push_back("Importing database objects to " + row.substr(0, first));
    lines.push_back(row.substr(second + 1));
  }
  std::vector<std::vector<std::string>> logs;
  for (const auto& [group, lines] : listed) logs.push_back(lines);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".txt") continue;
    for (const char* target : {"PostgreSQL", "MySQL"}) {
      std::vector<std::string> lines = {std::string("Importing database objects to ") + target};
      for (const std::string& line : SplitLines(Qve::test::ReadFile(entry.path())))
        lines.push_back(line);
      logs.push_back(std::move(lines));
    }
  }
  return logs;
}

// How many of `texts` contain `line`.
size_t CountHolding(const std::vector<std::string>& texts, const std::string& line) {
  size_t count = 0;
  for (const std::string& text : texts) count += text.find(line) != std::string::npos ? 1 : 0;
  return count;
}

// A line that a platform rule takes shows in the trace and on the page at most as often as the
// log has lines ending with it, and an error at least once. (That every platform rule takes a
// line of these logs is the captured-output test's.)
TEST(SupplementOutputTest, EveryLineAPlatformRuleTakesIsWrittenOnce) {
  for (const std::vector<std::string>& lines : Logs()) {
    SCOPED_TRACE(lines[1].substr(0, 60));
    test::TestOutputs out("PostgreSQL");
    LogAnalyzer analyzer;
    auto actions = ImpLogAnalyzerActionManager::AttachTo(analyzer, test::ReportRun("all.sh"));
    analyzer.Init(true);
    actions->SetOutputs(out.log, out.report, test::EventProbe::Get().Controller());
    // Line index: whether a platform error rule writes the line as it is (a rule with an output
    // text of its own writes that instead).
    std::map<int64_t, bool> platform_lines;
    analyzer.SetMatchListener([&](const IAnalyzeRule& rule, const TextLines&, const TextLines&) {
      if (rule.GetId() < kFirstPlatformRuleId) return;
      platform_lines[rule.GetLineIndex()] |=
          rule.GetKind() == RuleKind::kError && rule.OutputText().empty();
    });
    const size_t loading_trace = analyzer.GetTraceText().size();
    std::string log;
    // The lines as stored: without the blanks that end them, and none empty.
    std::vector<std::string> stored;
    for (const std::string& line : lines) {
      log += line + "\n";
      const size_t end = line.find_last_not_of(" \r");
      if (end != std::string::npos) stored.push_back(line.substr(0, end + 1));
    }
    analyzer.AddText(log);
    analyzer.AnalyzeAvailable(1);
    test::EventProbe::Get().Take();

    const std::vector<std::string> trace =
        SplitLines(analyzer.GetTraceText().substr(loading_trace));
    const std::vector<std::string> page = out.LogLines();
    for (const auto& [index, error] : platform_lines) {
      const std::string& line = stored[static_cast<size_t>(index)];
      std::string escaped;
      AppendHtmlText(escaped, line);
      const size_t in_log = CountHolding(stored, line);
      EXPECT_LE(CountHolding(trace, line), in_log) << "trace: " << line;
      EXPECT_LE(CountHolding(page, escaped), in_log) << "page: " << line;
      if (error) {
        EXPECT_GE(CountHolding(trace, line), 1u) << "trace: " << line;
        EXPECT_GE(CountHolding(page, escaped), 1u) << "page: " << line;
      }
    }
  }
}

}  // namespace
}  // namespace Qva
