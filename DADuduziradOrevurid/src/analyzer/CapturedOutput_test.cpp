// The embedded rules on output captured once from real psql and mysql clients run against real
// servers (tests/e2e/captured), so the rules stay tested on real text without the servers.
// expected_rules.tsv names, for each real client line, the stopping rule that must take it once
// the target's group is active ("none": only the echo filter and the catch-all output rule).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/LogAnalyzer.h"
#include "analyzer/RuleKeywords.h"

namespace Qva {
namespace {

const std::string kCapturedDir = ML_SOURCE_DIR "/tests/e2e/captured/";

struct Expected {
  std::string group;  // rule group keyword: POSTGRESQL, MYSQL
  std::string rule;
  std::string line;
};

std::vector<std::string> ReadLines(const std::string& name) {
  std::ifstream in(kCapturedDir + name);
  EXPECT_TRUE(in.good()) << name;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Only the first two tabs separate columns: a client line may start with a tab itself.
std::vector<Expected> ReadExpected() {
  std::vector<Expected> rows;
  for (const std::string& row : ReadLines("expected_rules.tsv")) {
    if (row.empty() || row[0] == '#') continue;
    const size_t first = row.find('\t');
    const size_t second = row.find('\t', first + 1);
    EXPECT_NE(second, std::string::npos) << row;
    if (second == std::string::npos) continue;
    rows.push_back(
        {row.substr(0, first), row.substr(first + 1, second - first - 1), row.substr(second + 1)});
  }
  return rows;
}

std::string Activation(const std::string& group) {
  static const std::map<std::string, std::string> target = {
      {"POSTGRESQL", "PostgreSQL"},
      {"MYSQL", "MariaDB"},
      {"MICROSOFT SQL SERVER", "Microsoft SQL Server"},
      {"SINGLESTOREDB", "SingleStoreDB"},
      {"ORACLE", "Oracle"}};
  EXPECT_EQ(target.count(group), 1u) << group;
  return "Importing database objects to " + target.at(group);
}

// A fresh analyzer on the embedded rules that records, per stored line, the stopping rules
// that took it and any non-stopping rule other than the echo filters and the output rule.
struct Recorder {
  Recorder() {
    analyzer.Init(false);
    analyzer.SetMatchListener([this](const IAnalyzeRule& rule, const TextLines&, const TextLines&) {
      const std::string name = rule.GetName();
      matched_ids.insert(rule.GetId());
      if (rule.GetBehavior() != RuleBehavior::kNonStop) {
        stopping[rule.GetLineIndex()].push_back(name);
      } else if (name != "FilterCmdEchoStrings" && name != "FilterShellTraceStrings" &&
                 name != "OutputNonEmptyStrings") {
        others[rule.GetLineIndex()].push_back(name);
      }
    });
  }

  std::vector<std::string> Taken(int64_t line, const std::string& rule) {
    EXPECT_EQ(others[line], std::vector<std::string>{});
    return rule == "none" ? std::vector<std::string>{} : std::vector<std::string>{rule};
  }

  LogAnalyzer analyzer;
  std::map<int64_t, std::vector<std::string>> stopping;
  std::map<int64_t, std::vector<std::string>> others;
  std::set<int32_t> matched_ids;
};

// Also: every platform supplement rule (ids from 2000) matches at least one real line.
TEST(CapturedOutputTest, EachRealLineIsTakenByItsRule) {
  const std::vector<Expected> rows = ReadExpected();
  ASSERT_FALSE(rows.empty());
  std::set<int32_t> taking;
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.group + " " + row.line);
    Recorder recorder;
    recorder.analyzer.AddText(Activation(row.group) + "\n" + row.line + "\n");
    recorder.analyzer.AnalyzeAvailable(1);
    EXPECT_EQ(recorder.stopping[0], std::vector<std::string>{"DefineImportDBMS"});
    EXPECT_EQ(recorder.stopping[1], recorder.Taken(1, row.rule));
    taking.insert(recorder.matched_ids.begin(), recorder.matched_ids.end());
  }
  Recorder loaded;
  size_t supplement_rules = 0;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : loaded.analyzer.GetRulesManager()->GetGroupRules(group)) {
      if (rule->GetId() < 2000) continue;
      ++supplement_rules;
      EXPECT_EQ(taking.count(rule->GetId()), 1u) << rule->GetId() << " " << rule->GetName();
    }
  }
  EXPECT_EQ(supplement_rules, 8u);
}

// The whole captured log, fed as the launcher feeds it: whole-line blocks, each followed by
// AnalyzeAvailable(10), then AnalyzeAvailable(1). In context every listed line is still taken by
// its rule, and the error count is one per occurrence of a line whose rule is of the Error kind
// (PostgreSQL: 11, the "Exit code = 2" line occurring twice; MariaDB: 5; Linux failures: 5).
void CheckWholeLog(const std::string& file, const std::string& group) {
  SCOPED_TRACE(file);
  std::map<std::string, std::string> rule_of_line;
  for (const Expected& row : ReadExpected()) {
    if (row.group == group) rule_of_line[row.line] = row.rule;
  }
  Recorder recorder;
  std::map<std::string, bool> error_kind;  // the CMD rules take shell lines in any import
  for (int32_t any = 0; any < RuleGroup::kCount; ++any) {
    for (const auto& rule : recorder.analyzer.GetRulesManager()->GetGroupRules(any)) {
      error_kind[rule->GetName()] = rule->GetKind() == RuleKind::kError;
    }
  }

  const std::vector<std::string> lines = ReadLines(file);
  ASSERT_FALSE(lines.empty());
  constexpr size_t kBlockLines = 7;
  int32_t errors = 0;
  for (size_t at = 0; at < lines.size(); at += kBlockLines) {
    std::string block;
    for (size_t i = at; i < std::min(at + kBlockLines, lines.size()); ++i) block += lines[i] + "\n";
    recorder.analyzer.AddText(block);
    errors += recorder.analyzer.AnalyzeAvailable(10);
  }
  errors += recorder.analyzer.AnalyzeAvailable(1);

  int32_t expected_errors = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto found = rule_of_line.find(lines[i]);
    if (found == rule_of_line.end()) continue;
    SCOPED_TRACE(lines[i]);
    EXPECT_EQ(recorder.stopping[i], recorder.Taken(i, found->second));
    expected_errors += error_kind[found->second] ? 1 : 0;
  }
  EXPECT_EQ(errors, expected_errors);
  EXPECT_GT(expected_errors, 0);
}

TEST(CapturedOutputTest, PostgresqlLogErrorCount) {
  CheckWholeLog("postgresql-failures.txt", "POSTGRESQL");
}

TEST(CapturedOutputTest, MariadbLogErrorCount) { CheckWholeLog("mariadb-failures.txt", "MYSQL"); }

TEST(CapturedOutputTest, LinuxFailuresLogErrorCount) {
  CheckWholeLog("postgresql-linux.txt", "POSTGRESQL");
}

}  // namespace
}  // namespace Qva
