#include "actions/ImportActions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

using ::testing::HasSubstr;
using Action = int32_t (ImportActions::*)(void*, const TextLines&, TextLines&);

// Actions fired directly; whole runs are in ImportLog_test.cpp.
class ImportActionsTest : public ::testing::Test {
 protected:
  ImportActionsTest() {
    actions_.SetOutputs(out_.log, out_.report, silent_);
    actions_.BeginImport("C:\\imp\\movarin_all.bat", true);
  }

  // Fires `action` as a rule named "Rule" on `groups`; returns the groups after.
  TextLines Fire(Action action, TextLines groups) {
    auto rule = test::MakeRule("Rule");
    EXPECT_EQ((actions_.*action)(rule.get(), {"line\n"}, groups), 0);
    return groups;
  }

  test::TestOutputs out_;
  CWizzardInspectionController silent_;  // never enabled
  ImportActions actions_;
};

TEST_F(ImportActionsTest, FillOutputReplacesPlaceholdersInGroupOrder) {
  auto fill = [](const std::string& output, TextLines groups) {
    ImportActions::FillOutput(*test::MakeRule("R", output), groups);
    return groups;
  };
  // A DB2 message line: the trailing blank of the template stays.
  EXPECT_EQ(fill("Code: SQL[#2]. Message: [#3] ",
                 {"SQL0204N  X is undefined.\n", "SQL", "0204N", " X is undefined."})[0],
            "Code: SQL0204N. Message:  X is undefined. ");
  EXPECT_EQ(fill("Launch", {"whole\n", "a"}), (TextLines{"Launch", "a"}));
  // A placeholder without a group stays; "[#1]" is not a prefix of "[#10]".
  EXPECT_EQ(fill("[#1] [#5]", {"w", "a", "b"})[0], "a [#5]");
  TextLines eleven{"w", "one", "", "", "", "", "", "", "", "", "ten"};
  EXPECT_EQ(fill("[#10]/[#1]", eleven)[0], "ten/one");
  // Group 0 is the whole match before it is replaced.
  EXPECT_EQ(fill("Refused. [#0]", {"psql: refused\n"})[0], "Refused. psql: refused\n");
  EXPECT_EQ(fill("", {"whole\n", "a"}), (TextLines{"whole\n", "a"}));
  EXPECT_EQ(fill("text", {}), (TextLines{"text"}));
}

TEST_F(ImportActionsTest, FillOutputStaysBoundedWhenGroupsHoldPlaceholders) {
  // "[#0]" brings the whole line in; its own "[#1]"s would each become the line again.
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "[#1] ";
  TextLines groups{line, line};
  ImportActions::FillOutput(*test::MakeRule("R", "SSL error. [#0]"), groups);
  EXPECT_EQ(groups[0], "SSL error. " + line);  // filled once, then stopped
}

TEST_F(ImportActionsTest, MissingGroupsReadAsEmptyTexts) {
  // Every action fired with no groups at all, as a rule that captures nothing would.
  const Action all[] = {
      &ImportActions::OutputResultInfo,
      &ImportActions::StartScript,
      &ImportActions::LaunchTool,
      &ImportActions::LaunchSQLPlus,
      &ImportActions::LaunchPsql,
      &ImportActions::LaunchSqlcmd,
      &ImportActions::LaunchMysql,
      &ImportActions::SetAdditionalObject,
      &ImportActions::NewImportObject,
      &ImportActions::NewImportData,
      &ImportActions::OutputResultErrorOracle,
      &ImportActions::OutputResultErrorSQLLoader,
      &ImportActions::OutputResultErrorOracle4Line,
      &ImportActions::OutputResultErrorSQLLoader4Line,
      &ImportActions::OutputResultErrorMySQL,
      &ImportActions::OutputMySQLNotRecognizedError,
      &ImportActions::OutputResultErrorMssql,
      &ImportActions::OutputResultErrorBcp,
      &ImportActions::OutputResultErrorPostgresql,
      &ImportActions::OutputResultWarningSQLLoader,
      &ImportActions::OutputResultWarningMySQL,
      &ImportActions::IncorrectPathError,
      &ImportActions::DropLaunchTool,
      &ImportActions::FinishScript,
      &ImportActions::FinishScript,
  };
  for (Action action : all) EXPECT_LE(Fire(action, {}).size(), 1u);
  const auto& objects = actions_.GetStatistics().GetObjects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].name, "");
  ASSERT_EQ(objects[0].stats.size(), 12u);
  for (const auto& entry : objects[0].stats) EXPECT_EQ(entry->errTxt, "");
  EXPECT_THAT(out_.LogLines().back(), HasSubstr("Total imported objects: 1, 0 succeeded"));
}

}  // namespace
}  // namespace Qva
