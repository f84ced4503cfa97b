#include "actions/ImpLogAnalyzerActionManager.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "QVETestSupport.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

// Ids count up from 1 in registration order; a repeated name keeps its first action, names are
// case-sensitive and a missing one is traced; a taken id throws.
TEST(SimpleActionManagerTest, RegistrationAndLookup) {
  SimpleActionManager manager;
  for (int32_t id = 1; id <= 3; ++id) {
    auto action = [id](void*, const TextLines&, TextLines&) { return id; };
    EXPECT_EQ(manager.AddAction(id == 2 ? "Second" : "First", action), static_cast<uint32_t>(id));
  }
  TextLines groups;
  EXPECT_EQ(manager.GetAction(2u)(nullptr, {}, groups), 2);
  EXPECT_EQ(manager.GetAction("First")(nullptr, {}, groups), 1);
  test::TraceCapture trace;
  EXPECT_FALSE(manager.GetAction("first"));
  EXPECT_FALSE(manager.GetAction(99u));
  EXPECT_EQ(trace.Count("[DBG] Analyze action manager> Can't find action first"), 1u);
  EXPECT_EQ(Qve::test::ErrorOf([&] { manager.AddAction(2, "Other", {}); }),
            "code -22, message Error create action");
}

// The engine actions of a manager on a real analyzer's storage.
class ActionManagerTest : public ::testing::Test {
 protected:
  ActionManagerTest() {
    actions_ = ImpLogAnalyzerActionManager::AttachTo(analyzer_, {});
    analyzer_.Init(false);
  }

  // Runs the action `name` for a rule with output `output` on `lines`; returns its result.
  int32_t Run(const char* name, const TextLines& lines = {}, const char* output = "") {
    CustomAnalyzeRule rule(1, "Caller", 0, 0, 0, "", output, ActionFunction(), ActionFunction());
    return actions_->GetAction(Qve::QVEstring(name))(&rule, lines, groups_);
  }

  LogAnalyzer analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions_;
  TextLines groups_{"old"};
};

// Empty means nothing but line feeds; the results are exactly 1 and 0.
TEST_F(ActionManagerTest, CheckEmptyAndNotEmptyString) {
  const struct {
    TextLines lines;
    int32_t empty;
  } cases[] = {{{}, 1}, {{"\n", "", "\n\n"}, 1}, {{"\n", " \n"}, 0}, {{"x"}, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run("CheckEmptyString", c.lines), c.empty) << c.lines.size();
    EXPECT_EQ(Run("CheckNotEmptyString", c.lines), 1 - c.empty) << c.lines.size();
  }
}

// A chunk of as many lines as the rule's output says, from the line being analyzed, blank lines
// skipped; SkipLines then takes all but that line.
TEST_F(ActionManagerTest, ReturnChunkAndSkipLines) {
  auto storage = analyzer_.GetStorage();
  storage->AddText("l0\nl1\n\nl2\nl3\nl4\n");
  Run("SkipLines");             // before any chunk: nothing
  Run("ReturnChunk", {}, "1");  // nothing analyzed yet: no current line
  EXPECT_TRUE(groups_.empty());
  EXPECT_EQ(storage->GetPosition(), 0u);
  storage->GetLines(2);  // l1 is being analyzed
  Run("ReturnChunk", {}, " 3 lines");
  EXPECT_EQ(groups_, (TextLines{"l1\n", "l2\n", "l3\n"}));
  Run("SkipLines");
  EXPECT_EQ(storage->GetPosition(), 4u);
  storage->GetLines(2);  // at the last line only that line is left
  Run("ReturnChunk", {}, "4");
  EXPECT_EQ(groups_, (TextLines{"l4\n"}));
  Run("ReturnChunk", {}, "four");
  EXPECT_TRUE(groups_.empty());
}

// Every row is registered under its own name and copes with a rule that captures nothing.
TEST(RuleOutputTest, EveryActionToleratesMissingGroups) {
  test::TestOutputs out;
  CWizzardInspectionController silent;  // never enabled
  ImpLogAnalyzerActionManager manager(nullptr, test::ReportRun());
  manager.Init();
  manager.SetOutputs(out.log, out.report, silent);
  auto rule = test::MakeRule("Rule");
  std::set<std::string> names;
  for (const auto& row : ImpLogAnalyzerActionManager::ActionTable()) {
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
    TextLines groups;
    manager.GetAction(row.name)(rule.get(), {"line\n"}, groups);
    EXPECT_LE(groups.size(), 1u) << row.name;
  }
  ASSERT_EQ(manager.GetStatistics().GetObjects().size(), 1u);
  for (const auto& entry : manager.GetStatistics().GetObjects()[0].stats) {
    EXPECT_EQ(entry->errTxt, "");
  }
}

}  // namespace
}  // namespace Qva
