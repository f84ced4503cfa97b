#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "actions/ImportActions.h"
#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

using ::testing::ElementsAre;
using Action = int32_t (ImportActions::*)(void*, const TextLines&, TextLines&);

// Distinct texts for the whole match and eleven capture groups.
const TextLines kGroups = {"whole", "g1", "g2", "g3", "g4",  "g5",
                           "g6",    "g7", "g8", "g9", "g10", "g11"};

// Each tool action fired directly while sqlplus runs emp.sql from the called script tables.bat,
// for the newest object T, on line 42.
TEST(ToolErrorActionsTest, EachMemberMapsItsGroupsAndReports) {
  test::EventProbe& events = test::EventProbe::Get();
  events.Take();  // what earlier tests sent
  struct Case {
    Action action;
    const char* rule;
    const char* entry;   // test::Describe() of the recorded entry
    const char* report;  // text registered with the JSON report
    bool event;
  };
  const char* const kAt = "|emp.sql|tables.bat|42|1";
  const Case cases[] = {
      {&ImportActions::OutputResultErrorOracle, "Oracle_error", "1|g1|g2|g3||", "g3", true},
      {&ImportActions::OutputResultErrorSQLLoader, "DB2SQLerror", "1|g1|g2|g3||", "g1", true},
      {&ImportActions::OutputResultErrorOracle4Line, "Oracle_4_lines_error", "1|g9|g10|g11|g8|g2",
       "g1", true},
      {&ImportActions::OutputResultErrorSQLLoader4Line, "SQL*Loader_syntax_error",
       "1|g1|g2|g5|g4|g3", "g1", true},
      {&ImportActions::OutputResultErrorMySQL, "mysql_error", "1|g2|g1|g4||", "g4", true},
      {&ImportActions::OutputMySQLNotRecognizedError, "mysql_not_recognized_error", "1|||g1||",
       "g1", false},
      {&ImportActions::OutputResultErrorMssql, "Mssql_error", "1|Mssql_error||g1||", "g1", true},
      {&ImportActions::OutputResultErrorBcp, "Bcp_error", "1|||g1||", "g1", true},
      {&ImportActions::OutputResultErrorPostgresql, "Postgresql_error", "1|||g1||", "whole", true},
      {&ImportActions::OutputResultErrorPostgresql, "Psql_error_reject", "1|||whole||", "whole",
       true},
      {&ImportActions::IncorrectPathError, "IncorrectPathError", "1|||whole||", "whole", true},
      {&ImportActions::OutputResultWarningSQLLoader, "Oracle_warning", "2|Oracle_warning||g1||",
       "g1", false},
      {&ImportActions::OutputResultWarningMySQL, "mysql_warning", "2|Warning||g1||", "g1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    test::TestOutputs out;
    ImportActions actions;
    actions.SetOutputs(out.log, out.report, events.Controller());
    actions.BeginImport("movarin_all.bat", true);
    auto fire = [&](Action action, TextLines groups, const std::string& name, int64_t index) {
      auto rule = test::MakeRule(name, "", index);
      (actions.*action)(rule.get(), {}, groups);
    };
    fire(&ImportActions::StartScript, {"", "tables.bat"}, "CallScript", 1);
    fire(&ImportActions::LaunchSQLPlus, {"", "", "", "sqlplus", "", "", "", "emp.sql"}, "C", 2);
    fire(&ImportActions::NewImportObject, {"", "Table", "T"}, "ImportingObjectName", 3);
    fire(c.action, kGroups, c.rule, 42);

    const auto& stats = actions.GetStatistics().GetObjects().at(0).stats;
    ASSERT_EQ(stats.size(), 1u);
    EXPECT_EQ(test::Describe(*stats[0]), std::string(c.entry) + kAt);
    const bool error = stats[0]->GetType() == kStatKindError;
    const std::string title = "tables.bat::sqlplus(emp.sql)";
    EXPECT_THAT(
        out.MarkedLines(),
        ElementsAre(error ? "<error id=\"42\">[ERR] " + title + "> </exec>whole</error>"
                          : "<warning id=\"42\">[WRN] " + title + "> </exec>whole</warning>"));
    if (error) {
      out.report.UpdateErrorTable(actions.GetStatistics());
      EXPECT_THAT(out.ImportErrorRows(),
                  ElementsAre(std::string(c.report) + "|import_log.html#42|1|T"));
    } else {
      out.report.UpdateObjects(actions.GetStatistics());
      EXPECT_EQ(out.ObjectMember("T", "import_status"), "Warning");
      EXPECT_EQ(out.ObjectMember("T", "comments"), c.report);
    }
    std::vector<std::string> expected{test::StartEvent("tables.bat", "T", "Table", false)};
    if (c.event) {
      expected.push_back(test::ErrorEvent("emp.sql", "tables.bat", stats[0]->errLine,
                                          stats[0]->errCode, stats[0]->errName, stats[0]->errTxt));
    }
    EXPECT_EQ(events.Take(), expected);
  }
}

}  // namespace
}  // namespace Qva
