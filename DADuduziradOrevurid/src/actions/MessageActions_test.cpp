// Each tool error and warning action fired directly while sqlplus runs emp.sql from the called
// script tables.bat, for the newest object T, on line 42: which groups fill which fields, and
// what the page, the report and the wizard get.
#include <gtest/gtest.h>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

TEST(MessageActionsTest, EachMemberMapsItsGroupsAndReports) {
  // Per row: the action, the rule, the recorded entry's kind|name|code|text|line|context, the
  // text the JSON report keeps, and how many events are sent: the object's start event, and for
  // most errors one error event (its text: the whole runs').
  const auto rows = Qve::test::SplitTable(Qve::test::ReadTestData("actions/message-actions.tsv"));
  ASSERT_EQ(rows.size(), 13u);
  test::EventProbe& events = test::EventProbe::Get();
  events.Take();  // what earlier tests sent
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 5u);
    SCOPED_TRACE(row[1]);
    test::TestOutputs out("Oracle", "T");
    ImpLogAnalyzerActionManager actions(nullptr, test::ReportRun());
    actions.Init();
    actions.SetOutputs(out.log, out.report, events.Controller());
    auto fire = [&](const std::string& action, TextLines groups, const std::string& name,
                    int64_t index) {
      actions.GetAction(action)(test::MakeRule(name, "", index).get(), {}, groups);
    };
    fire("StartScript", {"", "tables.bat"}, "CallScript", 1);
    fire("LaunchSQLPlus", {"", "", "", "sqlplus", "", "", "", "emp.sql"}, "C", 2);
    fire("NewImportObject", {"", "Table", "T"}, "ImportingObjectName", 3);
    fire(row[0], {"whole", "g1", "g2", "g3", "g4", "g5", "g6", "g7", "g8", "g9", "g10", "g11"},
         row[1], 42);

    const auto& stats = actions.GetStatistics().GetObjects().at(0).stats;
    ASSERT_EQ(stats.size(), 1u);
    const StatMember& e = *stats[0];
    EXPECT_EQ(std::to_string(e.GetType()) + "|" + e.errName + "|" + e.errCode + "|" + e.errTxt +
                  "|" + e.errLine + "|" + e.errContext + "|" + e.workingFile + "|" + e.scriptFile +
                  "|" + std::to_string(e.GetLineId()) + "|" + std::to_string(e.GetStage()),
              row[2] + "|emp.sql|tables.bat|42|1");
    const bool error = e.GetType() == kStatKindError;
    EXPECT_TRUE(
        out.LogLines().back().starts_with(error ? "<error id=\"42\">" : "<warning id=\"42\">"));
    out.report.UpdateObjects(actions.GetStatistics());
    const auto& object = out.report.GetDocument()["objects"][0];
    EXPECT_EQ(object[error ? "error_message" : "comments"].GetString(), row[3]);
    EXPECT_EQ(std::to_string(events.Take().size()), row[4]);
  }
}

}  // namespace
}  // namespace Qva
