#include "analyzer/RegexAnalyzeRule.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "analyzer/CustomAnalyzeRule.h"
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

// Whether `pattern` matches `lines`; the groups go to `groups` when given.
bool Match(const Qve::QVEstring& pattern, const Lines& lines, Lines* groups = nullptr) {
  Lines local;
  Lines& out = groups != nullptr ? *groups : local;
  return Rule(pattern)->Analyze(nullptr, lines, out) != 0;
}

// The line semantics on hand-made patterns; the embedded ones are compared with ECMAScript by
// the differential test.
TEST(RegexAnalyzeRuleTest, FollowsEcmaScriptLineSemantics) {
  EXPECT_FALSE(Match("^a.b\n", {"a\rb\n"}));                // "." is not "\r"
  EXPECT_FALSE(Match("^b\n", {"a\n", "b\n"}));              // "^" only at the joined text's start
  EXPECT_TRUE(Match("^a\nb\n", {"a\n", "b\n"}));            // lines are joined without separators
  EXPECT_FALSE(Match("a$", {"a\n"}));                       // "$" only at the very end
  EXPECT_FALSE(Match("^\\w+\n", {"\xC3\xA9t\xC3\xA9\n"}));  // bytes, not UTF-8 letters
}

TEST(RegexAnalyzeRuleTest, GroupsStayAlignedAndStopAtZeroBytes) {
  Lines groups{"kept"};
  ASSERT_TRUE(Match("^(x)?(a)(z)?\n", {"a\n"}, &groups));
  EXPECT_EQ(groups, (Lines{"kept", "a\n", "", "a", ""}));

  groups.clear();
  ASSERT_TRUE(Match("^(.*)\n", {Qve::QVEstring("ab\0cd\n", 6)}, &groups));
  EXPECT_EQ(groups, (Lines{"ab", "ab"}));

  // An empty match pattern matches every text, with an empty whole match.
  groups.clear();
  ASSERT_TRUE(Match("", {"anything\n"}, &groups));
  EXPECT_EQ(groups, (Lines{""}));
}

TEST(RegexAnalyzeRuleTest, PrematchOnlyFilters) {
  Lines groups;
  EXPECT_EQ(Rule("^(.*)\n", "^ORA")->Analyze(nullptr, {"SP2-0310: x\n"}, groups), 0);
  EXPECT_TRUE(groups.empty());
  EXPECT_EQ(Rule("^ORA-(\\d+)", "ORA")->Analyze(nullptr, {"ORA-00942: x\n"}, groups), 1);
  EXPECT_EQ(groups, (Lines{"ORA-00942", "00942"}));
}

TEST(RegexAnalyzeRuleTest, RejectedPatternFailsOnEveryTry) {
  auto rule = Rule("^(unclosed\n");  // building it does not compile it
  Lines groups;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      rule->Analyze(nullptr, {"unclosed\n"}, groups);
      FAIL() << "no exception on attempt " << attempt;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find("missing closing parenthesis"), std::string::npos)
          << error.what();
    }
  }
  // A new pattern is used from the next try on.
  rule->SetMatch("^unclosed\n");
  EXPECT_EQ(rule->Analyze(nullptr, {"unclosed\n"}, groups), 1);
}

TEST(RegexAnalyzeRuleTest, LimitOverrunIsNoMatchTracedOncePerRule) {
  test::TraceCapture trace;
  auto rule = Rule("^(a|aa)+c", "", "Backtracker");
  // The "c" at the end defeats PCRE2's required-character shortcut, so the search backtracks.
  const Lines line{Qve::QVEstring(64, 'a') + "bc\n"};
  Lines groups;
  EXPECT_EQ(rule->Analyze(nullptr, line, groups), 0);
  EXPECT_EQ(rule->Analyze(nullptr, line, groups), 0);
  EXPECT_TRUE(groups.empty());
  EXPECT_EQ(trace.Count("[WRN] Analyze rule> Rule Backtracker"), 1u) << trace.Text();
  // Another rule reports its own overrun.
  EXPECT_EQ(Rule("^(a|aa)+c", "", "Other")->Analyze(nullptr, line, groups), 0);
  EXPECT_EQ(trace.Count("Rule Other"), 1u);
}

TEST(RegexAnalyzeRuleTest, EndScriptRulesAppendTheRunValues) {
  LogAnalyzer analyzer;
  analyzer.SetOption(Qve::kQVOptCString, "import_ver_info", "v1");
  analyzer.SetOption(Qve::kQVOptCString, "import_db", "Oracle");
  // "import_host" is not set: it repeats the value read before it.
  analyzer.SetOption(Qve::kQVOptCString, "export_path", "/exp");
  analyzer.SetOption(Qve::kQVOptCString, "report_dir", "/rep");
  analyzer.SetCommand("echo run");

  for (const char* name : {"EndScript", "FinishShellScript", "EndScript2"}) {
    Lines groups;
    ASSERT_EQ(Rule("^rem End script\n", "", name)->Analyze(&analyzer, {"rem End script\n"}, groups),
              1);
    if (std::string(name) == "EndScript2") {
      EXPECT_EQ(groups, Lines{"rem End script\n"});
    } else {
      EXPECT_EQ(groups,
                (Lines{"rem End script\n", "v1", "Oracle", "Oracle", "/exp", "echo run", "/rep"}))
          << name;
    }
  }
}

TEST(RegexAnalyzeRuleTest, ActionsShareGroupsInOrderSkippingEmptyOnes) {
  auto rule = Rule("^(\\w+)\n");
  std::vector<Qve::QVEstring> seen;
  rule->AddAction([&](void* context, const Lines& lines, Lines& groups) {
    EXPECT_EQ(context, static_cast<IAnalyzeRule*>(rule.get()));
    EXPECT_EQ(lines, (Lines{"word\n"}));
    groups[1] = "changed";
    return 0;
  });
  rule->AddAction(ActionFunction());
  rule->AddAction([&](void*, const Lines&, Lines& groups) {
    seen.push_back(groups[1]);
    return 7;  // results are not used
  });
  Lines groups;
  EXPECT_EQ(rule->Analyze(nullptr, {"word\n"}, groups), 1);
  EXPECT_EQ(seen, (std::vector<Qve::QVEstring>{"changed"}));
  EXPECT_EQ(groups, (Lines{"word\n", "changed"}));
}

TEST(CustomAnalyzeRuleTest, CheckDecidesAndGatesTheActions) {
  int actions_run = 0;
  ActionFunction count = [&](void*, const Lines&, Lines&) { return ++actions_run, 0; };
  CustomAnalyzeRule no_check(1, "NoCheck", 0, 0, 0, "", "", ActionFunction(), count);
  Lines groups;
  EXPECT_EQ(no_check.Analyze(nullptr, {"x\n"}, groups), 0);

  int result = 0;
  CustomAnalyzeRule rule(
      2, "Check", 0, 0, 0, "", "4",
      [&](void* context, const Lines&, Lines& out) {
        EXPECT_EQ(context, static_cast<IAnalyzeRule*>(&rule));
        out.push_back("from check");
        return result;
      },
      count);
  EXPECT_EQ(rule.Analyze(nullptr, {"x\n"}, groups), 0);
  EXPECT_EQ(actions_run, 0);
  result = 5;
  EXPECT_EQ(rule.Analyze(nullptr, {"x\n"}, groups), 5);
  EXPECT_EQ(actions_run, 1);
  EXPECT_EQ(groups, (Lines{"from check", "from check"}));
}

}  // namespace
}  // namespace Qva
