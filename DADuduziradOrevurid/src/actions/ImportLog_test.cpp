// Whole import logs through the real analyzer with the embedded rules and all actions bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

using test::ErrorEvent;
using test::StartEvent;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

// One analyzed run with its own HTML log and JSON report, events to the shared subscriber.
class ImportRun {
 public:
  ImportRun(const char* root_script, bool report, const std::string& target,
            const std::string& report_data)
      : out(target, report_data) {
    ResetLastReportedPsqlRule();
    analyzer.SetOption(Qve::kQVOptCString, "ANALYZE_FILE", root_script);
    analyzer.SetOption(Qve::kQVOptCString, "import_ver_info", "1.0");
    analyzer.SetOption(Qve::kQVOptCString, "import_db", target.c_str());
    analyzer.SetOption(Qve::kQVOptCString, "import_host", "dbhost");
    analyzer.SetOption(Qve::kQVOptCString, "export_path", "C:\\export");
    analyzer.SetOption(Qve::kQVOptCString, "report_dir", "rpt");
    analyzer.Init(report);
    actions = analyzer.GetRulesManager()->GetActionManager();
    actions->SetOutputs(out.log, out.report, events.Controller());
    analyzer.SetCommand("echo");
    events.Take();
  }

  // The lines as the console prints them; returns the analyzer's error count. A line's id is
  // its index in `lines` (none of them is blank).
  int32_t Analyze(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    analyzer.AddText(text);
    return analyzer.AnalyzeAvailable(1);
  }

  // "name: entry; entry;" per object, each entry as test::Describe gives it.
  std::vector<std::string> Objects() const {
    std::vector<std::string> described;
    for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
      std::string text = object.name + ":";
      for (const auto& entry : object.stats) {
        text.append(" ").append(test::Describe(*entry)).append(";");
      }
      described.push_back(text);
    }
    return described;
  }

  // The plain lines of the HTML log that mention `text`.
  std::vector<std::string> PlainLines(const std::string& text) const {
    std::vector<std::string> found;
    for (const std::string& line : out.LogLines()) {
      if (line.starts_with("<line>") && line.find(text) != std::string::npos) {
        found.push_back(line);
      }
    }
    return found;
  }

  test::TestOutputs out;
  test::EventProbe& events = test::EventProbe::Get();
  LogAnalyzer analyzer;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions;
};

std::string ReportData(const std::vector<std::string>& objects) {
  std::string list;
  for (const std::string& name : objects) {
    list += (list.empty() ? "" : ",") + std::string(R"({"object_name":")") + name + "\"}";
  }
  return R"({"general_information":{},"objects":[)" + list +
         R"(],"error_table":[{"error_type":"Conversion"}]})";
}

