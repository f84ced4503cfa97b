// The rule walk, and the regex rules it tries.
#include "analyzer/LogAnalyzer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

using Lines = TextLines;
using Names = std::vector<Qve::QVEstring>;

// An analyzer without loaded rules; each test adds its own.
class WalkTest : public ::testing::Test {
 protected:
  WalkTest() : analyzer_([](int32_t) { return std::string("<Groups/>"); }) {
    analyzer_.Init(false);
  }

  // Adds custom rules "NAME PRIORITY BEHAVIOR MATCHES" that record each try and match MATCHES
  // times (-1: always), their groups the lines they were tried on.
  void Add(const std::vector<std::string>& definitions) {
    for (const std::string& definition : definitions) {
      std::istringstream in(definition);
      std::string name, priority, behavior;
      auto remaining = std::make_shared<int>(0);
      in >> name >> priority >> behavior >> *remaining;
      analyzer_.GetRulesManager()->AddActiveRule(std::make_shared<CustomAnalyzeRule>(
          ++next_id_, name, RuleGroup::kCommon, RulePriority::Find(priority),
          RuleBehavior::Find(behavior), "", "",
          [this, remaining](void* context, const Lines& lines, Lines& groups) {
            tried_.push_back(static_cast<IAnalyzeRule*>(context)->GetName());
            seen_.push_back(lines);
            if (*remaining == 0) return 0;
            if (*remaining > 0) --*remaining;
            groups = lines;
            return 1;
          },
          ActionFunction()));
    }
  }

  Names Walk(const Lines& lines = {"line\n"}) {
    tried_.clear();
    seen_.clear();
    analyzer_.AnalyzeLines(lines);
    return tried_;
  }

  LogAnalyzer analyzer_;
  int32_t next_id_ = 0;
  Names tried_;
  std::vector<Lines> seen_;
};

TEST_F(WalkTest, BehavioursDecideWhereTheWalkGoesOn) {
  const struct {
    std::vector<std::string> rules;
    Names tried;
  } kCases[] = {
      // A hard stop ends the walk; a non-stop match goes on.
      {{"A HIGH NONSTOP 1", "B HIGH HARDSTOP 1", "C LOW HARDSTOP 1"}, {"A", "B"}},
      // A soft stop skips its priority run and the first rule after it (E's: to the end).
      {{"A HIGH SOFTSTOP -1", "B HIGH NONSTOP", "C MID NONSTOP", "D MID NONSTOP",
        "E LOW SOFTSTOP -1", "F LOW NONSTOP"},
       {"A", "D", "E"}},
      // A soft return restarts at the start of its priority run...
      {{"A VERYHIGH NONSTOP", "B HIGH NONSTOP", "C HIGH SOFTRETURN 1", "D LOW NONSTOP"},
       {"A", "B", "C", "B", "C", "D"}},
      // ... at the second rule when that run starts the list, as a hard return always does.
      {{"A HIGH SOFTRETURN 1", "B HIGH NONSTOP"}, {"A", "B"}},
      {{"A VERYHIGH NONSTOP", "B HIGH NONSTOP", "C LOW HARDRETURN 2"},
       {"A", "B", "C", "B", "C", "B", "C"}},
  };
  for (const auto& test : kCases) {
    analyzer_.GetRulesManager()->RemoveGroup(RuleGroup::kCommon);
    Add(test.rules);
    EXPECT_EQ(Walk(), test.tried) << test.rules.front();
  }
  EXPECT_EQ(Walk(), (Names{"A", "B", "C"}));  // nothing matches any more
}

TEST_F(WalkTest, NextRuleSeesThePreviousMatchGroups) {
  auto split = std::make_shared<RegexAnalyzeRule>(100, "Split", -1, RuleGroup::kCommon,
                                                  RulePriority::kVeryHigh, RuleBehavior::kNonStop,
                                                  "", "", "^(\\w+) (\\w+)\n", "", ActionFunction());
  analyzer_.GetRulesManager()->AddActiveRule(split);
  Add({"Next HIGH NONSTOP -1"});
  Walk({"foo bar\n"});
  EXPECT_EQ(seen_, (std::vector<Lines>{{"foo bar\n", "foo", "bar"}}));

  // An action that empties the groups leaves nothing for the following rules.
  split->AddAction([](void*, const Lines&, Lines& groups) { return groups.clear(), 0; });
  Walk({"foo bar\n"});
  EXPECT_EQ(seen_, std::vector<Lines>{{}});
}

TEST_F(WalkTest, EndlessReturnsAreBoundedAndTracedOnce) {
  test::TraceCapture trace;
  Add({"A HIGH NONSTOP", "Loop LOW HARDRETURN -1", "Never VERYLOW NONSTOP"});
  const Names tried = Walk();
  // A once, then Loop on its first try and on each allowed restart.
  EXPECT_EQ(tried.size(), LogAnalyzer::kMaxWalkRestarts + 2u);
  EXPECT_EQ(tried.back(), "Loop");
  Walk();
  EXPECT_EQ(trace.Count("[WRN] LogAnalyzer> Rule Loop restarted the rule walk"), 1u)
      << trace.Text();
}

