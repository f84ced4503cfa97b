// The embedded rules on output captured from real shells and clients (tests/e2e/captured), whose
// expected_rules.tsv names the rule that must take each line. The prefilter must change no walk.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ImportLogGenerator.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/TestRuleSources.h"

namespace Qva {
namespace {

std::vector<std::string> ReadLines(const std::string& name) {
  std::ifstream in(ML_SOURCE_DIR "/tests/e2e/captured/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Expected {
  std::string group, rule, line;
};

// Columns: rule group, rule, line. Only the first two tabs separate: a line may hold tabs.
std::vector<Expected> ReadExpected() {
  std::vector<Expected> rows;
  for (const std::string& row : ReadLines("expected_rules.tsv")) {
    const size_t first = row.find('\t'), second = row.find('\t', first + 1);
    if (!row.starts_with("#"))
      rows.push_back({row.substr(0, first), row.substr(first + 1, second - first - 1),
                      row.substr(second + 1)});
  }
  return rows;
}

// An analyzer on the embedded rules that records every match, and per stored line the rules
// that took it other than the echo filters and the catch-all output rule.
struct Recorder {
  explicit Recorder(bool prefilter, RuleSource source = {}) : analyzer(std::move(source)) {
    analyzer.SetPrefilterEnabled(prefilter);
    ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
    analyzer.Init(false);
    analyzer.SetMatchListener(
        [this](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& found) {
          const std::string name = rule.GetName();
          std::string match = std::to_string(rule.GetLineIndex()) + " " + name + ":";
          for (const auto& text : lines) match += " <" + text + ">";
          for (const auto& text : found) match += " [" + text + "]";
          walk.push_back(match);
          ids.insert(rule.GetId());
          error_kind[name] = rule.GetKind() == RuleKind::kError;
          if (name != "FilterCmdEchoStrings" && name != "FilterShellTraceStrings" &&
              name != "OutputNonEmptyStrings") {
            taken[rule.GetLineIndex()] += name + " ";
          }
        });
  }

  // Reads of 1,024 bytes, whole lines only, as the launcher hands them over; the error count.
  int32_t Feed(const std::string& log) {
    int32_t errors = 0;
    std::string pending;
    for (size_t at = 0; at < log.size(); at += 1024) {
      pending.append(log, at, 1024);
      const size_t last = pending.rfind('\n');
      if (last == std::string::npos) continue;
      analyzer.AddText(pending.substr(0, last + 1));
      pending.erase(0, last + 1);
      errors += analyzer.AnalyzeAvailable(10);
    }
    analyzer.AddText(pending);
    return errors + analyzer.AnalyzeAvailable(1);
  }

  LogAnalyzer analyzer;
  std::vector<std::string> walk;
  std::map<int64_t, std::string> taken;
  std::set<int32_t> ids;  // of the rules that matched
  std::map<std::string, bool> error_kind;
};

// The captured logs, and the listed lines of each group behind the line that names its target:
// every listed line is taken by its rule, the error count is one per line whose rule is of the
// Error kind, every platform rule (ids from 2000) takes a line, and with the prefilter every
// match (its lines and groups as the actions left them), the error count and trace are the same.
TEST(CapturedOutputTest, EveryListedLineIsTakenByItsRuleWithAndWithoutPrefilter) {
  const std::vector<std::string> postgresql = ReadLines("postgresql-failures.txt");
  std::vector<std::pair<std::vector<std::string>, std::string>> logs = {
      {postgresql, "POSTGRESQL"},
      {ReadLines("mariadb-failures.txt"), "MYSQL"},
      {ReadLines("postgresql-linux.txt"), "POSTGRESQL"},
      // The target named twice: its group's rules are in the list twice.
      {postgresql, "POSTGRESQL"},
      // Windows line ends, 4-line ORA- and SQL*Loader errors, command echo, tool launches.
      {{bench::GenerateImportLog(3000, 20240607)}, "ORACLE"}};
  logs[3].first.insert(logs[3].first.end(), postgresql.begin(), postgresql.end());
  std::map<std::string, std::vector<std::string>> listed;  // group keyword: its target
  for (const Expected& row : ReadExpected()) {
    auto& lines = listed[row.group];
    if (lines.empty()) lines.push_back("Importing database objects to " + row.group);
    lines.push_back(row.line);
  }
  for (const auto& [group, lines] : listed) logs.push_back({lines, group});
  std::set<int32_t> taking;
  // Time stamps differ between the runs.
  static const std::regex kStamp("^[A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}",
                                 std::regex::multiline);
  for (const auto& [lines, group] : logs) {
    SCOPED_TRACE(lines.front().substr(0, 60));
    std::string log;
    for (const std::string& line : lines) log += line + "\n";
    // One after the other: an analyzer's trace shows what every live analyzer traces.
    Recorder with(true);
    const int32_t errors = with.Feed(log);
    const std::string trace = std::regex_replace(with.analyzer.GetTraceText(), kStamp, "");
    Recorder without(false);
    EXPECT_EQ(without.Feed(log), errors);
    EXPECT_EQ(with.walk, without.walk);
    EXPECT_TRUE(trace == std::regex_replace(without.analyzer.GetTraceText(), kStamp, ""));
    taking.insert(with.ids.begin(), with.ids.end());
    if (lines.size() == 1) continue;  // the generated log

    std::map<std::string, std::string> rule_of_line;
    for (const Expected& row : ReadExpected()) {
      if (row.group == group) rule_of_line[row.line] = row.rule;
    }
    int32_t expected_errors = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      const auto found = rule_of_line.find(lines[i]);
      if (found == rule_of_line.end()) continue;
      EXPECT_EQ(with.taken[i], found->second == "none" ? "" : found->second + " ") << lines[i];
      // Rules that pass the line on (Oracle's chunk rules) come first; the last one decides.
      expected_errors += with.error_kind[found->second.substr(found->second.rfind(' ') + 1)];
    }
    EXPECT_EQ(errors, expected_errors);
  }
  Recorder loaded(false);
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : loaded.analyzer.GetRulesManager()->GetGroupRules(group)) {
      EXPECT_TRUE(rule->GetId() < 2000 || taking.count(rule->GetId()) == 1) << rule->GetName();
    }
  }
}