TEST(ImportLogTest, OracleRunOfCalledScriptsOnWindows) {
  ImportRun run("C:\\imp\\movarin_all.bat", true, "Oracle", ReportData({"EMP", "V_EMP", "DEPT"}));
  const int32_t errors = run.Analyze({
      R"(C:\imp>rem Import of converted objects)",       // 0
      "Importing database objects to Oracle",            // 1
      R"(C:\imp>call "tables.bat")",                     // 2
      R"(C:\imp>sqlplus scott/tiger@orcl @tables.sql)",  // 3
      "Importing Table EMP to Oracle",                   // 4
      "ORA-00942: table or view does not exist",         // 5
      "Importing View V_EMP to Oracle",                  // 6
      "  CREATE OR REPLACE VIEW v_emp AS SELECT a,",     // 7
      "                                         *",      // 8
      "ERROR at line 1:",                                // 9
      "ORA-00904: \"A\": invalid identifier",            // 10
      "Disconnected from Oracle Database 19c",           // 11
      R"(C:\imp>rem End script)",                        // 12
      R"(C:\imp>call "data.bat")",                       // 13
      "Importing Table DEPT to Oracle",                  // 14
      "Importing data using the SQL*Loader",             // 15
      R"(C:\imp>sqlldr userid=scott/tiger@orcl control=dept.ctl log=dept.log rows=1000)"
      R"( readsize=1000000 bindsize=1000000)",    // 16
      "SQL*Loader-350: Syntax error at line 4.",  // 17
      "Expecting keyword INTO, found \"TABL\".",  // 18
      "TABL dept",                                // 19
      "^",                                        // 20
      R"(C:\imp>rem End script)",                 // 21
      R"(C:\imp>rem End script)",                 // 22
  });
  EXPECT_EQ(errors, 3);
  const std::string loader_text = "Expecting keyword INTO, found \"TABL\".\nTABL dept\n^";
  EXPECT_THAT(
      run.Objects(),
      ElementsAre(
          "EMP: 1|ORA|00942|table or view does not exist|||tables.sql|tables.bat|5|1;",
          "V_EMP: 1|ORA|00904|\"A\": invalid identifier|1|"
          "CREATE OR REPLACE VIEW v_emp AS SELECT a|tables.sql|tables.bat|7|1;",
          "DEPT: 1|SQL*Loader|350|" + loader_text + "|4|Syntax error|dept.ctl|data.bat|17|2;"));

  // Each error once, with its line index as id; the lines the multi-line errors took are gone.
  EXPECT_THAT(run.out.MarkedLines(),
              ElementsAre("<error id=\"5\">[ERR] tables.bat::sqlplus(tables.sql)> </exec>"
                          "ORA-00942: table or view does not exist\n</error>",
                          "<error id=\"7\">[ERR] tables.bat::sqlplus(tables.sql)> </exec>"
                          "Code: ORA-00904. Message: \"A\": invalid identifier. Line: 1.</error>",
                          "<error id=\"17\">[ERR] data.bat::sqlldr(dept.ctl)> </exec>"
                          "Code: SQL*Loader-350. Message: " +
                              loader_text + ". Line: 4.</error>"));
  EXPECT_THAT(run.PlainLines("ERROR at line"), IsEmpty());
  EXPECT_THAT(run.PlainLines("TABL dept"), IsEmpty());
  EXPECT_THAT(run.PlainLines("Launch"),
              ElementsAre("<line>  <exec>tables.bat> </exec>Launch sqlplus tables.sql "
                          "(scott/tiger@orcl)</line>",
                          StartsWith("<line>  <exec>data.bat> </exec>Launch sqlldr (scott/")));
  EXPECT_THAT(run.PlainLines("Finish"),
              ElementsAre("<line>  <exec>tables.bat> </exec>Finish call script. Return to "
                          "movarin_all.bat.</line>",
                          "<line>  <exec>data.bat> </exec>Finish call script. Return to "
                          "movarin_all.bat.</line>",
                          "<line>  <exec>movarin_all.bat> </exec>Finish script</line>"));
  // The root's end prints the summary and, with the report flag, fills the report; its rows
  // are grouped by report text (group 1 of the four-line forms).
  EXPECT_THAT(run.PlainLines("Total imported objects: 3, 0 succeeded, 3 failed."), SizeIs(1));
  EXPECT_EQ(run.out.ObjectMember("V_EMP", "import_status"), "Failed");
  EXPECT_THAT(run.out.ImportErrorRows(),
              ElementsAre(" |import_log.html#7|1|V_EMP", "SQL*Loader|import_log.html#17|1|DEPT",
                          "table or view does not exist|import_log.html#5|1|EMP"));

  // Per object its start and error event; each called script's end sends finished and progress.
  const std::vector<std::string> sent = run.events.Take();
  ASSERT_EQ(sent.size(), 10u);
  EXPECT_EQ(sent[2], StartEvent("tables.bat", "V_EMP", "View"));
  EXPECT_EQ(sent[7], ErrorEvent("dept.ctl", "data.bat", "4", "350", "SQL*Loader", loader_text, 2));
  for (size_t end : {4, 8}) {
    EXPECT_EQ(sent[end], StartEvent(end == 4 ? "tables.bat" : "data.bat", "", ""));
    EXPECT_THAT(sent[end + 1], StartsWith(test::kProgressStart));
  }
  // The report pass hands its counts to the program's final status event.
  run.events.Controller().SendFinalMesssage();
  EXPECT_THAT(run.events.Take(),
              ElementsAre(R"({"type":"import_report","data":{"success_import":0,"fail_import":3,)"
                          R"("warnings_import":0}})"));
}

