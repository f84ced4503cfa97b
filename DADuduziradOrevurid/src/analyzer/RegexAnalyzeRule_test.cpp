#include "analyzer/RegexAnalyzeRule.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "analyzer/LogAnalyzer.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

using Lines = TextLines;

std::shared_ptr<RegexAnalyzeRule> Rule(const Qve::QVEstring& match,
                                       const Qve::QVEstring& prematch = "",
                                       const Qve::QVEstring& name = "Test") {
  return std::make_shared<RegexAnalyzeRule>(1, name, -1, RuleGroup::kCommon, RulePriority::kHigh,
                                            RuleBehavior::kHardStop, "", prematch, match, "",
                                            ActionFunction());
}

// ECMAScript on bytes, as the rule files are written: line semantics, groups aligned and cut at
// a zero byte; the prematch only filters.
TEST(RegexAnalyzeRuleTest, MatchesAndGroups) {
  const struct {
    Qve::QVEstring match, prematch;
    Lines lines, groups;  // no groups: no match
  } kCases[] = {
      {"^a.b\n", "", {"a\rb\n"}, {}},                // "." is not "\r"
      {"^b\n", "", {"a\n", "b\n"}, {}},              // "^" only at the joined text's start
      {"^a\nb\n", "", {"a\n", "b\n"}, {"a\nb\n"}},   // lines joined without separators
      {"a$", "", {"a\n"}, {}},                       // "$" only at the very end
      {"^\\w+\n", "", {"\xC3\xA9t\xC3\xA9\n"}, {}},  // bytes, not UTF-8 letters
      {"^a\\sb\n", "", {"a\240b\n"}, {}},            // nor Latin-1 no-break space
      {"^a\\sb\n", "", {"a\rb\n"}, {"a\rb\n"}},
      {"^(x)?(a)(z)?\n", "", {"a\n"}, {"a\n", "", "a", ""}},  // unset groups stay in place
      {"^(.*)\n", "", {Qve::QVEstring("ab\0cd\n", 6)}, {"ab", "ab"}},
      {"", "", {"anything\n"}, {""}},  // an empty pattern matches everything, empty
      {"^(.*)\n", "^ORA", {"SP2-0310: x\n"}, {}},
      {"^ORA-(\\d+)", "ORA", {"ORA-00942: x\n"}, {"ORA-00942", "00942"}},
  };
  for (const auto& test : kCases) {
    Lines groups;
    EXPECT_EQ(Rule(test.match, test.prematch)->Analyze(nullptr, test.lines, groups),
              test.groups.empty() ? 0 : 1)
        << test.match;
    EXPECT_EQ(groups, test.groups) << test.match;
  }
}

// A rejected pattern throws on every try; a new pattern counts from the next.
TEST(RegexAnalyzeRuleTest, RejectedPatternFailsOnEveryTry) {
  auto rule = Rule("^(unclosed\n");
  Lines groups;
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_THROW(rule->Analyze(nullptr, {"unclosed\n"}, groups), std::runtime_error);
  }
  rule->SetMatch("^unclosed\n");
  EXPECT_EQ(rule->Analyze(nullptr, {"unclosed\n"}, groups), 1);
}

TEST(RegexAnalyzeRuleTest, LimitOverrunIsNoMatchTracedOncePerRule) {
  test::TraceCapture trace;
  // The "c" at the end defeats PCRE2's required-character shortcut, so the search backtracks.
  const Lines line{Qve::QVEstring(64, 'a') + "bc\n"};
  Lines groups;
  const auto backtracker = Rule("^(a|aa)+c", "", "Backtracker");
  for (const auto& rule : {backtracker, backtracker, Rule("^(a|aa)+c", "", "Other")}) {
    EXPECT_EQ(rule->Analyze(nullptr, line, groups), 0);
  }
  EXPECT_TRUE(groups.empty());
  EXPECT_EQ(trace.Count("[WRN] Analyze rule> Rule Backtracker"), 1u) << trace.Text();
  EXPECT_EQ(trace.Count("Rule Other"), 1u);
}

// Actions run in order on the same groups; an empty one is skipped; results are not used.
TEST(RegexAnalyzeRuleTest, ActionsShareGroupsInOrderSkippingEmptyOnes) {
  auto rule = Rule("^(\\w+)\n");
  rule->AddAction([&](void* context, const Lines&, Lines& groups) {
    return groups[1] = context == rule.get() ? "changed" : "no context", 0;
  });
  rule->AddAction(ActionFunction());
  rule->AddAction([&](void*, const Lines&, Lines& groups) { return groups.push_back("seen"), 7; });
  Lines groups;
  EXPECT_EQ(rule->Analyze(nullptr, {"word\n"}, groups), 1);
  EXPECT_EQ(groups, (Lines{"word\n", "changed", "seen"}));
}

// The end-of-script rules, known by name, append the run values of the analyzer they are tried
// for: its options and command, an unset option repeating the value read before it.
TEST(RegexAnalyzeRuleTest, EndOfScriptRulesAppendTheAnalyzersRunValues) {
  LogAnalyzer analyzer;
  analyzer.SetOption(Qve::kQVOptCString, "import_ver_info", "1.0");
  analyzer.SetOption(Qve::kQVOptCString, "import_db", "db");
  analyzer.SetOption(Qve::kQVOptCString, "export_path", "/export");
  analyzer.SetOption(Qve::kQVOptCString, "report_dir", "/reports");
  analyzer.SetCommand("echo a b");
  const Lines kValues{"1.0", "db", "db", "/export", "echo a b", "/reports"};
  const struct {
    const char* name;
    IAnalyzer* analyzer;
    bool values;
  } kCases[] = {
      {"EndScript", &analyzer, true},
      {"FinishShellScript", &analyzer, true},
      {"EndScript", nullptr, false},
      {"EndScripts", &analyzer, false},
  };
  for (const auto& test : kCases) {
    Lines groups;
    EXPECT_EQ(Rule("^end\n", "", test.name)->Analyze(test.analyzer, {"end\n"}, groups), 1);
    Lines expected{"end\n"};
    if (test.values) expected.insert(expected.end(), kValues.begin(), kValues.end());
    EXPECT_EQ(groups, expected) << test.name;
  }
  // A renamed rule follows its new name.
  auto renamed = Rule("^end\n", "", "EndScript");
  renamed->SetName("Other");
  Lines groups;
  renamed->Analyze(&analyzer, {"end\n"}, groups);
  EXPECT_EQ(groups, Lines{"end\n"});
}

}  // namespace
}  // namespace Qva
