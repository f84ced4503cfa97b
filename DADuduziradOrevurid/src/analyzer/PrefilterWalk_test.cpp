// The prefilter must not change what the rule walk does. Real client output captured by the
// end-to-end suite and the generated Oracle log of the benchmarks are analyzed with and without
// it, fed as the launcher feeds them, with the program's actions bound: every match (line,
// rule, the lines it was tried on, its groups as the actions left them), the error counts and
// the trace (which the actions write every output line and error to) must be the same.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ImportLogGenerator.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"

namespace Qva {
namespace {

std::string Captured(const std::string& name) {
  std::ifstream in(ML_SOURCE_DIR "/tests/e2e/captured/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_FALSE(text.str().empty()) << name;
  return text.str();
}

struct Outcome {
  std::vector<std::string> matches;
  std::vector<int32_t> errors;  // per AnalyzeAvailable call
  std::string trace;
};

Outcome Analyze(const std::string& log, bool prefilter) {
  LogAnalyzer analyzer;
  analyzer.Init(false);
  analyzer.SetPrefilterEnabled(prefilter);
  Outcome outcome;
  analyzer.SetMatchListener(
      [&outcome](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& groups) {
        std::string match = std::to_string(rule.GetLineIndex()) + " " + rule.GetName() + ":";
        for (const auto& line : lines) match += " <" + line + ">";
        match += " =>";
        for (const auto& group : groups) match += " <" + group + ">";
        outcome.matches.push_back(std::move(match));
      });
  // Reads of 16,383 bytes, whole lines only, as the launcher hands them over.
  std::string pending;
  for (size_t at = 0; at < log.size(); at += 16383) {
    pending.append(log, at, 16383);
    const size_t last = pending.rfind('\n');
    if (last == std::string::npos) continue;
    analyzer.AddText(pending.substr(0, last + 1));
    pending.erase(0, last + 1);
    outcome.errors.push_back(analyzer.AnalyzeAvailable(10));
  }
  analyzer.AddText(pending);
  outcome.errors.push_back(analyzer.AnalyzeAvailable(1));
  // Time stamps differ between the runs.
  static const std::regex kStamp("^[A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}",
                                 std::regex::multiline);
  outcome.trace = std::regex_replace(analyzer.GetTraceText(), kStamp, "<time>");
  return outcome;
}

void ExpectSameWalk(const std::string& name, const std::string& log) {
  SCOPED_TRACE(name);
  const Outcome without = Analyze(log, false);
  const Outcome with = Analyze(log, true);
  EXPECT_EQ(with.errors, without.errors);
  ASSERT_FALSE(without.matches.empty());
  EXPECT_EQ(with.matches.size(), without.matches.size());
  for (size_t i = 0; i < std::min(with.matches.size(), without.matches.size()); ++i) {
    ASSERT_EQ(with.matches[i], without.matches[i]) << "first difference at match " << i;
  }
  EXPECT_TRUE(with.trace == without.trace) << "traces differ";
}

TEST(PrefilterWalkTest, SameWalkOnRealAndGeneratedOutput) {
  const std::string postgresql = Captured("postgresql-failures.txt");
  ExpectSameWalk("postgresql", postgresql);
  ExpectSameWalk("mariadb", Captured("mariadb-failures.txt"));
  // The target named twice activates its group twice: every rule of it is then in the list
  // two times.
  ExpectSameWalk("postgresql twice", postgresql + postgresql);
  ExpectSameWalk("psql replayed", bench::ReplayCapturedLog(postgresql, 3000));
  // Windows line ends, 4-line ORA- and SQL*Loader errors, command echo, tool launches.
  ExpectSameWalk("oracle generated", bench::GenerateImportLog(20000, 20240607));
}

// A regex rule whose own Analyze decides otherwise than its patterns say.
class AlwaysRule : public RegexAnalyzeRule {
 public:
  using RegexAnalyzeRule::RegexAnalyzeRule;
  int32_t Analyze(IAnalyzer*, const TextLines&, TextLines& groups) override {
    groups.push_back("always");
    return 1;
  }
};

// What the prefilter must never skip: a rule of a derived class, a pattern PCRE2 rejects (its
// try throws), and a pattern changed between two lines (the new one decides).
TEST(PrefilterWalkTest, RulesItCannotJudgeAreTried) {
  LogAnalyzer analyzer([](int32_t) { return std::string("<Groups/>"); });
  analyzer.Init(false);
  std::vector<std::string> matched;
  analyzer.SetMatchListener([&](const IAnalyzeRule& rule, const TextLines&, const TextLines&) {
    matched.push_back(rule.GetName());
  });
  auto make = [](int32_t id, const char* name, const char* match) {
    return std::make_shared<RegexAnalyzeRule>(id, name, -1, RuleGroup::kCommon, RulePriority::kHigh,
                                              RuleBehavior::kNonStop, "", "", match, "",
                                              ActionFunction());
  };
  auto changing = make(1, "Changing", "^ORA-\\d+");
  auto* rules = analyzer.GetRulesManager().get();
  rules->AddActiveRule(changing);
  // Enough filtered rules for the prefilter to scan.
  for (int32_t id = 2; id < 8; ++id) rules->AddActiveRule(make(id, "Other", "^never here"));
  rules->AddActiveRule(std::make_shared<AlwaysRule>(9, "Derived", -1, RuleGroup::kCommon,
                                                    RulePriority::kHigh, RuleBehavior::kNonStop, "",
                                                    "", "^never\\n", "", ActionFunction()));

  analyzer.AddText("ORA-1\nSP2-0042\n");
  analyzer.AnalyzeAvailable(1);
  EXPECT_EQ(matched, (std::vector<std::string>{"Changing", "Derived", "Derived"}));

  matched.clear();
  changing->SetMatch("^SP2-");
  analyzer.AddText("ORA-1\nSP2-0042\n");
  analyzer.AnalyzeAvailable(1);
  EXPECT_EQ(matched, (std::vector<std::string>{"Derived", "Changing", "Derived"}));

  // PCRE2 rejects the variable-length lookbehind; the line lacks the pattern's plain part.
  changing->SetMatch("^SP2-(?<=a+)");
  analyzer.AddText("ORA-1\n");
  EXPECT_THROW(analyzer.AnalyzeAvailable(1), std::runtime_error);
}

}  // namespace
}  // namespace Qva
