#include "actions/ImportActions.h"

#include <gtest/gtest.h>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

// What whole runs do not show: a placeholder without a group stays, "[#1]" is no prefix of
// "[#10]", and groups that hold placeholders cannot make the text grow without bound.
TEST(ImportActionsTest, FillOutputReplacesPlaceholdersInGroupOrder) {
  auto fill = [](const std::string& output, TextLines groups) {
    ImportActions::FillOutput(*test::MakeRule("R", output), groups);
    return groups;
  };
  EXPECT_EQ(fill("[#10]/[#1] [#11]", {"w", "one", "", "", "", "", "", "", "", "", "ten"}),
            (TextLines{"ten/one [#11]", "one", "", "", "", "", "", "", "", "", "ten"}));
  EXPECT_EQ(fill("", {"whole\n", "a"}), (TextLines{"whole\n", "a"}));
  EXPECT_EQ(fill("text", {}), (TextLines{"text"}));
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "[#1] ";
  EXPECT_EQ(fill("SSL error. [#0]", {line, line})[0], "SSL error. " + line);
}

// Every bound action copes with a rule that captures nothing.
TEST(ImportActionsTest, EveryActionToleratesMissingGroups) {
  test::TestOutputs out;
  CWizzardInspectionController silent;  // never enabled
  ImpLogAnalyzerActionManager manager(nullptr, test::ReportRun());
  manager.Init();
  manager.SetOutputs(out.log, out.report, silent);
  auto rule = test::MakeRule("Rule");
  for (const auto& row : ImpLogAnalyzerActionManager::ActionTable()) {
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
