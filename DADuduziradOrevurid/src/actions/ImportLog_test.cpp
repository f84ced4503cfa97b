// Whole import logs through the real analyzer with the embedded rules and every action bound:
// what the page, the statistics and the wizard get for the rule families that the
// end-to-end suite has no server for, that the platform supplement changes no verdict, and how
// a log ends when its script stops early or exits with a failed status.
#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <optional>
#include <regex>

#include "QVEString.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/TestRuleSources.h"
#include "bench/ImportLogGenerator.h"

namespace Qva {
namespace {

constexpr const char* kRoot = "C:\\imp\\movarin_all.bat";

// Masks what differs between runs: time stamps, durations, the process and its progress.
std::string Masked(const std::string& text) {
  static const std::regex varying(R"((^|\n)[A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}|)"
                                  R"("time_import":\d+|"pid":\d+,"progress":[.\d]+)");
  return std::regex_replace(text, varying, "$1#");
}

// One log analyzed as the launcher feeds it (whole-line blocks, then the rest, then the script's
// end if given), with outputs of its own; the events that the shared probe received, the final
// status event last.
struct ImportRun {
  ImportRun(const std::string& log, const std::string& target, RuleSource source = {},
            const char* root = kRoot, std::optional<ScriptEnd> end = {})
      : out(target), analyzer(std::move(source)) {
    actions =
        ImpLogAnalyzerActionManager::AttachTo(analyzer, test::ReportRun(root, "echo", target));
    analyzer.Init(true);
    const size_t loading_trace = analyzer.GetTraceText().size();
    actions->SetOutputs(out.log, out.report, test::EventProbe::Get().Controller());
    size_t at = 0;
    for (size_t end; (end = log.rfind('\n', at + 4096)) != std::string::npos && end >= at;) {
      analyzer.AddText(log.substr(at, end + 1 - at));
      analyzer.AnalyzeAvailable(10);
      at = end + 1;
    }
    analyzer.AddText(log.substr(at));
    analyzer.AnalyzeAvailable(1);
    page_before = out.LogLines();
    if (end) script_end_errors = actions->FinishOutput(*end);
    test::EventProbe::Get().Controller().SendFinalMesssage();
    for (const std::string& event : test::EventProbe::Get().Take()) events += Masked(event) + "\n";
    trace = Masked(analyzer.GetTraceText().substr(loading_trace));
  }

  // One item a line (its line feeds as \\n): the page's lines that match `kept`; the entry kinds
  // per object ("+" marks an additional one); the error table's entries that name no object.
  std::string Digest(const char* kept) const {
    auto escaped = [](const std::string& line) {
      return std::regex_replace(line, std::regex("\n"), "\\n");
    };
    const std::regex kept_lines(kept);
    std::string text;
    for (const std::string& line : out.LogLines()) {
      if (std::regex_search(line, kept_lines)) text += escaped(line) + "\n";
    }
    text += "objects:";
    for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
      text += " " + object.name + (object.additional ? "+:" : ":");
      for (const auto& entry : object.stats) text += entry->GetType() == kStatKindError ? 'E' : 'W';
    }
    for (const auto& entry : out.report.GetDocument()["error_table"].GetArray()) {
      if (entry.HasMember("failed_objects") && entry["failed_objects"] == "") {
        text += "\nrun error: " + escaped(entry["error_message"].GetString());
      }
    }
    return text + "\n";
  }

  // The trace text, the page, data.js and the events.
  std::string Outputs() const {
    std::string page;
    for (const std::string& line : out.LogLines()) page += line + "\n";
    rapidjson::StringBuffer data;
    rapidjson::Writer<rapidjson::StringBuffer> writer(data);
    out.report.GetDocument().Accept(writer);
    return trace + page + Masked(data.GetString()) + "\n" + events;
  }

