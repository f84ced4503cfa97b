#include "analyzer/LogAnalyzer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/RegexAnalyzeRule.h"
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

// Which rules one walk tries, by the behaviour of those that match.
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

}  // namespace
}  // namespace Qva
