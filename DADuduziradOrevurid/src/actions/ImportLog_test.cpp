// Whole import logs through the real analyzer with the embedded rules and every action bound:
// what the page, the statistics and the wizard get for the rule families that the
// end-to-end suite has no server for, that the platform supplement changes no verdict, and how
// a log ends when its script stops early or exits with a failed status.
#include <gtest/gtest.h>

#include <set>

#include "QVEString.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/TestRuleSources.h"
#include "bench/ImportLogGenerator.h"

namespace Qva {
namespace {

using test::ImportRun;
using test::kRoot;

// The target database that a log announces.
std::string TargetOf(const std::string& log) {
  const std::string intro = "Importing database objects to ";
  const size_t at = log.find(intro);
  EXPECT_NE(at, std::string::npos);
  return log.substr(at + intro.size(), log.find('\n', at) - at - intro.size());
}

// Windows import logs of the families the end-to-end suite has no server for (oracle: a missing
// called script returns to the caller, sqlplus and SQL*Loader with their 4-line errors, whose
// other lines are skipped; mssql: only the object right after "Additional object" is additional,
// bcp names its table). NAME.expected holds the Digest() of the marked, finish and summary lines
// of NAME.log, then the events.
const std::set<std::string>& WindowsLogs() {
  static const std::set<std::string> names = Qve::test::TestDataCases("actions/windows", ".log");
  return names;
}

TEST(ImportLogTest, WindowsRuleFamilies) {
  ASSERT_EQ(WindowsLogs().size(), 2u);
  for (const std::string& name : WindowsLogs()) {
    SCOPED_TRACE(name);
    const std::string log = Qve::test::ReadTestData("actions/windows/" + name + ".log");
    const ImportRun run(log, TargetOf(log));
    EXPECT_EQ(run.Digest("^<[ew]|</exec>(Finish |Total|Import .*finished)") + run.events,
              Qve::test::ReadTestData("actions/windows/" + name + ".expected"));
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
    std::string target;
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
  for (const std::string& name : WindowsLogs()) {
    const std::string log = Qve::test::ReadTestData("actions/windows/" + name + ".log");
    logs.push_back({TargetOf(log), log, ""});
  }
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
  const ImportRun run(Qve::test::ReadTestData("actions/unknown-failure-line.log"), "PostgreSQL", {},
                      "movarin_all.sh");
  EXPECT_EQ(run.Digest("^<[ew]"), Qve::test::ReadTestData("actions/unknown-failure-line.expected"));
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

// How a log ends: a script stopped before its last line has its open scripts closed innermost
// first, then the import, and the notice after the summary says how it ended; a finished import
// gets nothing for status 0 and, for any other, an error of the run after the summary that the
// objects do not see. The end only adds to the page.
TEST(ImportLogTest, ScriptEnd) {
  using Kind = ScriptEnd::Kind;
  const std::string& log = CapturedPsqlLog();
  // The captured log up to (not including) its tables script's finished line.
  const std::string in_tables = log.substr(0, log.find("\nImport script tables.sh finished") + 1);
  // Each case's Digest() is script-end/NAME.expected.
  const struct {
    const char* name;
    std::string log;
    ScriptEnd end;
    int32_t errors;
    size_t added;  // page lines written at the end
  } cases[] = {
      {"stopped-in-nested-script", in_tables, {Kind::kStopped, 15, "Terminated"}, 2, 9},
      // The main script's finished line names it: the nested script is closed before it.
      {"nested-script-without-its-finished-line",
       in_tables + "Import script movarin_all.sh finished\n",
       {Kind::kExited, 0, ""},
       1,
       0},
      // Status 0 without any output: the summary has nothing to count, the notice says how.
      {"nothing-printed", "", {Kind::kExited, 0, ""}, 0, 4},
      // Killed without any object: the error belongs to the run.
      {"killed-before-the-first-object", "", {Kind::kKilled, 9, "Killed"}, 1, 5},
      {"finished", log, {}, 0, 0},
      {"finished-with-exit-status-3", log, {Kind::kExited, 3, ""}, 1, 1},
  };
  ASSERT_EQ(Qve::test::TestDataCases("actions/script-end", ".expected").size(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoppedRun run(c.log, c.end);
    EXPECT_EQ(run.script_end_errors, c.errors);
    const std::vector<std::string> page = run.out.LogLines();
    ASSERT_GE(page.size(), c.added);
    EXPECT_EQ(std::vector<std::string>(page.begin(), page.end() - c.added), run.page_before);
    EXPECT_EQ(run.Digest(),
              Qve::test::ReadTestData("actions/script-end/" + std::string(c.name) + ".expected"));
  }
}

}  // namespace
}  // namespace Qva