  test::TestOutputs out;
  LogAnalyzer analyzer;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions;
  std::vector<std::string> page_before;  // before the script's end
  int32_t script_end_errors = 0;
  std::string events;
  std::string trace;
};

// Windows import logs of the families the end-to-end suite has no server for.
struct WindowsLog {
  const char* target;
  const char* log;
  const char* digest;  // Digest() of the marked, finish and summary lines, then the events
};

const WindowsLog kWindowsLogs[] = {
    // A missing called script returns to the caller; called scripts; sqlplus and SQL*Loader
    // with their 4-line errors, whose other lines are skipped.
    {"Oracle", R"(C:\imp>rem Import of converted objects
Importing database objects to Oracle
C:\imp>call "missing\views.bat"
The system cannot find the path specified.
The system cannot find the path specified.
C:\imp>call "tables.bat"
C:\imp>sqlplus scott/tiger@orcl @tables.sql
Importing Table EMP to Oracle
ORA-00942: table or view does not exist
Importing View V_EMP to Oracle
  CREATE OR REPLACE VIEW v_emp AS SELECT a,
                                         *
ERROR at line 1:
ORA-00904: "A": invalid identifier
Disconnected from Oracle Database 19c
C:\imp>rem End script
C:\imp>call "data.bat"
Importing Table DEPT to Oracle
Importing data using the SQL*Loader
C:\imp>sqlldr userid=scott/tiger@orcl control=dept.ctl log=dept.log rows=1000 readsize=1000000 bindsize=1000000
SQL*Loader-350: Syntax error at line 4.
Expecting keyword INTO, found "TABL".
TABL dept
^
C:\imp>rem End script
C:\imp>rem End script
)",
     R"(
<error id="3">[ERR] views.bat> </exec>The system cannot find the path specified.\n</error>
<error id="4">[ERR] movarin_all.bat> </exec>The system cannot find the path specified.\n</error>
<error id="8">[ERR] tables.bat::sqlplus(tables.sql)> </exec>ORA-00942: table or view does not exist\n</error>
<error id="10">[ERR] tables.bat::sqlplus(tables.sql)> </exec>Code: ORA-00904. Message: "A": invalid identifier. Line: 1.</error>
<line>  <exec>tables.bat> </exec>Finish call script. Return to movarin_all.bat.</line>
<error id="20">[ERR] data.bat::sqlldr(dept.ctl)> </exec>Code: SQL*Loader-350. Message: Expecting keyword INTO, found "TABL".\nTABL dept\n^. Line: 4.</error>
<line>  <exec>data.bat> </exec>Finish call script. Return to movarin_all.bat.</line>
<line>  <exec>movarin_all.bat> </exec>Finish script</line>
<line>  <exec></exec>Import finished:\n</line>
<line>  <exec></exec>Total: 2 Table(s), 0 Ok, 2 Error(s), 0 Warning(s)\n</line>
<line>  <exec></exec>Total: 1 View(s), 0 Ok, 1 Error(s), 0 Warning(s)\n</line>
<line>  <exec></exec>Total imported objects: 3, 0 succeeded, 3 failed.\n</line>
objects: EMP:E V_EMP:E DEPT:E
run error: The system cannot find the path specified.\n
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"","scriptFile":"views.bat","errLine":"","errCode":"","errName":"","errTxt":"The system cannot find the path specified.\n"}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"","scriptFile":"movarin_all.bat","errLine":"","errCode":"","errName":"","errTxt":"The system cannot find the path specified.\n"}}
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"EMP","type":"Table","isAdditional":false}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"tables.sql","scriptFile":"tables.bat","errLine":"","errCode":"00942","errName":"ORA","errTxt":"table or view does not exist"}}
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"V_EMP","type":"View","isAdditional":false}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"tables.sql","scriptFile":"tables.bat","errLine":"1","errCode":"00904","errName":"ORA","errTxt":"\"A\": invalid identifier"}}
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"","type":"","isAdditional":false}}
{"type":"progress","data":{#}}
{"type":"import_scripts","data":{"filename":"data.bat","objectImportName":"DEPT","type":"Table","isAdditional":false}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":false,"workingFile":"dept.ctl","scriptFile":"data.bat","errLine":"4","errCode":"350","errName":"SQL*Loader","errTxt":"Expecting keyword INTO, found \"TABL\".\nTABL dept\n^"}}
{"type":"import_scripts","data":{"filename":"data.bat","objectImportName":"","type":"","isAdditional":false}}
{"type":"progress","data":{#}}
{"type":"import_report","data":{"success_import":0,"fail_import":3,"warnings_import":0}}
)"},
    // Only the object right after "Additional object" is additional; bcp names its table.
    {"Microsoft SQL Server", R"(Importing database objects to Microsoft SQL Server
C:\imp>call "tables.bat"
C:\imp>sqlcmd.exe -i tables.sql -U sa -P pw -d test -S localhost
Additional object
Importing Table dbo.emp to Microsoft SQL Server
Msg 2714, Level 16, State 6, Server SQLHOST, Line 1
Warning! The maximum key length is 900 bytes.
Importing Table dbo.dept to Microsoft SQL Server
Importing data using the bcp
C:\imp>bcp.exe dbo.dept in dept.dat -d test -f dept.fmt -e dept.err -m 10 -t, -r\n -E -U sa -P pw -S localhost -b1000 -k
SQLState = 22001, NativeError = 0
C:\imp>rem End script
C:\imp>rem End script
)",
     R"(
<error id="5">[ERR] tables.bat::sqlcmd.exe(tables.sql)> </exec>Msg 2714, Level 16, State 6, Server SQLHOST, Line 1</error>
<warning id="6">[WRN] tables.bat::sqlcmd.exe(tables.sql)> </exec>Warning! The maximum key length is 900 bytes.</warning>
<error id="10">[ERR] tables.bat::bcp.exe(dbo.dept)> </exec>SQLState = 22001, NativeError = 0</error>
<line>  <exec>tables.bat> </exec>Finish call script. Return to movarin_all.bat.</line>
<line>  <exec>movarin_all.bat> </exec>Finish script</line>
<line>  <exec></exec>Import finished:\n</line>
<line>  <exec></exec>Total: 1 Table(s), 0 Ok, 1 Error(s), 0 Warning(s)\n</line>
<line>  <exec></exec>Total: 1 additional object(s), 1 Ok, 0 Error(s), 1 Warning(s)\n</line>
<line>  <exec></exec>Total imported objects: 2, 1 succeeded, 1 failed.\n</line>
objects: dbo.emp+:EW dbo.dept:E
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"dbo.emp","type":"Table","isAdditional":true}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"tables.sql","scriptFile":"tables.bat","errLine":"","errCode":"","errName":"Mssql_error","errTxt":"2714"}}
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"dbo.dept","type":"Table","isAdditional":false}}
{"type":"import_scripts","data":{"isImportResultError":true,"isImportStageUnknown":false,"isImportStageDdl":false,"workingFile":"dbo.dept","scriptFile":"tables.bat","errLine":"","errCode":"","errName":"","errTxt":"22001"}}
{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"","type":"","isAdditional":false}}
{"type":"progress","data":{#}}
{"type":"import_report","data":{"success_import":0,"fail_import":1,"warnings_import":0}}
)"},
};