TEST_F(WalkTest, ErrorRulesCountExceptExpectedScripts) {
  analyzer_.GetRulesManager()->AddActiveRule(std::make_shared<RegexAnalyzeRule>(
      1, "Err", RuleKind::kError, RuleGroup::kCommon, RulePriority::kHigh, RuleBehavior::kHardStop,
      "", "", "ERROR", "", ActionFunction()));
  EXPECT_EQ(analyzer_.AnalyzeLines({"ERROR: x\n"}) + analyzer_.AnalyzeLines({"fine\n"}), 1);
  EXPECT_EQ(analyzer_.AnalyzeLines({"ERROR in create_lang.sql\n"}), 0);
  const Qve::QVEstring postgis = "ERROR create_extension_postgis.sql";
  EXPECT_EQ(analyzer_.AnalyzeLines({postgis + " create_extension_pgcrypto.sql\n"}), 0);
  EXPECT_EQ(analyzer_.AnalyzeLines({postgis + "\n"}), 1);
}

// While output arrives the launcher asks for lines with a minimum left behind them.
TEST_F(WalkTest, AnalyzeAvailableKeepsReadAheadLines) {
  Add({"Any HIGH HARDSTOP -1"});
  analyzer_.AddText("1\n2\n3\n4\n5\n6\n7\n8\n9\n");
  EXPECT_EQ(analyzer_.AnalyzeAvailable(10), 0);
  EXPECT_TRUE(seen_.empty());
  analyzer_.AddText("10\n");
  analyzer_.AnalyzeAvailable(10);
  EXPECT_EQ(seen_, std::vector<Lines>{{"1\n"}});
  analyzer_.AnalyzeAvailable(1);
  EXPECT_EQ(seen_.size(), 10u);
  EXPECT_EQ(seen_.back(), Lines{"10\n"});
  EXPECT_EQ(analyzer_.AnalyzeAvailable(0), 0);  // nothing left, and no endless loop
  EXPECT_EQ(seen_.size(), 10u);
}

// A huge line is lent to the walk, not copied: the storage shows it during the walk and has it
// back afterwards, also after an action threw (kept: lines are otherwise let go once analyzed).
TEST_F(WalkTest, HugeLineIsTheStoredLineDuringAndAfterTheWalk) {
  analyzer_.SetKeepAllLines(true);
  const Qve::QVEstring huge(700000, 'h');
  bool thrown = false;
  analyzer_.GetRulesManager()->AddActiveRule(std::make_shared<CustomAnalyzeRule>(
      1, "Check", RuleGroup::kCommon, RulePriority::kHigh, RuleBehavior::kHardStop, "", "",
      [&](void*, const Lines& lines, Lines&) {
        auto storage = analyzer_.GetStorage();
        EXPECT_EQ(storage->PeekLine(storage->GetPosition() - 1), lines.at(0));
        if (!thrown && lines[0].size() > 1000) {
          thrown = true;
          throw std::runtime_error("action failed");
        }
        return 0;
      },
      ActionFunction()));
  analyzer_.AddText("a\n" + huge + "\nb\n" + huge + "\n");
  EXPECT_THROW(analyzer_.AnalyzeAvailable(1), std::runtime_error);
  analyzer_.AnalyzeAvailable(1);
  auto storage = analyzer_.GetStorage();
  EXPECT_TRUE(storage->AtEnd());
  EXPECT_EQ(storage->GetRange(0, 4), (Lines{"a\n", huge + "\n", "b\n", huge + "\n"}));
}

struct AlwaysRule : RegexAnalyzeRule {  // decides otherwise than its patterns say
  using RegexAnalyzeRule::RegexAnalyzeRule;
  int32_t Analyze(IAnalyzer*, const Lines&, Lines& groups) override {
    return groups.push_back("always"), 1;
  }
};

// What the prefilter must never skip: a rule of a derived class, a pattern PCRE2 rejects (its
// try throws), and a pattern changed between two lines (the new one decides).
TEST_F(WalkTest, PrefilterTriesRulesItCannotJudge) {
  Names matched;
  analyzer_.SetMatchListener([&](const IAnalyzeRule& rule, const Lines&, const Lines&) {
    matched.push_back(rule.GetName());
  });
  std::shared_ptr<RegexAnalyzeRule> changing;
  for (int32_t id = 1; id < 9; ++id) {  // enough filtered rules to scan
    auto rule = std::make_shared<RegexAnalyzeRule>(id, id == 1 ? "Changing" : "Other", -1, 0, 0,
                                                   RuleBehavior::kNonStop, "", "", "^never", "",
                                                   ActionFunction());
    analyzer_.GetRulesManager()->AddActiveRule(rule);
    if (id == 1) changing = rule;
  }
  analyzer_.GetRulesManager()->AddActiveRule(std::make_shared<AlwaysRule>(
      9, "Derived", -1, 0, 0, RuleBehavior::kNonStop, "", "", "^never", "", ActionFunction()));
  for (const char* pattern : {"^ORA-\\d+", "^SP2-"}) {
    changing->SetMatch(pattern);
    analyzer_.AddText("ORA-1\nSP2-0042\n");
    analyzer_.AnalyzeAvailable(1);
  }
  EXPECT_EQ(matched, (Names{"Changing", "Derived", "Derived", "Derived", "Changing", "Derived"}));
  // PCRE2 rejects the variable-length lookbehind; the line lacks the pattern's plain part.
  changing->SetMatch("^SP2-(?<=a+)");
  analyzer_.AddText("ORA-1\n");
  EXPECT_THROW(analyzer_.AnalyzeAvailable(1), std::runtime_error);
}

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
