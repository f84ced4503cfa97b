// The launcher's own paths and those of rule files of the user's own (-CHECK_RULES, a faulty
// rule that stops a run before its script starts, -EXPLAIN), run on the built program. Every
// run ends with a two-second wait, so all scenarios start together once for the suite; imports
// against real database servers are the end-to-end suite's (tests/e2e).

#include <regex>

#include "ScenarioRun.h"
#include "launcher/ProductInfo.h"

namespace Qva::test {
namespace {

constexpr const char* kSyntaxError = "ERROR: Couldn't process command line arguments\n";

const std::string kClean = kHeader + "echo \"Table created.\"\n";
const std::string kOracleError = kHeader + "echo \"ORA-00942: table or view does not exist\"\n";
// Records its arguments in args.txt of its working folder.
const std::string kRecord = "echo \"$*\" > args.txt\n";
// A user's rule that takes "FATAL: ..." lines, and one whose action is misspelt.
const std::string kFatalRule = R"(<AnalyzeRules id="9500" group="ORACLE">
  <AnalyzeRule id="1" name="OurFatal" type="REGEX" priority="HIGH" behavior="HARDSTOP">
    <Type>Error</Type>
    <Match>^FATAL: (.*)\n</Match>
    <Action>OutputResultErrorOracle</Action>
    <Sample>FATAL: lookup table missing</Sample>
    <Sample match="no">ORA-00942: table or view does not exist</Sample>
  </AnalyzeRule>
</AnalyzeRules>
)";
const std::string kBadRule = R"(<AnalyzeRules id="9100" group="ORACLE">
  <AnalyzeRule id="1" name="Typo" type="REGEX" priority="HIGH" behavior="HARDSTOP">
    <Match>^WARN (.*)\n</Match>
    <Action>OutputResultWarn</Action>
  </AnalyzeRule>
</AnalyzeRules>
)";
// /proc's mask of ignored signals with SIGPIPE (13) and SIGXFSZ (25) at their default.
const std::string kPipeDefault =
    "^SigIgn:\t[0-9a-f]{9}[02468ace][0-9a-f]{2}[02468ace][0-9a-f]{3}\n$";
const std::string kIgnoredSignals = "grep SigIgn /proc/$$/status > sigign.txt\n";
// Prints far more than a 20 kB file-size limit lets the trace file or HTML log hold. The lines fit
// in the pipe, so the script reaches its sleep at once: the sleep must outlast the slowest build's
// analysis (sanitizers, every scenario at once), or late.txt appears before the run ends it.
const std::string kLongImport =
    kOracleError +
    "i=0; while [ $i -lt 3000 ]; do echo \"Table created. $i\"; i=$((i+1)); done\n"
    "sleep 60\necho late > late.txt\n";
// Waits (up to 30 s) until `file` exists.
std::string AwaitFile(const std::string& file) {
  return "i=0; until [ -e " + file + " ] || [ $i -ge 300 ]; do sleep 0.1; i=$((i+1)); done;";
}
const std::string kAdvice =
    "Please re-run the conversion process and wait until it is completed and rerun the import. "
    "If the issue persists, kindly reach out to our support team at support@movarin.example for "
    "further assistance.";