TEST(ImportLogTest, PostgresqlShellRun) {
  ImportRun run("movarin_all.sh", false, "PostgreSQL", ReportData({"emp"}));
  const int32_t errors = run.Analyze({
      "Importing database objects to PostgreSQL",                             // 0
      "Starting import script tables.sh",                                     // 1
      "psql.exe -h localhost -U postgres -p 5432 -d test --file tables.sql",  // 2
      "Importing Table emp to PostgreSQL",                                    // 3
      "psql:tables.sql:12: ERROR:  division by zero",                         // 4
      "Finishing tables import with exit code 3",                             // 5
      "Importing Table dept to PostgreSQL",                                   // 6
      "psql:tables.sql:20: ERROR:  relation \"dept\" does not exist",         // 7
      "psql:tables.sql:21: WARNING: column x has no default",                 // 8
      "Importing Table job to PostgreSQL",                                    // 9
      "Finishing tables import with exit code 1",                             // 10
      "Import script tables.sh finished",                                     // 11
      "Import script movarin_all.sh finished",                                // 12
  });
  EXPECT_EQ(errors, 4);  // the engine counts every match of an error rule
  const std::string at = "|||tables.sql|tables|";
  // The exit code after emp's error records nothing; after job's start it is job's error.
  EXPECT_THAT(run.Objects(),
              ElementsAre("emp: 1||| division by zero" + at + "4|1;",
                          "dept: 1|||Relation does not exist. psql:tables.sql:20: ERROR:  "
                          "relation \"dept\" does not exist\n" +
                              at +
                              "7|1; "
                              "2|Warning||column x has no default" +
                              at + "8|1;",
                          "job: 1|||1" + at + "10|1;"));
  EXPECT_EQ(run.out.MarkedLines().back(),
            "<error id=\"10\">[ERR] tables::psql.exe(tables.sql)> </exec>"
            "Unhandled exception (psql exited with error code 1)</error>");
  EXPECT_THAT(run.PlainLines("Finish"),
              ElementsAre("<line>  <exec>tables> </exec>Finish call script. Return to "
                          "movarin_all.sh.</line>",
                          "<line>  <exec>movarin_all.sh> </exec>Finish script</line>"));
  EXPECT_THAT(run.PlainLines("Total imported objects: 3, 1 succeeded"), SizeIs(1));
  // Without the report flag the report's tables stay as loaded.
  EXPECT_EQ(run.out.ObjectMember("emp", "import_status"), "-");
  EXPECT_THAT(run.out.ImportErrorRows(), IsEmpty());
}

TEST(ImportLogTest, PsqlRefusedConnectionAndLanguageScript) {
  ImportRun run("C:\\imp\\movarin_all.bat", true, "PostgreSQL", ReportData({}));
  const std::string psql = R"(C:\imp>"C:\pg\bin\psql.exe" -h localhost -U postgres -p 5432 -d t)";
  const std::string refused =
      "psql: error: connection to server at \"localhost\", port 5432 failed: Connection refused";
  run.Analyze({
      "Importing database objects to PostgreSQL",                             // 0
      R"(C:\imp>call "create_lang.bat")",                                     // 1
      psql + " --file create_lang.sql",                                       // 2
      "psql:create_lang.sql:1: ERROR:  language \"plpgsql\" already exists",  // 3
      R"(C:\imp>rem End script)",                                             // 4
      R"(C:\imp>call "types.bat")",                                           // 5
      psql + " --file types.sql",                                             // 6
      refused,                                                                // 7
      "Finishing types import with exit code 2",                              // 8
      R"(C:\imp>rem End script)",                                             // 9
      R"(C:\imp>rem End script)",                                             // 10
  });
  EXPECT_THAT(run.Objects(), IsEmpty());
  const std::string text = "Connection refused error. " + refused + "\n";
  EXPECT_THAT(run.out.MarkedLines(),
              ElementsAre("<error id=\"7\">[ERR] types.bat::psql.exe(types.sql)> </exec>" + text +
                          "</error>"));
  EXPECT_THAT(run.out.ImportErrorRows(), ElementsAre(text + "|import_log.html#7|1|"));
}

TEST(ImportLogTest, MysqlWarningsAndErrors) {
  ImportRun run("C:\\imp\\movarin_all.bat", true, "MariaDB", ReportData({"emp"}));
  run.Analyze({
      "Importing database objects to MariaDB",  // 0
      R"(C:\imp>call "tables.bat")",            // 1
      R"(C:\imp>C:\mariadb\bin\mysql.exe --host=localhost --user=root --password=pw)"
      R"( --port=3306 --force -vvv test < tables.sql >> tables.log)",                      // 2
      "Importing Table emp to MariaDB",                                                    // 3
      "mysql: [Warning] Using a password on the command line interface can be insecure.",  // 4
      "ERROR 1064 (42000) at line 5: You have an error in your SQL syntax",                // 5
      "mysql: [Warning] Table emp already exists",                                         // 6
      R"(C:\imp>rem End script)",                                                          // 7
      R"(C:\imp>rem End script)",                                                          // 8
  });
  // The password warning is shown as information only.
  EXPECT_THAT(run.out.MarkedLines(),
              ElementsAre(StartsWith("<error id=\"5\">"), StartsWith("<warning id=\"6\">")));
  EXPECT_THAT(run.PlainLines("Using a password"),
              ElementsAre("<line>  <exec>tables.bat::mysql.exe(tables.sql)> </exec>mysql: "
                          "[Warning] Using a password on the command line interface can be "
                          "insecure.</line>"));
  // A later warning decides: the object succeeded with warnings.
  EXPECT_EQ(run.out.ObjectMember("emp", "import_status"), "Warning");
  EXPECT_THAT(run.out.ImportErrorRows(),
              ElementsAre("You have an error in your SQL syntax|import_log.html#5|1|emp"));
}

