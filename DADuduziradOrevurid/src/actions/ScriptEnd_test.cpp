// How a real import log ends when the import script stops before its last line, or its finished
// line comes with a failed exit: cuts of a captured PostgreSQL import, each finished as the
// launcher finishes the output.
#include <gtest/gtest.h>

#include <regex>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

ScriptEnd Ended(ScriptEnd::Kind kind, int32_t number, const char* signal_name = "") {
  ScriptEnd end;
  end.kind = kind;
  end.number = number;
  end.signal_name = signal_name;
  return end;
}

ScriptEnd Exited(int32_t status) { return Ended(ScriptEnd::Kind::kExited, status); }

// `log` analyzed at once, then finished by FinishOutput(`end`).
struct StoppedRun {
  StoppedRun(const std::string& log, const ScriptEnd& end) : out("PostgreSQL") {
    ResetLastReportedPsqlRule();
    actions = ImpLogAnalyzerActionManager::AttachTo(
        analyzer, test::ReportRun("/opt/import/movarin_all.sh", "echo all "));
    analyzer.Init(true);
    actions->SetOutputs(out.log, out.report, silent);
    analyzer.AddText(log);
    analyzer.AnalyzeAvailable(1);
    page_before = out.LogLines();
    script_end_errors = actions->FinishOutput(end);
  }

  // The page's lines about script ends and the summary (line feeds as \n), then each object's
  // entry kinds, then the error table's entries that name no object.
  std::string Digest() const {
    static const std::regex kept(
        "(^<error.*(stopped before|ended with))|</exec>(Finish|Total|Import finished|Import "
        "script)");
    std::string text;
    for (const std::string& line : out.LogLines()) {
      if (std::regex_search(line, kept)) {
        text += std::regex_replace(line, std::regex("\n"), "\\n") + "\n";
      }
    }
    text += "objects:";
    for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
      text += " " + object.name + ":";
      for (const auto& entry : object.stats) text += entry->GetType() == kStatKindError ? 'E' : 'W';
    }
    for (const auto& entry : out.report.GetDocument()["error_table"].GetArray()) {
      if (entry.HasMember("failed_objects") && entry["failed_objects"] == "") {
        text += std::string("\nrun error: ") + entry["error_message"].GetString();
      }
    }
    return text + "\n";
  }

  test::TestOutputs out;
  CWizzardInspectionController silent;  // never enabled
  LogAnalyzer analyzer;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions;
  std::vector<std::string> page_before;
  int32_t script_end_errors = 0;
};

// The captured log up to (not including) the first line that starts with `stop`, then `tail`.
std::string Cut(const std::string& log, const std::string& stop, const std::string& tail = "") {
  const size_t at = log.find("\n" + stop);
  return (at == std::string::npos ? log : log.substr(0, at + 1)) + tail;
}

// The summary of the six tables of the nested script when the last one failed.
constexpr const char* kSummary =
    "<line>  <exec></exec>Import finished:\\n</line>\n"
    "<line>  <exec></exec>Total: 6 Table(s), 1 Ok, 5 Error(s), 0 Warning(s)\\n</line>\n"
    "<line>  <exec></exec>Total imported objects: 6, 1 succeeded, 5 failed.\\n</line>\n";

TEST(ScriptEndTest, CapturedImportCutShort) {
  const std::string log =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt");
  const std::string in_tables = Cut(log, "Import script tables.sh finished");
  const std::string tables_return =
      "<line>  <exec>tables> </exec>Finish call script. Return to movarin_all.sh.</line>\n";
  const std::string root_finish = "<line>  <exec>movarin_all.sh> </exec>Finish script</line>\n";
  const std::string tables_objects =
      "objects: public.customers: public.orders:E public.order_items:E public.settings:E "
      "sales.invoices:E public.products:";
  struct Case {
    std::string name;
    std::string log;
    ScriptEnd end;
    int32_t errors;
    std::string digest;
  };
  const std::vector<Case> cases = {
      // A nested script stopped by a signal: it is closed first, then the import.
      {"stopped in a nested script", in_tables, Ended(ScriptEnd::Kind::kStopped, 15, "Terminated"),
       2,
       "<error id=\"48\">[ERR] tables::psql(data/public.products.sql)> </exec>Import script "
       "tables stopped before its end</error>\n" +
           tables_return +
           "<error id=\"49\">[ERR] movarin_all.sh> </exec>Import script movarin_all.sh ended "
           "with stop signal 15 (Terminated)</error>\n" +
           root_finish + kSummary +
           "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: stop "
           "signal 15 (Terminated)\\n</line>\n" +
           tables_objects + "EE\n"},
      // The main script's finished line names it: the nested script is closed before it.
      {"nested script without its finished line",
       in_tables + "Import script movarin_all.sh finished\n", Exited(0), 1,
       "<error id=\"48\">[ERR] tables> </exec>Import script tables stopped before its "
       "end</error>\n" +
           tables_return + root_finish + kSummary + tables_objects + "E\n"},
      // Status 0 without any output: the summary has nothing to count, the notice says how.
      {"nothing printed", "", Exited(0), 0,
       "<line>  <exec>movarin_all.sh> </exec>Finish script</line>\n"
       "<line>  <exec></exec>Import finished:\\n</line>\n"
       "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: exit status "
       "0\\n</line>\n"
       "objects:\n"},
      // Killed without any object: the error belongs to the run.
      {"killed before the first object", "", Ended(ScriptEnd::Kind::kKilled, 9, "Killed"), 1,
       "<error id=\"0\">[ERR] movarin_all.sh> </exec>Import script movarin_all.sh ended with "
       "signal 9 (Killed)</error>\n"
       "<line>  <exec>movarin_all.sh> </exec>Finish script</line>\n"
       "<line>  <exec></exec>Import finished:\\n</line>\n"
       "<line>  <exec></exec>Import script movarin_all.sh stopped before its end: signal 9 "
       "(Killed)\\n</line>\n"
       "objects:\n"
       "run error: Import script movarin_all.sh ended with signal 9 (Killed)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StoppedRun run(c.log, c.end);
    EXPECT_EQ(run.script_end_errors, c.errors);
    EXPECT_EQ(run.Digest(), c.digest);
  }
}

// A finished import: status 0 adds nothing; any other status is an error of the run after the
// summary, which the objects do not see.
TEST(ScriptEndTest, FinishedImportWithExitStatus) {
  const std::string log =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt");
  StoppedRun clean(log, Exited(0));
  EXPECT_EQ(clean.script_end_errors, 0);
  EXPECT_EQ(clean.out.LogLines(), clean.page_before);

  StoppedRun failed(log, Exited(3));
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
