#include "actions/ImpLogAnalyzerActionManager.h"

#include <gtest/gtest.h>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

// The engine actions of a manager on a real analyzer's storage.
class ActionManagerTest : public ::testing::Test {
 protected:
  ActionManagerTest() { analyzer_.Init(false); }

  // Runs the action `name` for a rule with output `output` on `lines`; returns its result.
  int32_t Run(const char* name, const TextLines& lines = {}, const char* output = "") {
    CustomAnalyzeRule rule(1, "Caller", 0, 0, 0, "", output, ActionFunction(), ActionFunction());
    return analyzer_.GetRulesManager()->GetActionManager()->GetAction(Qve::QVEstring(name))(
        &rule, lines, groups_);
  }

  LogAnalyzer analyzer_;
  TextLines groups_{"old"};
};

// A line is empty when it holds nothing but line feeds.
TEST_F(ActionManagerTest, EmptinessChecks) {
  EXPECT_EQ(Run("CheckEmptyString", {"\n", "\n\n"}), 1);
  EXPECT_EQ(Run("CheckEmptyString", {}), 1);
  EXPECT_EQ(Run("CheckEmptyString", {"\n", " \n"}), 0);
  EXPECT_EQ(Run("CheckNotEmptyString", {" \n"}), 1);
  EXPECT_EQ(Run("CheckNotEmptyString", {"\n"}), 0);
}

// A chunk of as many lines as the rule's output says, from the line being analyzed, blank lines
// skipped; SkipLines then takes all but that line.
TEST_F(ActionManagerTest, ReturnChunkAndSkipLines) {
  auto storage = analyzer_.GetStorage();
  storage->AddText("l0\nl1\n\nl2\nl3\nl4\n");
  Run("SkipLines");  // before any chunk: nothing
  EXPECT_EQ(storage->GetPosition(), 0u);
  Run("ReturnChunk", {}, "1");  // nothing analyzed yet: no current line
  EXPECT_TRUE(groups_.empty());

  storage->GetLines(2);  // l1 is being analyzed
  Run("ReturnChunk", {}, " 3 lines");
  EXPECT_EQ(groups_, (TextLines{"l1\n", "l2\n", "l3\n"}));
  EXPECT_EQ(storage->GetPosition(), 2u);
  Run("SkipLines");
  EXPECT_EQ(storage->GetPosition(), 4u);

  storage->GetLines(2);  // at the last line only that line is left
  Run("ReturnChunk", {}, "4");
  EXPECT_EQ(groups_, (TextLines{"l4\n"}));
  Run("ReturnChunk", {}, "four");
  EXPECT_TRUE(groups_.empty());
}

}  // namespace
}  // namespace Qva