TEST(ImportLogTest, SqlServerAndBcpOnTheRightObject) {
  ImportRun run("C:\\imp\\movarin_all.bat", false, "Microsoft SQL Server", ReportData({}));
  run.Analyze({
      "Importing database objects to Microsoft SQL Server",                   // 0
      R"(C:\imp>call "tables.bat")",                                          // 1
      "Importing data using the bcp",                                         // 2
      R"(C:\imp>sqlcmd.exe -i tables.sql -U sa -P pw -d test -S localhost)",  // 3
      "Additional object",                                                    // 4
      "Importing Table dbo.emp to Microsoft SQL Server",                      // 5
      "Msg 2714, Level 16, State 6, Server SQLHOST, Line 1",                  // 6
      "Warning! The maximum key length is 900 bytes.",                        // 7
      "Importing Table dbo.dept to Microsoft SQL Server",                     // 8
      "Importing data using the bcp",                                         // 9
      R"(C:\imp>bcp.exe dbo.dept in dept.dat -d test -f dept.fmt -e dept.err -m 10 -t, -r\n)"
      R"( -E -U sa -P pw -S localhost -b1000 -k)",  // 10
      "SQLState = 22001, NativeError = 0",          // 11
  });
  // Only the object right after "Additional object" is additional; the data line before any
  // object changed nothing.
  const auto& objects = run.actions->GetStatistics().GetObjects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_TRUE(objects[0].additional);
  EXPECT_FALSE(objects[1].additional);
  EXPECT_EQ(objects[0].stage, kImportStageDdl);
  EXPECT_EQ(objects[0].stats.size(), 2u);
  EXPECT_THAT(run.out.MarkedLines(),
              ElementsAre(StartsWith("<error id=\"6\">[ERR] tables.bat::sqlcmd.exe(tables.sql)> "),
                          "<warning id=\"7\">[WRN] tables.bat::sqlcmd.exe(tables.sql)> </exec>"
                          "Warning! The maximum key length is 900 bytes.</warning>",
                          "<error id=\"11\">[ERR] tables.bat::bcp.exe(dbo.dept)> </exec>"
                          "SQLState = 22001, NativeError = 0</error>"));
  EXPECT_THAT(run.events.Take(),
              ElementsAre(StartEvent("tables.bat", "dbo.emp", "Table", true),
                          ErrorEvent("tables.sql", "tables.bat", "", "", "Mssql_error", "2714"),
                          StartEvent("tables.bat", "dbo.dept", "Table"),
                          ErrorEvent("dbo.dept", "tables.bat", "", "", "", "22001", 2)));
}

TEST(ImportLogTest, IncorrectPathReturnsToTheCaller) {
  ImportRun run("C:\\imp\\movarin_all.bat", true, "Oracle", ReportData({}));
  const std::string not_found = "The system cannot find the path specified.";
  run.Analyze({
      R"(C:\imp>call "missing\tables.bat")",  // 0
      not_found,                              // 1: back in movarin_all.bat
      not_found,                              // 2: the root stays current
      R"(C:\imp>rem End script)",             // 3: still the end of the import
  });
  EXPECT_EQ(run.actions->GetCurrentScript(), run.actions->GetRootScript());
  EXPECT_THAT(
      run.out.MarkedLines(),
      ElementsAre("<error id=\"1\">[ERR] tables.bat> </exec>" + not_found + "\n</error>",
                  "<error id=\"2\">[ERR] movarin_all.bat> </exec>" + not_found + "\n</error>"));
  // The rule also shows the line as information, from the caller.
  EXPECT_THAT(run.PlainLines(not_found), Contains(StartsWith("<line>  <exec>movarin_all.bat> ")));
  EXPECT_THAT(run.PlainLines("Finish"), Contains("<line>  <exec>movarin_all.bat> </exec>Finish "
                                                 "script</line>"));
}

}  // namespace
}  // namespace Qva
