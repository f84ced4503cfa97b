// Each tool error and warning action fired directly while sqlplus runs emp.sql from the called
// script tables.bat, for the newest object T, on line 42: which groups fill which fields, and
// what the page, the report and the wizard get.
#include <gtest/gtest.h>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

TEST(MessageActionsTest, EachMemberMapsItsGroupsAndReports) {
  struct Case {
    const char* action;  // registered name
    const char* rule;
    const char* entry;   // kind|name|code|text|line|context of the recorded entry
    const char* report;  // text the JSON report keeps
    bool event;
  };
  const Case cases[] = {
      {"OutputResultErrorOracle", "Oracle_error", "1|g1|g2|g3||", "g3", true},
      {"OutputResultErrorSQLLoader", "DB2SQLerror", "1|g1|g2|g3||", "g1", true},
      {"OutputResultErrorOracle4Line", "Oracle_4_lines_error", "1|g9|g10|g11|g8|g2", "g1", true},
      {"OutputResultErrorSQLLoader4Line", "SQL*Loader_syntax_error", "1|g1|g2|g5|g4|g3", "g1",
       true},
      {"OutputResultErrorMySQL", "mysql_error", "1|g2|g1|g4||", "g4", true},
      {"OutputMySQLNotRecognizedError", "mysql_not_recognized_error", "1|||g1||", "g1", false},
      {"OutputResultErrorMssql", "Mssql_error", "1|Mssql_error||g1||", "g1", true},
      {"OutputResultErrorBcp", "Bcp_error", "1|||g1||", "g1", true},
      {"OutputResultErrorPostgresql", "Postgresql_error", "1|||g1||", "whole", true},
      {"OutputResultErrorPostgresql", "Psql_error_reject", "1|||whole||", "whole", true},
      {"IncorrectPathError", "IncorrectPathError", "1|||whole||", "whole", true},
      {"OutputResultWarningSQLLoader", "Oracle_warning", "2|Oracle_warning||g1||", "g1", false},
      {"OutputResultWarningMySQL", "mysql_warning", "2|Warning||g1||", "g1", false},
  };
  test::EventProbe& events = test::EventProbe::Get();
  events.Take();  // what earlier tests sent
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    test::TestOutputs out("Oracle", "T");
    ImpLogAnalyzerActionManager actions(nullptr, test::ReportRun());
    actions.Init();
    actions.SetOutputs(out.log, out.report, events.Controller());
    auto fire = [&](const char* action, TextLines groups, const std::string& name, int64_t index) {
      actions.GetAction(action)(test::MakeRule(name, "", index).get(), {}, groups);
    };
    fire("StartScript", {"", "tables.bat"}, "CallScript", 1);
    fire("LaunchSQLPlus", {"", "", "", "sqlplus", "", "", "", "emp.sql"}, "C", 2);
    fire("NewImportObject", {"", "Table", "T"}, "ImportingObjectName", 3);
    fire(c.action, {"whole", "g1", "g2", "g3", "g4", "g5", "g6", "g7", "g8", "g9", "g10", "g11"},
         c.rule, 42);

    const auto& stats = actions.GetStatistics().GetObjects().at(0).stats;
    ASSERT_EQ(stats.size(), 1u);
    const StatMember& e = *stats[0];
    EXPECT_EQ(std::to_string(e.GetType()) + "|" + e.errName + "|" + e.errCode + "|" + e.errTxt +
                  "|" + e.errLine + "|" + e.errContext + "|" + e.workingFile + "|" + e.scriptFile +
                  "|" + std::to_string(e.GetLineId()) + "|" + std::to_string(e.GetStage()),
              std::string(c.entry) + "|emp.sql|tables.bat|42|1");
    const bool error = e.GetType() == kStatKindError;
    EXPECT_TRUE(
        out.LogLines().back().starts_with(error ? "<error id=\"42\">" : "<warning id=\"42\">"));
    out.report.UpdateObjects(actions.GetStatistics());
    const auto& object = out.report.GetDocument()["objects"][0];
    EXPECT_STREQ(object[error ? "error_message" : "comments"].GetString(), c.report);
    // The object's start event, and for most errors one error event (its text: the whole runs).
    EXPECT_EQ(events.Take().size(), c.event ? 2u : 1u);
  }
}

}  // namespace
}  // namespace Qva
