#include "analyzer/LogAnalyzer.h"

#include <gtest/gtest.h>

#include <random>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

using Lines = TextLines;

// An analyzer without loaded rules; each test adds its own.
class WalkTest : public ::testing::Test {
 protected:
  WalkTest() : analyzer_([](int32_t) { return std::string("<Groups/>"); }) {
    analyzer_.Init(false);
  }

  // A custom rule that records each try and matches while `matches` > 0 (counting down; -1:
  // always). Its groups are the lines it was tried on.
  std::shared_ptr<CustomAnalyzeRule> Add(const char* name, int32_t priority, int32_t behavior,
                                         int matches = 0) {
    auto remaining = std::make_shared<int>(matches);
    auto rule = std::make_shared<CustomAnalyzeRule>(
        ++next_id_, name, RuleGroup::kCommon, priority, behavior, "", "",
        [this, remaining](void* context, const Lines& lines, Lines& groups) {
          tried_.push_back(static_cast<IAnalyzeRule*>(context)->GetName());
          seen_.push_back(lines);
          if (*remaining == 0) return 0;
          if (*remaining > 0) --*remaining;
          groups = lines;
          return 1;
        },
        ActionFunction());
    analyzer_.GetRulesManager()->AddActiveRule(rule);
    return rule;
  }

  std::vector<Qve::QVEstring> Walk(const Lines& lines = {"line\n"}) {
    tried_.clear();
    seen_.clear();
    analyzer_.AnalyzeLines(lines);
    return tried_;
  }

  using Names = std::vector<Qve::QVEstring>;
  LogAnalyzer analyzer_;
  int32_t next_id_ = 0;
  Names tried_;
  std::vector<Lines> seen_;
};

TEST_F(WalkTest, HardStopEndsAndNonStopGoesOn) {
  Add("A", RulePriority::kHigh, RuleBehavior::kNonStop, 1);
  Add("B", RulePriority::kHigh, RuleBehavior::kHardStop, 1);
  Add("C", RulePriority::kLow, RuleBehavior::kHardStop, 1);
  EXPECT_EQ(Walk(), (Names{"A", "B"}));
  EXPECT_EQ(Walk(), (Names{"A", "B", "C"}));  // nothing matches any more
  EXPECT_EQ(analyzer_.AnalyzeLines({}), 0);
}

TEST_F(WalkTest, NextRuleSeesThePreviousMatchGroups) {
  auto split = std::make_shared<RegexAnalyzeRule>(100, "Split", -1, RuleGroup::kCommon,
                                                  RulePriority::kVeryHigh, RuleBehavior::kNonStop,
                                                  "", "", "^(\\w+) (\\w+)\n", "", ActionFunction());
  analyzer_.GetRulesManager()->AddActiveRule(split);
  Add("Next", RulePriority::kHigh, RuleBehavior::kNonStop, -1);
  Walk({"foo bar\n"});
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0], (Lines{"foo bar\n", "foo", "bar"}));

  // An action that empties the groups leaves nothing for the following rules.
  split->AddAction([](void*, const Lines&, Lines& groups) { return groups.clear(), 0; });
  Walk({"foo bar\n"});
  EXPECT_EQ(seen_[0], Lines{});
}

TEST_F(WalkTest, SoftStopSkipsItsPriorityRunAndTheFirstRuleAfterIt) {
  Add("A", RulePriority::kHigh, RuleBehavior::kSoftStop, -1);
  Add("B", RulePriority::kHigh, RuleBehavior::kNonStop);
  Add("C", RulePriority::kMid, RuleBehavior::kNonStop);
  Add("D", RulePriority::kMid, RuleBehavior::kNonStop);
  Add("E", RulePriority::kLow, RuleBehavior::kSoftStop, -1);
  Add("F", RulePriority::kLow, RuleBehavior::kNonStop);
  // E's priority run reaches the end of the list: the walk ends.
  EXPECT_EQ(Walk(), (Names{"A", "D", "E"}));
}

TEST_F(WalkTest, SoftReturnRestartsAtItsPriorityRun) {
  Add("A", RulePriority::kVeryHigh, RuleBehavior::kNonStop);
  Add("B", RulePriority::kHigh, RuleBehavior::kNonStop);
  Add("C", RulePriority::kHigh, RuleBehavior::kSoftReturn, 1);
  Add("D", RulePriority::kLow, RuleBehavior::kNonStop);
  EXPECT_EQ(Walk(), (Names{"A", "B", "C", "B", "C", "D"}));
}

TEST_F(WalkTest, SoftReturnToTheListStartGoesOnWithTheSecondRule) {
  Add("A", RulePriority::kHigh, RuleBehavior::kSoftReturn, 1);
  Add("B", RulePriority::kHigh, RuleBehavior::kNonStop);
  EXPECT_EQ(Walk(), (Names{"A", "B"}));
}

TEST_F(WalkTest, HardReturnRestartsAtTheSecondRule) {
  Add("A", RulePriority::kVeryHigh, RuleBehavior::kNonStop);
  Add("B", RulePriority::kHigh, RuleBehavior::kNonStop);
  Add("C", RulePriority::kLow, RuleBehavior::kHardReturn, 2);
  EXPECT_EQ(Walk(), (Names{"A", "B", "C", "B", "C", "B", "C"}));
}