TEST(ImportLogTest, WindowsRuleFamilies) {
  for (const WindowsLog& c : kWindowsLogs) {
    SCOPED_TRACE(c.target);
    const ImportRun run(c.log, c.target);
    EXPECT_EQ(run.Digest("^<[ew]|</exec>(Finish |Total|Import .*finished)") + run.events,
              c.digest + 1);
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  Qve::ReplaceAll(text, from, to);
  return text;
}

// Windows logs come out byte for byte the same with the supplement; on the real Linux logs its
// launches act as the Windows launch rules do on the same log with Windows client names.
TEST(ImportLogTest, PlatformSupplementChangesNoVerdict) {
  struct Log {
    const char* target;
    std::string text;
    std::string linux_call;  // empty: a Windows log
    const char* root = kRoot;
  };
  const std::string dir = ML_SOURCE_DIR "/tests/e2e/captured/";
  const std::string psql = Qve::test::ReadFile(dir + "postgresql-failures.txt");
  const std::string mysql = Qve::test::ReadFile(dir + "mariadb-failures.txt");
  std::vector<Log> logs = {
      {"PostgreSQL", psql, "psql", "movarin_all.sh"},
      {"MariaDB", mysql, "mysql", "movarin_all.sh"},
      {"PostgreSQL", Replaced(psql, "psql -h", "psql.exe -h"), "", "movarin_all.sh"},
      {"MariaDB", Replaced(mysql, "mysql --host", "mysql.exe --host"), "", "movarin_all.sh"},
      {"Oracle", bench::GenerateImportLog(4000, 11) + "C:\\imp>rem End script\n", ""},
  };
  for (const WindowsLog& log : kWindowsLogs) logs.push_back({log.target, log.log, ""});
  for (const Log& log : logs) {
    SCOPED_TRACE(log.target + log.linux_call);
    const std::string exe = log.linux_call + ".exe";
    std::string want =
        log.linux_call.empty()
            ? ImportRun(log.text, log.target, test::EmbeddedRulesOnly(), log.root).Outputs()
            : Replaced(ImportRun(Replaced(log.text, log.linux_call + " -", exe + " -"), log.target,
                                 test::EmbeddedRulesOnly(), log.root)
                           .Outputs(),
                       exe, log.linux_call);
    const std::string got = ImportRun(log.text, log.target, {}, log.root).Outputs();
    // Names the first differing line: whole logs are too long to print.
    const size_t at = got.rfind(
        '\n', std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin());
    EXPECT_TRUE(got == want) << got.substr(at + 1, got.find('\n', at + 1) - at);
    EXPECT_NE(want.find("Total imported objects"), std::string::npos);  // the run reached its end
  }
}

// A failure-shaped line that no rule knows (initdb's error in German) warns the current object as
// any warning does: an anchored page line quoting it, a warning entry, no event.
TEST(ImportLogTest, FailureShapedLineWarnsTheCurrentObject) {
  const ImportRun run(R"(Importing database objects to PostgreSQL
/opt/import>psql -h 127.0.0.1 -U ml -p 5432 -d db --file tables/public.t1.sql
Importing Table public.t1 to PostgreSQL
initdb: Fehler: kann nicht als root ausgeführt werden
CREATE TABLE
)",
                      "PostgreSQL", {}, "movarin_all.sh");
  EXPECT_EQ(run.Digest("^<[ew]"),
            "<warning id=\"3\">[WRN] movarin_all.sh::psql(tables/public.t1.sql)> </exec>initdb: "
            "Fehler: kann nicht als root ausgeführt werden</warning>\nobjects: public.t1:W\n");
  EXPECT_EQ(run.events.find("Fehler"), std::string::npos);
}