// The one place where the platform rules change a verdict of the embedded ones on every
// platform: psql's NOTICE, INFO, DEBUG, LOG and HINT lines, which embedded tip rules fail for
// words such as "schema ... does not exist" anywhere in the line.
TEST(CapturedOutputTest, PsqlNoticeLinesFailOnlyWithoutThePlatformRules) {
  std::string log = "Importing database objects to PostgreSQL\n";
  for (const Expected& row : ReadExpected()) {
    if (row.rule == "Postgresql_message") log += row.line + "\n";
  }
  Recorder embedded(true, test::EmbeddedRulesOnly());
  EXPECT_EQ(embedded.Feed(log), 4);  // two NOTICE, an INFO and a LOG line
  EXPECT_EQ(embedded.taken[2], "Psql_error_import_no_schema ");    // DROP SCHEMA IF EXISTS
  EXPECT_EQ(embedded.taken[5], "Psql_error_import_no_function ");  // DROP FUNCTION IF EXISTS
  EXPECT_EQ(Recorder(true).Feed(log), 0);
}

// No Oracle client runs here: the multi-line sqlplus and SQL*Loader errors as they print them.
// Each is taken as one chunk of four lines and counted once.
TEST(CapturedOutputTest, OracleMultiLineErrorsAreOneChunk) {
  Recorder recorder(true);
  EXPECT_EQ(recorder.Feed("Importing database objects to Oracle\r\n"
                          "  CONSTRAINT FK_DEPT FOREIGN KEY (DEPT_ID) REFERENCES HR.DEPTS (ID),\r\n"
                          "                                                         *\r\n"
                          "ERROR at line 5:\r\n"
                          "ORA-00942: table or view does not exist\r\n"
                          "SQL*Loader-350: Syntax error at line 4.\r\n"
                          "Expecting keyword INTO, found \"TABLEX\".\r\n"
                          "TABLEX HR.EMPLOYEES\r\n"
                          "^\r\n"),
            2);
  // The chunk rule hands each its four lines; the chunks' other lines are not analyzed.
  EXPECT_EQ(recorder.taken,
            (std::map<int64_t, std::string>{{0, "DefineImportDBMS "},
                                            {1, "GetElemChunk4 Oracle_4_lines_error "},
                                            {5, "GetElemChunk4 SQL*Loader_syntax_error "}}));
}

}  // namespace
}  // namespace Qva
