// The embedded rules on output captured from real shells and clients (tests/e2e/captured), whose
// expected_rules.tsv names the rule that must take each line. Neither the prefilter nor pauses
// in the output (AnalyzeReady: every line analyzed at once but for those that could still begin
// a multi-line match) may change a walk, and the prefilter rules out only rules that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ImportLogGenerator.h"
#include "QVETestSupport.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RulePrefilter.h"

namespace Qva {
namespace {

std::vector<std::string> ReadLines(std::istream&& in) {
  EXPECT_TRUE(in.good());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ReadLines(const std::string& name) {
  return ReadLines(std::ifstream(ML_SOURCE_DIR "/tests/e2e/captured/" + name));
}

// The rows of ML_SOURCE_DIR/PATH, each cut at its first `columns` - 1 tabs: a line may hold
// tabs. A missing or empty file fails the test.
std::vector<std::vector<std::string>> Rows(const std::string& path, size_t columns) {
  const std::string text = Qve::test::ReadFile(ML_SOURCE_DIR "/" + path);
  EXPECT_FALSE(text.empty()) << path;
  return Qve::test::SplitTable(text, columns);
}

struct Expected {
  std::string group, rule, line;
};

// Columns: rule group, rule, line.
std::vector<Expected> ReadExpected() {
  std::vector<Expected> rows;
  for (const auto& row : Rows("tests/e2e/captured/expected_rules.tsv", 3)) {
    rows.push_back({row[0], row.at(1), row.at(2)});
  }
  return rows;
}

// An analyzer on the embedded rules that records every match, and per stored line the rules
// that took it other than the echo filters and the catch-all output rule.
struct Recorder {
  explicit Recorder(bool prefilter) {
    analyzer.SetPrefilterEnabled(prefilter);
    ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
    analyzer.Init(false);
    analyzer.SetMatchListener(
        [this](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& found) {
          const std::string name = rule.GetName();
          const std::string match = std::to_string(rule.GetLineIndex()) + " " + name + ":";
          std::string texts;
          for (const auto& text : lines) texts += " <" + text + ">";
          for (const auto& text : found) texts += " [" + text + "]";
          walk.push_back(match + texts);
          // A chunk rule's lines are the stored ones at hand (fewer at a pause, when no rule
          // could match the longer chunk differently); a regex rule's texts are its verdict.
          verdicts.push_back(rule.GetType() == RuleType::kRegex ? match + texts : match);
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

  // A line at a time, with AnalyzeReady where the output pauses.
  int32_t Feed(const std::vector<std::string>& lines, const std::function<bool()>& pause) {
    int32_t errors = 0;
    for (const std::string& line : lines) {
      analyzer.AddText(line + "\n");
      errors += analyzer.AnalyzeAvailable(10);
      if (pause()) errors += analyzer.AnalyzeReady(10);
    }
    return errors + analyzer.AnalyzeAvailable(1);
  }

  // Time stamps differ between runs.
  std::string Trace() {
    static const std::regex kStamp("^[A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}",
                                   std::regex::multiline);
    return std::regex_replace(analyzer.GetTraceText(), kStamp, "");
  }

  LogAnalyzer analyzer;
  std::vector<std::string> walk, verdicts;
  std::map<int64_t, std::string> taken;
  std::set<int32_t> ids;  // of the rules that matched
  std::map<std::string, bool> error_kind;
};

// Every captured log, the generated Oracle log (Windows line ends, 4-line ORA- and SQL*Loader
// errors, command echo, tool launches) and the listed lines of each group behind the line that
// names its target; each with the group whose listed lines it holds ("": none).
std::vector<std::pair<std::vector<std::string>, std::string>> Logs() {
  const std::vector<std::string> postgresql = ReadLines("postgresql-failures.txt");
  std::vector<std::pair<std::vector<std::string>, std::string>> logs = {
      {postgresql, "POSTGRESQL"},
      {ReadLines("mariadb-failures.txt"), "MYSQL"},
      {ReadLines("postgresql-linux.txt"), "POSTGRESQL"},
      // The target named twice: its group's rules are in the list twice.
      {postgresql, "POSTGRESQL"},
      {ReadLines(std::istringstream(bench::GenerateImportLog(3000, 20240607))), ""}};
  logs[3].first.insert(logs[3].first.end(), postgresql.begin(), postgresql.end());
  for (const char* name :
       {"posix-shells.txt", "psql-client-errors.txt", "posix-steps.txt", "psql-linux-messages.txt",
        "mariadb-client.txt", "posix-loaders.txt", "psql-languages.txt"}) {
    logs.push_back({ReadLines(name), ""});
  }
  std::map<std::string, std::vector<std::string>> listed;  // group keyword: its target
  for (const Expected& row : ReadExpected()) {
    auto& lines = listed[row.group];
    if (lines.empty()) lines.push_back("Importing database objects to " + row.group);
    lines.push_back(row.line);
  }
  for (const auto& [group, lines] : listed) logs.push_back({lines, group});
  return logs;
}

// Every listed line is taken by its rule, the error count is one per line whose rule is of the
// Error kind, and every platform rule (ids from 2000) takes a line. With the prefilter every
// match (its lines and groups as the actions left them), the error count and the trace are the
// same; so are they with a pause after every line or after random lines.
TEST(CapturedOutputTest, EveryListedLineIsTakenByItsRuleWithAndWithoutPrefilterOrPauses) {
  std::set<int32_t> taking;
  std::mt19937 random(7);
  const std::vector<std::function<bool()>> pauses = {[] { return true; },
                                                     [&] { return random() % 7 == 0; }};
  for (const auto& [lines, group] : Logs()) {
    SCOPED_TRACE(lines.front().substr(0, 60));
    std::string log;
    for (const std::string& line : lines) log += line + "\n";
    // One after the other: an analyzer's trace shows what every live analyzer traces.
    Recorder with(true);
    const int32_t errors = with.Feed(log);
    const std::string trace = with.Trace();
    Recorder without(false);
    EXPECT_EQ(without.Feed(log), errors);
    EXPECT_EQ(with.walk, without.walk);
    EXPECT_TRUE(trace == without.Trace());
    for (const auto& pause : pauses) {
      Recorder paused(true);
      EXPECT_EQ(paused.Feed(lines, pause), errors);
      EXPECT_EQ(paused.verdicts, with.verdicts);
      EXPECT_TRUE(paused.Trace() == trace);
    }
    taking.insert(with.ids.begin(), with.ids.end());
    if (group.empty()) continue;

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

// One prefilter following every embedded rule, on every distinct line: it rules a rule out only
// where PCRE2 finds no match (prematch and match), most regex tries are ruled out, and the
// walk's jump from candidate to candidate passes over ruled-out rules only.
TEST(CapturedOutputTest, PrefilterRulesOutOnlyRulesThatDoNotMatch) {
  std::set<std::string> subjects;  // as stored: without the generated log's "\r"
  for (const auto& log : Logs()) {
    for (const auto& line : log.first) subjects.insert(line.substr(0, line.find('\r')) + "\n");
  }
  Recorder loaded(false);
  auto rules = std::make_shared<RuleVector>();
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : loaded.analyzer.GetRulesManager()->GetGroupRules(group))
      rules->push_back(rule);
  }
  RulePrefilter prefilter;
  prefilter.Follow(rules);
  size_t regex_rules = 0, ruled_out = 0, skipped = 0;
  for (const auto& rule : *rules) regex_rules += dynamic_cast<RegexAnalyzeRule*>(rule.get()) != 0;
  EXPECT_GT(prefilter.FilteredRuleCount(), regex_rules * 3 / 4);
  for (const std::string& subject : subjects) {
    prefilter.NewText();
    const auto text = [&] { return std::string_view(subject); };
    // The walk's tries judge the text (scan it) at the first filtered rule worth it.
    for (size_t position = 0; position < rules->size(); ++position)
      prefilter.MayMatch(position, text);
    for (size_t position = 0; position < rules->size(); ++position) {
      const size_t next = std::min(prefilter.NextCandidate(position), rules->size());
      ASSERT_GE(next, position);
      for (size_t passed = position; passed < next; ++passed, ++skipped) {
        ASSERT_FALSE(prefilter.MayMatch(passed, text)) << (*rules)[passed]->GetName();
      }
      if (prefilter.MayMatch(position, text)) continue;
      ++ruled_out;
      auto* regex = dynamic_cast<RegexAnalyzeRule*>((*rules)[position].get());
      ASSERT_TRUE(regex != nullptr) << (*rules)[position]->GetName();
      EXPECT_FALSE((regex->GetPrematch().empty() ||
                    regex->PrematchPattern().Search(subject) == RegexPattern::Result::kMatch) &&
                   regex->MatchPattern().Search(subject) == RegexPattern::Result::kMatch)
          << "ruled out " << regex->GetName() << " on \"" << subject << "\"";
    }
  }
  EXPECT_GT(skipped, 0u);
  EXPECT_GT(ruled_out, subjects.size() * regex_rules / 2);
}

// No Oracle client runs here: the multi-line sqlplus and SQL*Loader errors as they print them,
// a line at a time with a pause after each (oracle-multiline.tsv: lines waiting after it, line).
// Only a line that could still begin a 4-line error waits, and only until its lines decide it; each
// error is taken as one chunk of four lines (its other lines are not analyzed) and counted once.
TEST(CapturedOutputTest, OracleMultiLineErrorsWaitForTheirLinesAndAreOneChunk) {
  Recorder recorder(true);
  int32_t errors = 0;
  const auto rows = Rows("tests/data/analyzer/oracle-multiline.tsv", 2);
  ASSERT_EQ(rows.size(), 15u);
  for (const auto& row : rows) {
    recorder.analyzer.AddText(row.at(1) + "\r\n");
    errors += recorder.analyzer.AnalyzeReady(10);
    EXPECT_EQ(std::to_string(recorder.analyzer.GetStorage()->Remaining()), row[0]) << row[1];
  }
  EXPECT_EQ(recorder.analyzer.AnalyzeAvailable(1), 0);
  EXPECT_EQ(errors, 3);  // the two chunks and the shell's syntax error
  EXPECT_EQ(recorder.taken[2], "GetElemChunk4 Oracle_4_lines_error ");
  EXPECT_EQ(recorder.taken[6], "GetElemChunk4 SQL*Loader_syntax_error ");
  for (int64_t other : {3, 4, 5, 7, 8, 9}) EXPECT_EQ(recorder.taken.count(other), 0u) << other;
}

// The safety net: a failure-shaped line that no rule takes gets a Warning; every other line is
// left to its rule or shown as it is (safety-net.tsv: target DBMS, warns or ok, line). Lines of
// the captured output are among the listed lines above.
TEST(SafetyNetTest, WarnsOfFailureShapedLinesThatNoRuleTakes) {
  const auto rows = Rows("tests/data/analyzer/safety-net.tsv", 3);
  ASSERT_EQ(rows.size(), 35u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at(2));
    Recorder recorder(true);
    recorder.Feed("Importing database objects to " + row[0] + "\n" + row[2] + "\n");
    EXPECT_EQ(recorder.taken[1].find("FailureShapedLine") != std::string::npos, row[1] == "warns")
        << recorder.taken[1];
  }
}

}  // namespace
}  // namespace Qva