// A cut of the captured PostgreSQL import, finished as the launcher finishes the output.
struct StoppedRun : ImportRun {
  StoppedRun(const std::string& log, const ScriptEnd& end)
      : ImportRun(log, "PostgreSQL", {}, "/opt/import/movarin_all.sh", end) {}
  std::string Digest() const {
    return ImportRun::Digest(
        "(^<error.*(stopped before|ended with))|</exec>(Finish|Total|Import finished|Import "
        "script)");
  }
};

const std::string& CapturedPsqlLog() {
  static const std::string log =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt");
  return log;
}

// The script stopped before its last line: open scripts are closed innermost first, then the
// import; the notice after the summary says how it ended.
TEST(ImportLogTest, ScriptCutShort) {
  using Kind = ScriptEnd::Kind;
  const std::string& log = CapturedPsqlLog();
  // The captured log up to (not including) its tables script's finished line.
  const std::string in_tables = log.substr(0, log.find("\nImport script tables.sh finished") + 1);
  const std::string tables_return =
      "<line>  <exec>tables> </exec>Finish call script. Return to movarin_all.sh.</line>\n";
  const std::string root_finish = "<line>  <exec>movarin_all.sh> </exec>Finish script</line>\n";
  const std::string finished = "<line>  <exec></exec>Import finished:\\n</line>\n";
  // The summary of the six tables of the nested script when the last one failed.
  const std::string summary =
      finished +
      "<line>  <exec></exec>Total: 6 Table(s), 1 Ok, 5 Error(s), 0 Warning(s)\\n</line>\n"
      "<line>  <exec></exec>Total imported objects: 6, 1 succeeded, 5 failed.\\n</line>\n";
  const std::string tables_objects =
      "objects: public.customers: public.orders:E public.order_items:E public.settings:E "
      "sales.invoices:E public.products:";
  struct Case {
    std::string name, log;
    ScriptEnd::Kind kind;
    int32_t number;
    const char* signal_name;
    int32_t errors;
    std::string digest;
  };
  const std::vector<Case> cases = {
      {"stopped in a nested script", in_tables, Kind::kStopped, 15, "Terminated", 2,
       "<error id=\"48\">[ERR] tables::psql(data/public.products.sql)> </exec>Import script "
       "tables stopped before its end</error>\n" +
           tables_return +
           "<error id=\"49\">[ERR] movarin_all.sh> </exec>Import script movarin_all.sh ended "
           "with stop signal 15 (Terminated)</error>\n" +
           root_finish + summary +
           "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: stop "
           "signal 15 (Terminated)\\n</line>\n" +
           tables_objects + "EE\n"},
      // The main script's finished line names it: the nested script is closed before it.
      {"nested script without its finished line",
       in_tables + "Import script movarin_all.sh finished\n", Kind::kExited, 0, "", 1,
       "<error id=\"48\">[ERR] tables> </exec>Import script tables stopped before its "
       "end</error>\n" +
           tables_return + root_finish + summary + tables_objects + "E\n"},
      // Status 0 without any output: the summary has nothing to count, the notice says how.
      {"nothing printed", "", Kind::kExited, 0, "", 0,
       root_finish + finished +
           "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: exit status "
           "0\\n</line>\nobjects:\n"},
      // Killed without any object: the error belongs to the run.
      {"killed before the first object", "", Kind::kKilled, 9, "Killed", 1,
       "<error id=\"0\">[ERR] movarin_all.sh> </exec>Import script movarin_all.sh ended with "
       "signal 9 (Killed)</error>\n" +
           root_finish + finished +
           "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: signal 9 "
           "(Killed)\\n</line>\nobjects:\n"
           "run error: Import script movarin_all.sh ended with signal 9 (Killed)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StoppedRun run(c.log, {c.kind, c.number, c.signal_name});
    EXPECT_EQ(run.script_end_errors, c.errors);
    EXPECT_EQ(run.Digest(), c.digest);
  }
}

// A finished import: status 0 adds nothing; any other status is an error of the run after the
// summary, which the objects do not see.
TEST(ImportLogTest, FinishedImportWithExitStatus) {
  StoppedRun clean(CapturedPsqlLog(), {});
  EXPECT_EQ(clean.script_end_errors, 0);
  EXPECT_EQ(clean.out.LogLines(), clean.page_before);

  StoppedRun failed(CapturedPsqlLog(), {ScriptEnd::Kind::kExited, 3, ""});
  EXPECT_EQ(failed.script_end_errors, 1);
  std::vector<std::string> page = failed.page_before;
  page.push_back("<error id=\"" + std::to_string(failed.analyzer.GetStorage()->GetLineCount()) +
                 "\">[ERR] movarin_all.sh> </exec>Import script movarin_all.sh ended with exit "
                 "status 3</error>");
  EXPECT_EQ(failed.out.LogLines(), page);
  const std::string digest = failed.Digest();
  EXPECT_EQ(digest.substr(digest.rfind("objects:")),
            clean.Digest().substr(clean.Digest().rfind("objects:")) +
                "run error: Import script movarin_all.sh ended with exit status 3\n");
}

}  // namespace
}  // namespace Qva