TEST_F(WalkTest, EndlessReturnsAreBoundedAndTracedOnce) {
  test::TraceCapture trace;
  Add("A", RulePriority::kHigh, RuleBehavior::kNonStop);
  Add("Loop", RulePriority::kLow, RuleBehavior::kHardReturn, -1);
  Add("Never", RulePriority::kVeryLow, RuleBehavior::kNonStop);
  const Names tried = Walk();
  // A once, then Loop on its first try and on each allowed restart.
  EXPECT_EQ(tried.size(), LogAnalyzer::kMaxWalkRestarts + 2u);
  EXPECT_EQ(tried.back(), "Loop");
  Walk();
  EXPECT_EQ(trace.Count("[WRN] LogAnalyzer> Rule Loop restarted the rule walk"), 1u)
      << trace.Text();
}

TEST_F(WalkTest, ErrorRulesCountExceptExpectedScripts) {
  auto error = std::make_shared<RegexAnalyzeRule>(1, "Err", RuleKind::kError, RuleGroup::kCommon,
                                                  RulePriority::kHigh, RuleBehavior::kHardStop, "",
                                                  "", "ERROR", "", ActionFunction());
  analyzer_.GetRulesManager()->AddActiveRule(error);
  EXPECT_EQ(analyzer_.AnalyzeLines({"ERROR: x\n"}), 1);
  EXPECT_EQ(analyzer_.AnalyzeLines({"ERROR in create_lang.sql\n"}), 0);
  EXPECT_EQ(analyzer_.AnalyzeLines(
                {"ERROR create_extension_postgis.sql create_extension_pgcrypto.sql\n"}),
            0);
  EXPECT_EQ(analyzer_.AnalyzeLines({"ERROR create_extension_postgis.sql\n"}), 1);
  EXPECT_EQ(analyzer_.AnalyzeLines({"fine\n"}), 0);
}

TEST_F(WalkTest, AnalyzeAvailableKeepsReadAheadLines) {
  std::vector<int64_t> indexes;
  auto rule = Add("Any", RulePriority::kHigh, RuleBehavior::kHardStop, -1);
  analyzer_.SetMatchListener([&](const IAnalyzeRule& matched, const Lines&, const Lines&) {
    indexes.push_back(matched.GetLineIndex());
  });
  analyzer_.AddText("1\n2\n3\n4\n5\n6\n7\n8\n9\n");
  EXPECT_EQ(analyzer_.AnalyzeAvailable(10), 0);
  EXPECT_TRUE(indexes.empty());
  analyzer_.AddText("10\n");
  analyzer_.AnalyzeAvailable(10);
  EXPECT_EQ(indexes, (std::vector<int64_t>{0}));
  analyzer_.AnalyzeAvailable(1);
  EXPECT_EQ(indexes.size(), 10u);
  EXPECT_EQ(indexes.back(), 9);
  EXPECT_EQ(analyzer_.AnalyzeAvailable(0), 0);  // nothing left, and no endless loop
  EXPECT_EQ(indexes.size(), 10u);
}

// A huge line is lent to the walk instead of copied: during the walk the storage still shows
// it, and afterwards (also after an action threw) the storage has it back.
TEST_F(WalkTest, HugeLineIsTheStoredLineDuringAndAfterTheWalk) {
  const Qve::QVEstring huge(700000, 'h');
  bool thrown = false;
  auto rule = std::make_shared<CustomAnalyzeRule>(
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
      ActionFunction());
  analyzer_.GetRulesManager()->AddActiveRule(rule);
  analyzer_.AddText("a\n" + huge + "\nb\n" + huge + "\n");
  EXPECT_THROW(analyzer_.AnalyzeAvailable(1), std::runtime_error);
  analyzer_.AnalyzeAvailable(1);
  auto storage = analyzer_.GetStorage();
  EXPECT_TRUE(storage->AtEnd());
  EXPECT_EQ(storage->GetRange(0, 4), (Lines{"a\n", huge + "\n", "b\n", huge + "\n"}));
}

// The embedded rules with every group active, on lines no tool should ever print.
class LongLineTest : public ::testing::Test {
 protected:
  LongLineTest() {
    analyzer_.Init(false);
    for (int32_t group = RuleGroup::kOracle; group < RuleGroup::kCount; ++group) {
      analyzer_.GetRulesManager()->ActivateGroup(group);
    }
  }
  LogAnalyzer analyzer_;
};

TEST_F(LongLineTest, TenMegabyteLineAndMillionRandomBytes) {
  Qve::QVEstring line = "INSERT INTO t VALUES ('";
  line.append(10 * 1024 * 1024, 'x');
  line += "'); ORA-00001: call sqlplus mysql.exe psql ERROR Warning: *\n";
  // Behind a line that opens the multi-line rules, so the chunk rules see it too.
  analyzer_.AddText("SQL*Loader-350: Syntax error at line 1.\n");
  analyzer_.AddText(line);
  EXPECT_GE(analyzer_.AnalyzeAvailable(1), 0);
  EXPECT_TRUE(analyzer_.GetStorage()->AtEnd());

  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> byte(1, 255);
  Qve::QVEstring text(1'000'000, '\0');
  for (char& c : text) c = static_cast<char>(byte(random));
  analyzer_.AddText(text);
  EXPECT_GE(analyzer_.AnalyzeAvailable(1), 0);
  EXPECT_TRUE(analyzer_.GetStorage()->AtEnd());
}

}  // namespace
}  // namespace Qva