const std::vector<Scenario>& Scenarios() {
  const std::string log = "imp/movarin_imp.log", run = "imp/run.sh";
  const std::string fatal = "config/migrationlauncher/rules.d/10-fatal.xml";
  const std::map<std::string, std::string> user_rules = {
      {fatal, kFatalRule},
      {"extra/bad.xml", kBadRule},
      {run, kHeader + "echo ran > ran.txt\necho \"FATAL: lookup table missing\"\n"},
      {"saved.log",
       "Importing database objects to Oracle\nImporting Table EMP to SCOTT\n"
       "FATAL: lookup table missing\nORA-00942: table or view does not exist\n"}};
  const std::string typo = "extra/bad.xml:2: rule 1 Typo: unknown action \"OutputResultWarn\"\n";
  // clang-format off
  static const std::vector<Scenario> scenarios = {
    // Name and version, the product text, the time stamp and, with no arguments, the usage.
    {"no_arguments", {}, {}, 1,
     {"MigrationLauncher 10.93 Build 8143 Revision 0 - " + std::string(kProductText) +
      "\nTimestamp: ", "\n\n\nUsage: MigrationLauncher /BAT=BatFile\n\n    /BAT   - command shell "
      "file name (default movarin_all.bat)\n\n    MigrationLauncher /BAT=movarin_all.bat\n\n"},
     kSyntaxError},
    // The script's folder exists (the analyzed log goes there), the script does not.
    {"missing_script", {"-D=Oracle", "-BAT=\"imp\\missing.sh\""}, {{"imp/", ""}}, 255,
     {"Critical: Migration launcher> Exception: Initialization>\n\nError: The import process was "
      "not initiated because the import script (imp/missing.sh file) is missed.\n\nSolution: " +
      kAdvice + "\r\n"}, kAny, {{"imp/movarin_imp.log", "missed"}}},
    // The child starts in the script's folder with "echo" and the ARG pieces.
    {"analyzed_clean", {"-D=Oracle", "-BAT=" + run, "-ARG=a;b"}, {{run, kClean + kRecord}}, 0, {},
     "", {{"imp/args.txt", "^echo a b\n$"}, {log, ""}, {"movarin_imp.log", kAbsent}}},
    {"report_beside_script", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kOracleError}, {"imp/reports/data.js", "const json = {}"}}, 1, {}, kAny,
     {{"imp/reports/Import/import_log.html", "^<HTML>\n.*ORA-00942"},
      {"imp/reports/data.js", "^const json =\\{.*\"import_report\":true"}}},
    // A bare script name reports into the current folder; the user's own stylesheet is kept.
    {"report_bare_script", {"-D=Oracle", "-RPT", "-BAT=run.sh"},
     {{"run.sh", kOracleError}, {"reports/data.js", "const json = {}"},
      {"reports/css/stylesheet.css", "mine"}}, 1, {}, kAny,
     {{"movarin_imp.log", ""}, {"reports/Import/import_log.html", "ORA-00942"},
      {"reports/ImportReport.html", "data\\.js"}, {"reports/css/stylesheet.css", "^mine$"}}},
    {"report_without_data", {"-D=Oracle", "-RPT", "-BAT=" + run}, {{run, kClean + kRecord}}, 2,
     {}, kAny, {{"imp/args.txt", kAbsent}}},
    {"event_port_text", {"-EVENTPORT=abc"}, {}, 255,
     {"\nCritical: Migration launcher> Exception: invalid stoul argument\r\n"}},
    {"undeclared_option", {"-D=Oracle", "/UNKNOWN=1"}, {}, 255, {"Allowed options:"}, ""},
    // Found by the fuzzer: a token holding "%canonical_option%" made the library's error endless.
    {"placeholder_argument", {"-=x%canonical_option%"}, {}, 255, {"Allowed options:"}},
    // A response file replaces the whole command line; the help wins over it; its parse errors
    // (response_file_placeholder) show the help too.
    {"response_file", {"-D=MySQL", "-BAT=elsewhere.sh", "-RSP=\"run.rsp\""},
     {{"run.rsp", "-D=Oracle\r\n\r\n-BAT=imp/run.sh\r\n-LOG=a.log\n"}, {run, kClean + kRecord}},
     0, {"Open RSP file: run.rsp\nOK\n\n",
         "\nrsp_conmand line :-D=Oracle\r\n\r\n-BAT=imp/run.sh\r\n-LOG=a.log\n \n"},
     "Warning: \"-D=MySQL\" is ignored: the response file replaces the command line\n"
     "Warning: \"-BAT=elsewhere.sh\" is ignored: the response file replaces the command line\n",
     {{"imp/args.txt", "^echo all\n$"}, {"imp/a.log", "Table created"}}},
    // The start-up settings are not applied: no trace file is named (created).
    {"response_file_missing", {"-RSP=nothere.rsp"}, {}, 1,
     {"Open RSP file: nothere.rsp\nFAILED\n", "Usage:"}, kAny, {{"movarin_imp.log", kAbsent}}},
    {"response_file_after_help", {"-RSP=run.rsp", "-HELP"}, {{"run.rsp", "-D=Oracle\n"}}, 1,
     {"Allowed options:", "Usage: MigrationLauncher", "!Open RSP file"}, kSyntaxError},
    {"response_file_placeholder", {"-RSP=p.rsp"}, {{"p.rsp", "-=lD%canonical_option%\n"}}, 255,
     {"Allowed options:"}},
    // A script that is no program runs through the shell; its exit code is ignored.
    {"launch_mode", {"/BAT=launch.sh", "/ARG=a;;b", "-D=NA"},
     {{"launch.sh", kRecord + "echo \"line $*\"\necho to-error >&2\nexit 3\n"}}, 0,
     {"\n movarin_all.bat arguments: no_echo a b 2>&1\r\n", "line no_echo a b\r\n",
      "to-error\r\n", "Import process finished.\r\n"}, "", {{"args.txt", "^no_echo a b\n$"}}},
    {"launch_mode_missing", {"/BAT=nothere.sh"}, {}, 1, {},
     "The import process was not initiated because the import script (nothere.sh file) is "
     "missed.\n" + kAdvice + "\n"},
    {"launch_mode_folder", {"/BAT=folder.sh"}, {{"folder.sh/", ""}}, 0,
     {"\nUnhandled error: ", "Import process finished.\r\n"}},
    // Twenty-five lines in one write, a line written in two halves, a 1 MB line and a last line
    // that never gets its line feed.
    {"blocks", {"-D=Oracle", "-BAT=" + run},
     {{run, kHeader + "i=0; lines=''\n"
            "while [ $i -lt 25 ]; do lines=\"${lines}block line $i\n\"; i=$((i+1)); done\n"
            "printf \"$lines\"\nprintf 'first-half-'; sleep 0.3; printf 'second-half\\n'\n"
            "head -c 1048576 /dev/zero | tr '\\0' 'x'; echo\nprintf 'a NUL\\0 is dropped\\n'\n"
            "printf 'unterminated last line'\n"}}, 0, {}, kAny,
     {{log, "block line 0\r\n"}, {log, "block line 24\r\n"}, {log, "first-half-second-half\r\n"},
      {log, "x{200}"}, {log, "> a NUL is dropped\r\n"}, {log, "> unterminated last line\r\n"}}},
    // The kernel cannot start a script with Windows line ends; the user is told why.
    {"script_with_crlf", {"-D=Oracle", "-BAT=" + run}, {{run, "#!/bin/sh\r\necho hi\r\n"}}, 2,
     {"/imp/run.sh: the script has Windows line ends (CR LF): its first line asks for the "
      "interpreter \"/bin/sh\\r\", which does not exist; convert the script to Unix line ends "
      "(LF)\r\nCritical: Migration launcher> code -994, message resource unavailable: "
      "imp/run.sh echo all\r\n"}, kAny, {{log, "\\[ERR\\] QVEProcess> cannot start /.*CR LF"}}},
    {"silent_child", {"-D=Oracle", "-BAT=" + run}, {{run, "#!/bin/sh\n"}}, 0, {}, ""},
    // Only the help is shown, and the launcher runs; the trace file is not named.
    {"help_analyzed", {"-D=Oracle", "-BAT=" + run, "-HELP"}, {{run, kClean + kRecord}}, 0,
     {"Allowed options:"}, kAny, {{"imp/args.txt", "^echo all\n$"}}},
    // Argument 1 is the launch mode's own /BAT=; the command line ignores it for D.
    {"help_launch_mode", {"/BAT=launch.sh", "-HELP"},
     {{"launch.sh", "#!/bin/sh\necho launched\n"}}, 0, {"Allowed options:",
      " arguments: no_echo 2>&1\r\n", "launched\r\n", "Import process finished.\r\n"}},
    // Every write to /dev/full fails: the trace file can be named but never written.
    {"trace_unwritable_run", {"-D=Oracle", "-BAT=" + run, "-LOG=/dev/full"}, {{run, kOracleError}},
     2},
    {"trace_unwritable_missing", {"-D=Oracle", "-BAT=" + run, "-LOG=/dev/full"}, {{"imp/", ""}},
     255, {"Critical: Migration launcher> Exception: Initialization>"}},
    {"blank_in_script_path", {"-D=Oracle", "-BAT=my imp/run.sh"},
     {{"my imp/run.sh", kClean + kRecord}}, 0, {}, kAny, {{"my imp/args.txt", "^echo all\n$"}}},
    {"script_reads_input", {"-D=Oracle", "-BAT=" + run},
     {{run, kClean + "read answer\necho \"input ended\"\n"}}, 0, {}, kAny, {{log, "input ended"}}},
    // A background process holds the output pipe and ignores SIGINT: it is killed when its grace
    // time is over, and the run still ends in order.
    {"stopped_by_sigint", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kHeader + "sleep 300 &\necho $$ > group.txt\nprintf 'partial line without feed'\n"
            ": > ready\nsleep 300\n"}, {"imp/reports/data.js", "{}"}}, 130, {}, kAny,
     {{log, "run.sh> partial line without feed\r\n"},
      {"imp/reports/Import/import_log.html", "</center></font></div></body></HTML>$"},
      {"imp/reports/data.js", "\"import_report\":true"}}, "", SIGINT, "imp/ready"},
    {"stopped_by_sigterm_launch_mode", {"/BAT=launch.sh"},
     {{"launch.sh", "#!/bin/sh\necho $$ > group.txt\necho started\n: > ready\nsleep 300\n"}},
     143, {"started\r\n", "Import process finished.\r\n"}, kAny, {}, "", SIGTERM, "ready"},
    // The shell's line comes last and the platform rules make it the current object's error,
    // written once; the import, stopped before its end, is then finished with the summary and a
    // notice.
    {"script_killed", {"-D=Oracle", "-BAT=" + run},
     {{run, kClean + "echo \"last own line\"\nkill -KILL $$\n"}}, 1, {}, kAny,
     {{log, "run.sh> last own line\r\n[^\n]*\\[ERR\\] run.sh> Killed\r\n"
            "[^\n]*\\[ERR\\] run.sh> Import script run.sh ended with signal 9 \\(Killed\\)\r\n"},
      {log, "Import script run.sh stopped before its end: signal 9 \\(Killed\\)\r\n"
            "[^\n]*Action end> Finish child process"}}},
    // The error comes after a NUL byte and on a last line that never gets its line feed.
    {"error_after_nul_unterminated", {"-D=Oracle", "-BAT=" + run}, {{run, kHeader +
     "printf 'Table created.\\0\\nORA-00942: table or view does not exist'\n"}}, 1},
    // Every exit 2 says why, also before the trace is set up; ignored arguments are named.
    {"trace_file_uncreatable", {"-D=Oracle", "-BAT=" + run, "-LOG=no/such/folder/a.log"},
     {{run, kClean + kRecord}}, 2, {}, "Migration launcher> code -998, message cannot create "
     "file: no/such/folder/a.log\n", {{"imp/args.txt", kAbsent}}},
    {"ignored_args", {"-D=Oracle", "-BAT=" + run, "-RTP", "x", "--RPT", "-", "/", "-ECHOLOG=e"},
     {{run, kClean + kRecord}}, 0, {}, "Warning: \"-RTP\" is ignored: not an option of this "
     "program\nWarning: \"x\" is ignored: not an option of this program\nWarning: \"--RPT\" is "
     "ignored: not an option of this program\nWarning: \"-\" is ignored: not an option of this "
     "program\nWarning: \"/\" is ignored: not an option of this program\nWarning: \"-ECHOLOG\" "
     "is ignored: accepted, but nothing depends on it\n",
     {{"imp/args.txt", "^echo all\n$"}, {"imp/reports", kAbsent}}},
    // A device is never read as a response file: it could be endless.
    {"response_file_device", {"-RSP=/dev/zero"}, {}, 1,
     {"Open RSP file: /dev/zero\nFAILED\n"},
     "Error: response file is not a regular file: /dev/zero\n" + std::string(kSyntaxError)},
    // Links planted by another user: nothing is written through them, nothing is started.
    {"foreign_link_trace", {"-D=Oracle", "-BAT=" + run}, {{run, kClean + kRecord},
     {"victim.txt", "keep"}}, 2, {}, "Migration launcher> code -998, message cannot create "
     "file: imp/movarin_imp.log\n", {{"victim.txt", "^keep$"}, {"imp/args.txt", kAbsent}},
     "ln -s ../victim.txt imp/movarin_imp.log && chown -h 65534 imp/movarin_imp.log &&"},
    {"foreign_link_html_log", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kClean + kRecord}, {"imp/reports/Import/", ""}, {"imp/reports/data.js", "{}"},
      {"victim.txt", "keep"}}, 2,
     {"Critical: Migration launcher> code -998, message cannot create file: "
      "imp/reports/Import/import_log.html\r\n"}, kAny,
     {{"victim.txt", "^keep$"}, {"imp/args.txt", kAbsent}, {"imp/reports/data.js", "^\\{\\}$"}},
     "ln -s ../../../victim.txt imp/reports/Import/import_log.html && "
     "chown -h 65534 imp/reports/Import/import_log.html &&"},
    // Another holder of the report folder's lock: the run refuses before its script starts,
    // and before it would truncate the holder's trace file.
    {"report_folder_locked", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kClean + kRecord}, {"imp/reports/data.js", "{}"}, {"imp/movarin_imp.log", "held\n"}},
     2, {}, "Migration launcher> code -994, message resource unavailable: report folder "
     "imp/reports is in use by another run\n",
     {{"imp/args.txt", kAbsent}, {"imp/reports/data.js", "^\\{\\}$"},
      {"imp/movarin_imp.log", "^held\n$"}},
     "flock imp/reports sleep 4 & sleep 0.5;"},
    // Past a file-size limit (the trace and HTML log fit, the new data file does not) the save
    // fails like on a full disk, with the limit's signal at its default.
    {"save_fails_past_size_limit", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kOracleError},
      {"imp/reports/data.js", "const json = {\"a\":\"" + std::string(299'984, 'x') + "\"}\n"}}, 2,
     {"Critical: Migration launcher> code -996, message cannot write to file: "
      "imp/reports/data.js\r\n"}, kAny, {{"imp/reports/data.js", "^const json = \\{\"a\":\"x"}},
     "ulimit -f 200;"},
    // A console that goes away (its reader ends after one byte) ends nothing: the import runs to
    // its end, every file is written, and the script starts with SIGPIPE at its default.
    {"console_goes_away", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kOracleError + "sleep 1\necho \"Table created.\"\n" + kIgnoredSignals +
            "echo \"Import script run.sh finished\"\n"}, {"imp/reports/data.js", "{}"}}, 1, {},
     kAny, {{log, "> Finish script\r\n(.|\n)*Import finished:"}, {"imp/sigign.txt", kPipeDefault},
            {"imp/reports/Import/import_log.html", "</HTML>$"},
            {"imp/reports/data.js", "table or view does not exist.*\"import_report\":true"}},
     "mkfifo console && { head -c 1 console > /dev/null & } && exec > console;"},
    {"launch_mode_pipe_signal", {"/BAT=launch.sh", "-D=NA"},
     {{"launch.sh", "#!/bin/sh\n" + kIgnoredSignals}}, 0, {}, kAny,
     {{"sigign.txt", kPipeDefault}}},
    // A file-size limit reached while the import runs (the console goes to a reader that has no
    // limit): the script is ended as by a stop, what was analyzed is saved, exit 2 names the file.
    {"log_write_fails_past_size_limit", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kLongImport}, {"imp/reports/data.js", "{}"}}, 2, {}, kAny,
     {{"seen.txt", "Critical: Migration launcher> code -996, message cannot write to file: "
                   "imp/reports/Import/import_log.html\r\n"},
      {"imp/reports/data.js", "\"table or view does not exist\""}, {"imp/late.txt", kAbsent}},
     "mkfifo out && { cat out > seen.txt & } && ulimit -f 40 && exec > out;"},
    {"trace_write_fails_past_size_limit", {"-D=Oracle", "-BAT=" + run}, {{run, kLongImport}}, 2,
     {}, kAny, {{"seen.txt", "Critical: Migration launcher> code -996, message cannot write to "
                             "file: imp/movarin_imp.log\r\n"}, {"imp/late.txt", kAbsent}},
     "mkfifo out && { cat out > seen.txt & } && ulimit -f 40 && exec > out;"},
    // Two outputs naming one file (through "..", a link, or a file still to come) are refused
    // before anything is written or started.
    {"same_file_junit_data", {"-D=Oracle", "-RPT", "-BAT=" + run,
     "-JUNIT=imp/reports/../reports/data.js"}, {{run, kClean + kRecord},
     {"imp/reports/data.js", "{}"}}, 2, {}, "Migration launcher> code -994, message resource "
     "unavailable: -RPT (data.js) and -JUNIT name the same file: imp/reports/../reports/data.js\n",
     {{"imp/args.txt", kAbsent}, {"imp/reports/data.js", "^\\{\\}$"}}},
    {"same_file_log_link", {"-D=Oracle", "-RPT", "-BAT=" + run, "-LOG=./d.js"},
     {{run, kClean + kRecord}, {"imp/reports/data.js", "{}"}}, 2, {}, "Migration launcher> code "
     "-994, message resource unavailable: -LOG and -RPT (data.js) name the same file: "
     "imp/reports/data.js\n", {{"imp/args.txt", kAbsent}, {"imp/reports/data.js", "^\\{\\}$"}},
     "ln -s imp/reports/data.js d.js;"},
    {"same_file_junit_trace", {"-D=Oracle", "-BAT=" + run, "-JUNIT=imp/movarin_imp.log"},
     {{run, kClean + kRecord}}, 2, {}, "Migration launcher> code -994, message resource "
     "unavailable: -LOG and -JUNIT name the same file: imp/movarin_imp.log\n",
     {{"imp/args.txt", kAbsent}, {log, kAbsent}}},
    // Two runs at once on one script: the second takes neither the trace file nor the HTML log
    // the first writes, and the first's files stay whole.
    {"first_run", {"-D=Oracle", "-RPT", "-BAT=" + run},
     {{run, kClean + ": > started\ni=0; until grep -qs 'in use' ../../second_trace/stderr.txt && "
            "grep -qs 'in use' ../../second_log/stdout.txt || [ $i -ge 300 ]; do sleep 0.1; "
            "i=$((i+1)); done\necho \"Import script run.sh finished\"\n"},
      {"imp/reports/data.js", "{}"}}, 0, {}, kAny,
     {{log, "^[^\r\n]+Action begin> Start child process(.|\n)*> Table created\\.(.|\n)*"
            "> Finish script\r\n"},
      {"imp/reports/Import/import_log.html", "^<HTML>\n(.|\n)*Table created(.|\n)*</HTML>$"}}},
    {"second_trace", {"-D=Oracle", "-BAT=../first_run/" + run}, {}, 2, {},
     "Migration launcher> code -994, message resource unavailable: file "
     "../first_run/imp/movarin_imp.log is in use by another run\n", {},
     AwaitFile("../first_run/imp/started")},
    {"second_log", {"-D=Oracle", "-RPT", "-CF=cf", "-LOG=own.log", "-BAT=../first_run/" + run},
     {{"cf/reports/data.js", "{}"}}, 2,
     {"Critical: Migration launcher> code -994, message resource unavailable: file "
      "../first_run/imp/reports/Import/import_log.html is in use by another run\r\n"}, kAny,
     {{"cf/reports/data.js", "^\\{\\}$"}}, AwaitFile("../first_run/imp/started")},
    // -JUNIT: from the run's own records without -RPT; its folder checked before the script
    // starts; never written through another user's link.
    {"junit_without_report", {"-D=Oracle", "-BAT=" + run, "-JUNIT=j.xml"}, {{run, kOracleError}},
     1, {}, kAny, {{"j.xml", "<testcase name=\"[^\"]*EMP\" classname=\"Table\"[^>]*>\n +"
                             "<failure message=\"table or view does not exist\" type=\"Import\">table or "
                             "view does not exist</failure>"}}},
    {"junit_missing_folder", {"-D=Oracle", "-BAT=" + run, "-JUNIT=missing/j.xml"},
     {{run, kClean + kRecord}}, 2, {}, "Migration launcher> code -998, message cannot create "
     "file: missing/j.xml\n", {{"imp/args.txt", kAbsent}, {"missing", kAbsent}}},
    {"junit_foreign_link", {"-D=Oracle", "-BAT=" + run, "-JUNIT=j.xml"},
     {{run, kClean}, {"victim.txt", "keep"}}, 2,
     {"Critical: Migration launcher> code -999, message cannot open file: j.xml\r\n"}, kAny,
     {{"victim.txt", "^keep$"}}, "ln -s victim.txt j.xml && chown -h 65534 j.xml &&"},
    {"rules_check", {"-CHECK_RULES", "-RULES=extra"}, user_rules, 2,
     {"\n{dir}/" + fatal + ": 1 rules, 2 samples, OK\nextra/bad.xml: 0 rules, 0 samples, FAILED: " +
      typo}},
    {"rules_check_examples", {"-CHECK_RULES", "-RULES=" ML_SOURCE_DIR "/examples/rules"},
     user_rules, 0, {"/examples/rules/20-harmless-errors.xml: 1 rules, 2 samples, OK\n"}},
    // The fault is named and nothing was started or written.
    {"rules_fault_stops_run", {"-D=Oracle", "-BAT=" + run, "-RULES=extra/bad.xml"}, user_rules, 2,
     {}, typo, {{"imp/ran.txt", kAbsent}}},
    // The user's rule decides the FATAL line; the explanation writes no file.
    {"rules_explain", {"-D=Oracle", "-EXPLAIN=saved.log"}, user_rules, 1,
     {"2: FATAL: lookup table missing\n    matched rule 306 GetElemChunk4 (ORACLE, HIGH, "
      "NONSTOP); actions: ReturnChunk; object: Table EMP\n    decided by rule 9501 OurFatal "
      "(ORACLE, HIGH, HARDSTOP); actions: OutputResultErrorOracle; object: Table EMP\n3: "
      "ORA-00942: table or view does not exist\n    decided by rule 305 Oracle_error (ORACLE, "
      "HIGH, HARDSTOP); actions: OutputResultErrorOracle; object: Table EMP\nObjects:\n  Table "
      "EMP: Failed; error at line 2 (rule 9501 OurFatal (ORACLE, HIGH, HARDSTOP)), error at "
      "line 3 (rule 305 Oracle_error (ORACLE, HIGH, HARDSTOP))\n"}, kAny,
     {{"movarin_imp.log", kAbsent}}},
    // Last: ExpectEveryErrorLineExplained reads it.
    {"rules_explain_captured",
     {"-D=PostgreSQL", "-EXPLAIN=" ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt"},
     user_rules, 1},
  };
  // clang-format on
  return scenarios;
}

