// What the program reads besides the script's output (rule files, a saved log or trace file,
// data.js, a response file) and where the report page goes, run on the built program.

#include <regex>

#include "ScenarioRun.h"

namespace Qva::test {
namespace {

const std::string kRun = "imp/run.sh";
// An object failed by sqlplus's error of four lines (the trace keeps it rewritten as one line),
// a clean one and one failed by a one-line error; ran.txt tells that the script started.
const std::string kFailedRun =
    kHeader +
    "echo ran > ran.txt\ncat <<'END'\n  CREATE TABLE EMP (ID NUMBER REFERENCES DEPTS(ID)),\n"
    "                                            *\nERROR at line 1:\nORA-00942: table or view "
    "does not exist\nEND\necho \"Importing Table DEPT to SCOTT\"\necho \"Table created.\"\n"
    "echo \"Importing Table BONUS to SCOTT\"\necho \"ORA-00904: invalid identifier\"\n";
// The same run is explained from its raw output and from its trace file.
const std::string kSaveRawOutput = "sh imp/run.sh > raw.log 2>&1;";
const std::string kSaveTrace = "\"$0\" -D=Oracle -BAT=imp/run.sh > /dev/null 2>&1;";
constexpr const char* kExplainedOutcomes =
    "Objects:\n  Table EMP: Failed\n  Table DEPT: Ok\n  Table BONUS: Failed\n";

const std::vector<Scenario>& Scenarios() {
  const std::map<std::string, std::string> run = {{kRun, kFailedRun}};
  const std::string user_rules = "config/migrationlauncher/rules.d";
  // clang-format off
  static const std::vector<Scenario> scenarios = {
    // Never read, never waited on: a FIFO nobody writes to, an endless device, a huge file.
    {"rules_fifo", {"-D=Oracle", "-BAT=" + kRun, "-RULES=rules.fifo"}, run, 2, {},
     "rules.fifo: not a regular file\n", {{"imp/ran.txt", kAbsent}}, "mkfifo rules.fifo;"},
    {"rules_device", {"-CHECK_RULES", "-RULES=/dev/zero"}, {}, 2,
     {"/dev/zero: 0 rules, 0 samples, FAILED: /dev/zero: not a regular file\n"}},
    {"rules_oversized_in_user_folder", {"-CHECK_RULES"}, {{user_rules + "/", ""}}, 2,
     {"rules.d/big.xml: larger than 16 MB\n"}, kAny, {},
     "truncate -s 17M " + user_rules + "/big.xml;"},
    {"explain_fifo", {"-D=Oracle", "-EXPLAIN=log.fifo"}, {}, 2, {},
     "log.fifo: not a regular file\n", {}, "mkfifo log.fifo;"},
    {"data_file_fifo", {"-D=Oracle", "-RPT", "-BAT=" + kRun}, run, 2,
     {"code -999, message cannot open file: imp/reports/data.js (not a regular file)\r\n"}, kAny,
     {{"imp/ran.txt", kAbsent}}, "mkdir -p imp/reports; mkfifo imp/reports/data.js;"},
    {"data_file_oversized", {"-D=Oracle", "-RPT", "-BAT=" + kRun}, run, 2,
     {"code -997, message cannot read from file: imp/reports/data.js (larger than 256 MB)\r\n"},
     kAny, {{"imp/ran.txt", kAbsent}},
     "mkdir -p imp/reports; truncate -s 300M imp/reports/data.js;"},
    // The report page reads the data.js beside it: with -CF it goes where data.js is updated.
    {"report_page_beside_data_file", {"-D=Oracle", "-RPT", "-BAT=" + kRun, "-CF=work"},
     {{kRun, kFailedRun}, {"work/reports/data.js", "{}"}}, 1, {}, kAny,
     {{"work/reports/data.js", "\"import_report\":true"},
      {"work/reports/ImportReport.html", "data\\.js"}, {"work/reports/css/stylesheet.css", ""},
      {"imp/reports/Import/import_log.html", "ORA-00942"}, {"imp/reports/css/stylesheet.css", ""},
      {"imp/reports/ImportReport.html", kAbsent}}},
    // 400,000 -ARG pieces are more than the kernel takes: one short line says so.
    {"argument_list_too_long", {"-RSP=big.rsp"}, run, 2,
     {"Critical: Migration launcher> code -994, message resource unavailable: the argument list "
      "is too long (400001 arguments, 2400016 bytes) to start "},
     kAny, {{"imp/ran.txt", kAbsent}, {"imp/movarin_imp.log", "^([^\n]{0,250}\n)*$"}},
     "{ echo -D=Oracle; echo -BAT=imp/run.sh; printf -- -ARG=; yes piece | head -n 400000 | "
     "paste -sd ';'; } > big.rsp;"},
    // A log without errors explains to exit code 0.
    {"explain_clean", {"-D=Oracle", "-EXPLAIN=clean.log"},
     {{"clean.log", "Importing database objects to Oracle\nImporting Table EMP to SCOTT\n"
                    "Table created.\n"}}, 0, {"Objects:\n  Table EMP: Ok\n"}, ""},
    // Last two: the same verdicts from the raw output and from the trace file.
    {"explain_raw_output", {"-D=Oracle", "-EXPLAIN=raw.log"}, run, 1, {}, kAny, {},
     kSaveRawOutput},
    {"explain_trace_file", {"-D=Oracle", "-EXPLAIN=imp/movarin_imp.log"}, run, 1,
     {": ORA-00904: invalid identifier\n    decided by rule 305 Oracle_error",
      ": Code: ORA-00942. Message: table or view does not exist. Line: 1.\n    error of the run "
      "(tagged in the trace)", "Table EMP: Failed; error at line 2 (tagged in the trace)\n"},
     kAny, {}, kSaveTrace},
  };
  // clang-format on
  return scenarios;
}

// The explanation's objects and their outcomes, without the lines that gave them.
std::string ExplainedOutcomes(const std::string& out) {
  const size_t at = out.find("Objects:\n");
  if (at == std::string::npos) return "no objects in:\n" + out;
  return std::regex_replace(out.substr(at), std::regex(";[^\n]*"), "");
}

TEST(LauncherInputs, EveryScenarioEndsAsExpected) {
  ASSERT_TRUE(fs::exists(kBinary)) << "build MigrationLauncher first";
  const std::vector<Outcome> runs = RunAndExpect(Scenarios());
  EXPECT_EQ(ExplainedOutcomes(runs[runs.size() - 2].out), kExplainedOutcomes);
  EXPECT_EQ(ExplainedOutcomes(runs.back().out), kExplainedOutcomes);
}

}  // namespace
}  // namespace Qva::test