// Every psql error line of a real import's output is decided by an error rule of the
// PostgreSQL group, and every Failed object names the rules of its errors.
void ExpectEveryErrorLineExplained(const std::string& out) {
  auto count = [&](const std::string& pattern) {
    const std::regex regex(pattern);
    return std::distance(std::sregex_iterator(out.begin(), out.end(), regex), {});
  };
  const std::string error_line = "\n[0-9]+: [^\n]* ERROR:  [^\n]*\n";
  EXPECT_EQ(count(error_line), 7);
  EXPECT_EQ(
      count(error_line +
            "(    matched [^\n]*\n)*    decided by rule [0-9]+ [A-Za-z_]+ "
            "\\(POSTGRESQL, HIGH, HARDSTOP\\); actions: OutputResultErrorPostgresql; object: "),
      7);
  EXPECT_EQ(count("\n  [^\n]*: Failed[^\n]*"),
            count("\n  [^\n]*: Failed[^\n]*error at line [0-9]+ \\(rule [0-9]+ [^\n]*"));
}

TEST(LauncherEndToEnd, EveryScenarioEndsAsExpected) {
  ASSERT_TRUE(fs::exists(kBinary)) << "build MigrationLauncher first";
  const std::vector<Outcome> runs = RunAndExpect(Scenarios());
  EXPECT_GE(runs[0].seconds, 2.0);                 // every run ends with a two-second wait
  ExpectEveryErrorLineExplained(runs.back().out);  // rules_explain_captured
}

}  // namespace
}  // namespace Qva::test
