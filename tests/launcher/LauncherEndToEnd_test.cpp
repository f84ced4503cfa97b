// Runs the built MigrationLauncher as a user would: one folder per scenario with small shell
// scripts, standard output and error captured in files. Every run ends with a two-second wait,
// so all scenarios start together once for the suite and each test checks one outcome.

#include <signal.h>

#include <algorithm>
#include <boost/process.hpp>
#include <boost/process/extend.hpp>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "launcher/ProductInfo.h"

namespace Qva {
namespace {

namespace bp = boost::process;
namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kBinary = ML_BINARY_DIR "/DADuduziradOrevurid/MigrationLauncher";
constexpr const char* kSyntaxError = "ERROR: Couldn't process command line arguments\n";
// EVENTPORT=70000 keeps its low 16 bits.
constexpr int kTruncatedPort = 4464;

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteScript(const fs::path& path, const std::string& body) {
  WriteText(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

// Records its arguments in args.txt of its working folder, then prints `output`.
std::string RecordingScript(const std::string& output) {
  return "echo \"$*\" > args.txt\n" + output;
}

// The script names its target system first: that line activates the system's rules.
constexpr const char* kCleanOutput =
    "echo \"Importing database objects to Oracle\"\n"
    "echo \"Importing Table EMP to SCOTT\"\n"
    "echo \"Table created.\"\n";
constexpr const char* kOracleErrorOutput =
    "echo \"Importing database objects to Oracle\"\n"
    "echo \"Importing Table EMP to SCOTT\"\n"
    "echo \"ORA-00942: table or view does not exist\"\n";

// Twenty-five lines in one write, a line written in two halves, a 20 MB line and a last line
// that never gets its line feed.
constexpr const char* kBlockOutput =
    "i=0; lines=''\n"
    "while [ $i -lt 25 ]; do lines=\"${lines}block line $i\n\"; i=$((i+1)); done\n"
    "printf \"$lines\"\n"
    "printf 'first-half-'; sleep 0.3; printf 'second-half\\n'\n"
    "head -c 20971520 /dev/zero | tr '\\0' 'x'; echo\n"
    "printf 'unterminated last line'\n";

struct Scenario {
  std::vector<std::string> arguments;
  std::function<void(const fs::path& folder)> prepare;
  // Shell commands run before the program replaces the shell (limits, ignored signals).
  std::string shell_setup = "";
  // Sent to the program once `ready_file` (in the scenario folder) exists.
  int stop_signal = 0;
  std::string ready_file = "";
};

// A data file of 300,000 bytes, more than the 200 KiB a save may write in "save_fails".
const std::string kLargeDataFile = "const json = {\"a\":\"" + std::string(299'984, 'x') + "\"}\n";

// Starts a background process that holds the output pipe and, as a background job of a script,
// ignores SIGINT; records the script's process group; says it is ready; then waits.
constexpr const char* kStoppableOutput =
    "echo \"Importing database objects to Oracle\"\n"
    "echo \"Importing Table EMP to SCOTT\"\n"
    "sleep 300 &\n"
    "echo $$ > group.txt\n"
    "printf 'partial line without feed'\n"
    ": > ready\n"
    "sleep 300\n"
    "echo never reached\n";

struct Outcome {
  int exit_code = -1000;
  std::string out;
  std::string err;
  double seconds = 0;
  fs::path folder;
};

std::map<std::string, Scenario> Scenarios() {
  std::map<std::string, Scenario> scenarios;
  auto script = [](const std::string& name, const std::string& body) {
    return [=](const fs::path& folder) { WriteScript(folder / name, body); };
  };
  scenarios["no_arguments"] = {{}, nullptr};
  scenarios["help"] = {{"-HELP"}, nullptr};
  // The script's folder exists (the analyzed log goes there), the script does not.
  scenarios["missing_script"] = {
      {"-D=Oracle", "-BAT=\"imp\\missing.sh\""},
      [](const fs::path& folder) { fs::create_directory(folder / "imp"); }};
  scenarios["oracle_error"] = {{"-D=Oracle", "-BAT=imp/run.sh"},
                               script("imp/run.sh", RecordingScript(kOracleErrorOutput))};
  scenarios["oracle_clean"] = {{"-D=Oracle", "-BAT=imp/run.sh", "-ARG=a;b"},
                               script("imp/run.sh", RecordingScript(kCleanOutput))};
  scenarios["report"] = {{"-D=Oracle", "-RPT", "-BAT=imp/run.sh"}, [](const fs::path& folder) {
                           WriteScript(folder / "imp/run.sh", kOracleErrorOutput);
                           WriteText(folder / "imp/reports/data.js",
                                     "const json = {\"general_information\":{\"import_report\":"
                                     "false,\"use_import_log_analyzer\":false},\"objects\":[],"
                                     "\"error_table\":[]}");
                         }};
  // A bare script name from the script's own folder; a stylesheet of the user's own is kept.
  scenarios["report_bare_script"] = {{"-D=Oracle", "-RPT", "-BAT=run.sh"},
                                     [](const fs::path& folder) {
                                       WriteScript(folder / "run.sh", kOracleErrorOutput);
                                       WriteText(folder / "reports/data.js", "const json = {}");
                                       WriteText(folder / "reports/css/stylesheet.css", "mine");
                                     }};
  scenarios["report_without_data"] = {{"-D=Oracle", "-RPT", "-BAT=imp/run.sh"},
                                      script("imp/run.sh", RecordingScript(kCleanOutput))};
  scenarios["event_port_text"] = {{"-EVENTPORT=abc"}, nullptr};
  scenarios["event_port_truncated"] = {{"-D=Oracle", "-BAT=imp/run.sh", "-EVENTPORT=70000"},
                                       script("imp/run.sh", kCleanOutput)};
  scenarios["undeclared_option"] = {{"-D=Oracle", "/UNKNOWN=1"}, nullptr};
  scenarios["response_file"] = {
      {"-D=MySQL", "-BAT=elsewhere.sh", "-RSP=\"run.rsp\""}, [](const fs::path& folder) {
        WriteText(folder / "run.rsp", "-D=Oracle\r\n\r\n-BAT=imp/run.sh\r\n");
        WriteScript(folder / "imp/run.sh", RecordingScript(kCleanOutput));
      }};
  scenarios["response_file_missing"] = {{"-RSP=nothere.rsp"}, nullptr};
  scenarios["lower_case_target"] = {{"/BAT=imp/run.sh", "-D=oracle"},
                                    script("imp/run.sh", RecordingScript(kOracleErrorOutput))};
  scenarios["launch_mode"] = {
      {"/BAT=launch.sh", "/ARG=a;;b", "-D=NA"},
      script("launch.sh", RecordingScript("echo \"line $*\"\necho to-error >&2\nexit 3\n"))};
  scenarios["launch_mode_missing"] = {{"/BAT=nothere.sh"}, nullptr};
  scenarios["blocks"] = {{"-D=Oracle", "-BAT=imp/blocks.sh"},
                         script("imp/blocks.sh", kBlockOutput)};
  scenarios["silent_child"] = {{"-D=Oracle", "-BAT=imp/silent.sh"},
                               script("imp/silent.sh", "exit 0\n")};
  scenarios["help_analyzed"] = {{"-D=Oracle", "-BAT=imp/run.sh", "-HELP"},
                                script("imp/run.sh", RecordingScript(kCleanOutput))};
  scenarios["help_launch_mode"] = {{"/BAT=launch.sh", "-HELP"},
                                   script("launch.sh", RecordingScript("echo launched\n"))};
  scenarios["lower_case_bat"] = {{"/bat=launch.sh"},
                                 script("launch.sh", RecordingScript("echo launched\n"))};
  // Every write to /dev/full fails: the trace file can be named but never written.
  scenarios["trace_unwritable_run"] = {{"-D=Oracle", "-BAT=imp/run.sh", "-LOG=/dev/full"},
                                       script("imp/run.sh", kOracleErrorOutput)};
  scenarios["trace_unwritable_missing"] = {
      {"-D=Oracle", "-BAT=imp/missing.sh", "-LOG=/dev/full"},
      [](const fs::path& folder) { fs::create_directory(folder / "imp"); }};
  scenarios["blank_in_script_path"] = {{"-D=Oracle", "-BAT=my imp/run.sh"},
                                       script("my imp/run.sh", RecordingScript(kCleanOutput))};
  scenarios["script_reads_input"] = {
      {"-D=Oracle", "-BAT=imp/read.sh"},
      script("imp/read.sh", std::string(kCleanOutput) + "read answer\necho \"input ended\"\n")};
  // A file-size limit lets the trace and the HTML log be written but not the new data file.
  scenarios["save_fails"] = {{"-D=Oracle", "-RPT", "-BAT=imp/run.sh"},
                             [](const fs::path& folder) {
                               WriteScript(folder / "imp/run.sh", kOracleErrorOutput);
                               WriteText(folder / "imp/reports/data.js", kLargeDataFile);
                             },
                             "trap '' XFSZ; ulimit -f 200;"};
  scenarios["stopped_by_sigint"] = {{"-D=Oracle", "-RPT", "-BAT=imp/run.sh"},
                                    [](const fs::path& folder) {
                                      WriteScript(folder / "imp/run.sh", kStoppableOutput);
                                      WriteText(folder / "imp/reports/data.js", "{}");
                                    },
                                    "",
                                    SIGINT,
                                    "imp/ready"};
  scenarios["stopped_by_sigterm_launch_mode"] = {
      {"/BAT=launch.sh"},
      script("launch.sh", "echo $$ > group.txt\necho started\n: > ready\nsleep 300\necho never\n"),
      "",
      SIGTERM,
      "ready"};
  scenarios["script_killed"] = {
      {"-D=Oracle", "-BAT=imp/run.sh"},
      script("imp/run.sh", std::string(kCleanOutput) + "echo \"last own line\"\nkill -KILL $$\n")};
  scenarios["error_after_nul"] = {
      {"-D=Oracle", "-BAT=imp/run.sh"},
      script("imp/run.sh",
             "printf 'Importing database objects to Oracle\\nImporting Table EMP to SCOTT\\n"
             "Table created.\\0\\nORA-00942: table or view does not exist\\n'\n")};
  scenarios["unterminated_error"] = {
      {"-D=Oracle", "-BAT=imp/run.sh"},
      script(
          "imp/run.sh",
          "echo \"Importing database objects to Oracle\"\necho \"Importing Table EMP to SCOTT\"\n"
          "printf 'ORA-00942: table or view does not exist'\n")};
  return scenarios;
}

class LauncherEndToEnd : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!fs::exists(kBinary)) {
      setup_error_ = std::string("build the MigrationLauncher target first: ") + kBinary;
      return;
    }
    folder_ = new Qve::test::TempFolder();
    subscriber_context_ = new zmq::context_t(1);
    subscriber_ = new zmq::socket_t(*subscriber_context_, zmq::socket_type::sub);
    subscriber_->set(zmq::sockopt::subscribe, "");
    subscriber_->connect("tcp://127.0.0.1:" + std::to_string(kTruncatedPort));
    RunAll();
  }

  static void TearDownTestSuite() {
    delete subscriber_;
    delete subscriber_context_;
    delete folder_;
  }

  void SetUp() override { ASSERT_EQ(setup_error_, ""); }

  static const Outcome& Result(const std::string& name) { return outcomes_.at(name); }

  // Texts the subscriber has received, waiting up to `timeout` for the first.
  static std::vector<std::string> ReceivedEvents(std::chrono::milliseconds timeout) {
    std::vector<std::string> texts;
    subscriber_->set(zmq::sockopt::rcvtimeo, static_cast<int>(timeout.count()));
    for (;;) {
      std::vector<zmq::message_t> frames;
      if (!zmq::recv_multipart(*subscriber_, std::back_inserter(frames))) break;
      std::string text;
      for (const zmq::message_t& frame : frames) text += frame.to_string();
      texts.push_back(text);
      subscriber_->set(zmq::sockopt::rcvtimeo, 200);
    }
    return texts;
  }

 private:
  struct Running {
    std::string name;
    fs::path folder;
    std::chrono::steady_clock::time_point start;
    std::unique_ptr<bp::child> child;
    int stop_signal = 0;
    fs::path ready_file;
  };

  // The program as given, or started by a shell that first runs `setup`. Either way with the
  // default handling of the stop signals, whatever this test runner ignores.
  static std::unique_ptr<bp::child> Launch(const Scenario& scenario, const fs::path& folder) {
    auto default_signals = bp::extend::on_exec_setup = [](auto&) {
      for (int stop : {SIGINT, SIGTERM, SIGHUP}) ::signal(stop, SIG_DFL);
    };
    std::vector<std::string> arguments = scenario.arguments;
    std::string program = kBinary;
    if (!scenario.shell_setup.empty()) {
      arguments.insert(arguments.begin(),
                       {"-c", scenario.shell_setup + " exec \"$0\" \"$@\"", kBinary});
      program = "/bin/sh";
    }
    return std::make_unique<bp::child>(
        bp::exe = program, bp::args = arguments, bp::start_dir = folder.string(),
        (bp::std_in < bp::null), (bp::std_out > (folder / "stdout.txt").string()),
        (bp::std_err > (folder / "stderr.txt").string()), default_signals);
  }

  static void RunAll() {
    std::vector<Running> runs;
    for (const auto& [name, scenario] : Scenarios()) {
      fs::path folder = fs::path(folder_->File(name));
      fs::create_directories(folder);
      if (scenario.prepare) scenario.prepare(folder);
      Running run{name,
                  folder,
                  std::chrono::steady_clock::now(),
                  Launch(scenario, folder),
                  scenario.stop_signal,
                  folder / scenario.ready_file};
      runs.push_back(std::move(run));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!runs.empty()) {
      for (auto it = runs.begin(); it != runs.end();) {
        if (it->stop_signal != 0 && fs::exists(it->ready_file) && it->child->running()) {
          ::kill(it->child->id(), it->stop_signal);
          it->stop_signal = 0;
        }
        if (it->child->running() && std::chrono::steady_clock::now() < deadline) {
          ++it;
          continue;
        }
        Outcome& outcome = outcomes_[it->name];
        if (it->child->running()) {
          it->child->terminate();
        } else {
          outcome.exit_code = it->child->exit_code();
        }
        outcome.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - it->start).count();
        outcome.folder = it->folder;
        outcome.out = ReadText(it->folder / "stdout.txt");
        outcome.err = ReadText(it->folder / "stderr.txt");
        it = runs.erase(it);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  static inline std::string setup_error_;
  static inline Qve::test::TempFolder* folder_ = nullptr;
  static inline zmq::context_t* subscriber_context_ = nullptr;
  static inline zmq::socket_t* subscriber_ = nullptr;
  static inline std::map<std::string, Outcome> outcomes_;
};

// Name and version, the two lines of the product text, then the ctime rendering.
std::string Banner() {
  return std::string("MigrationLauncher 10.93 Build 8143 Revision 0 - ") + kProductText +
         "\nTimestamp: ";
}

std::string MissingScriptAdvice() {
  return "Please re-run the conversion process and wait until it is completed and rerun the "
         "import. If the issue persists, kindly reach out to our support team at "
         "support@movarin.example for further assistance.";
}

TEST_F(LauncherEndToEnd, NoArgumentsShowsBannerAndLaunchModeUsage) {
  const Outcome& run = Result("no_arguments");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.out, StartsWith(Banner()));
  EXPECT_EQ(std::count(kProductText, kProductText + std::strlen(kProductText), '\n'), 2);
  // The time stamp brings its own line feed; the usage text starts with two more.
  EXPECT_THAT(run.out, ContainsRegex("\nTimestamp: [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                                     "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n\n\nUsage: "
                                     "MigrationLauncher /BAT=BatFile\n"));
  EXPECT_EQ(run.err, kSyntaxError);
  EXPECT_GE(run.seconds, 2.0);
}

TEST_F(LauncherEndToEnd, HelpThenALauncherStillRuns) {
  const Outcome& run = Result("help");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.out, StartsWith(Banner()));
  size_t help = run.out.find("Allowed options:");
  ASSERT_NE(help, std::string::npos);
  EXPECT_NE(run.out.find("Usage: MigrationLauncher", help), std::string::npos);
  EXPECT_EQ(run.err, kSyntaxError);
}

TEST_F(LauncherEndToEnd, MissingScriptOfAnalyzedRunEndsWithMinusOne) {
  const Outcome& run = Result("missing_script");
  EXPECT_EQ(run.exit_code, 255);
  EXPECT_THAT(run.out,
              HasSubstr("Critical: Migration launcher> Exception: Initialization>\n\n"
                        "Error: The import process was not initiated because the import script "
                        "(imp/missing.sh file) is missed.\n\nSolution: " +
                        MissingScriptAdvice() + "\r\n"));
  EXPECT_GE(run.seconds, 2.0);
}

TEST_F(LauncherEndToEnd, AnalyzedRunExitCodeFollowsTheErrors) {
  const Outcome& failed = Result("oracle_error");
  EXPECT_EQ(failed.exit_code, 1) << failed.out;
  const Outcome& clean = Result("oracle_clean");
  EXPECT_EQ(clean.exit_code, 0) << clean.out;
  // The child starts in the script's folder with "echo" and the ARG pieces.
  EXPECT_EQ(ReadText(clean.folder / "imp/args.txt"), "echo a b\n");
  EXPECT_TRUE(fs::exists(clean.folder / "imp/movarin_imp.log"));
  EXPECT_FALSE(fs::exists(clean.folder / "movarin_imp.log"));
}

TEST_F(LauncherEndToEnd, ReportsLandBesideTheScript) {
  const Outcome& run = Result("report");
  EXPECT_EQ(run.exit_code, 1) << run.out;
  std::string html = ReadText(run.folder / "imp/reports/Import/import_log.html");
  EXPECT_THAT(html, StartsWith("<HTML>\n"));
  EXPECT_THAT(html, HasSubstr("ORA-00942"));
  std::string data = ReadText(run.folder / "imp/reports/data.js");
  EXPECT_THAT(data, StartsWith("const json ={"));
  EXPECT_THAT(data, HasSubstr("\"import_report\":true"));
  EXPECT_THAT(data, HasSubstr("\"use_import_log_analyzer\":true"));
}

TEST_F(LauncherEndToEnd, BareScriptNameReportsIntoTheCurrentFolder) {
  const Outcome& run = Result("report_bare_script");
  EXPECT_EQ(run.exit_code, 1) << run.out;
  EXPECT_TRUE(fs::exists(run.folder / "movarin_imp.log"));
  EXPECT_THAT(ReadText(run.folder / "reports/Import/import_log.html"), HasSubstr("ORA-00942"));
  EXPECT_THAT(ReadText(run.folder / "reports/ImportReport.html"), HasSubstr("data.js"));
  EXPECT_EQ(ReadText(run.folder / "reports/css/stylesheet.css"), "mine");
}

TEST_F(LauncherEndToEnd, ReportWithoutDataFileEndsWithTwoBeforeTheChild) {
  const Outcome& run = Result("report_without_data");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_FALSE(fs::exists(run.folder / "imp/args.txt"));
}

TEST_F(LauncherEndToEnd, EventPortThatIsNoNumber) {
  const Outcome& run = Result("event_port_text");
  EXPECT_EQ(run.exit_code, 255);
  EXPECT_THAT(run.out,
              HasSubstr("\nCritical: Migration launcher> Exception: invalid stoul argument\r\n"));
}

TEST_F(LauncherEndToEnd, EventPortIsTruncatedToSixteenBits) {
  const Outcome& run = Result("event_port_truncated");
  EXPECT_EQ(run.exit_code, 0) << run.out;
  std::vector<std::string> events = ReceivedEvents(std::chrono::seconds(5));
  ASSERT_FALSE(events.empty());
  EXPECT_THAT(events.back(), StartsWith("{\"type\":\"import_report\""));
}

TEST_F(LauncherEndToEnd, UndeclaredOptionShowsHelpAndNoLauncherRuns) {
  const Outcome& run = Result("undeclared_option");
  EXPECT_EQ(run.exit_code, 255);
  EXPECT_THAT(run.out, HasSubstr("Allowed options:"));
  EXPECT_THAT(run.out, Not(HasSubstr("Usage:")));
  EXPECT_EQ(run.err, "");
}

TEST_F(LauncherEndToEnd, ResponseFileReplacesTheCommandLine) {
  const Outcome& run = Result("response_file");
  EXPECT_THAT(run.out, HasSubstr("Open RSP file: run.rsp\nOK\n\n"));
  EXPECT_THAT(run.out, HasSubstr("\nrsp_conmand line :-D=Oracle\r\n\r\n-BAT=imp/run.sh\r\n \n"));
  EXPECT_EQ(run.exit_code, 0) << run.out;
  // The analyzed run for Oracle started the response file's script.
  EXPECT_EQ(ReadText(run.folder / "imp/args.txt"), "echo all\n");
}

TEST_F(LauncherEndToEnd, MissingResponseFileKeepsTheCommandLine) {
  const Outcome& run = Result("response_file_missing");
  EXPECT_THAT(run.out, HasSubstr("Open RSP file: nothere.rsp\nFAILED\n"));
  EXPECT_THAT(run.out, HasSubstr("Usage:"));  // D stays NA: the launch mode
  EXPECT_EQ(run.exit_code, 1);
}

TEST_F(LauncherEndToEnd, TargetNamesAreCaseSensitive) {
  const Outcome& run = Result("lower_case_target");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ReadText(run.folder / "args.txt"), "no_echo\n");
  EXPECT_THAT(run.out, HasSubstr("ORA-00942: table or view does not exist\r\n"));
}

TEST_F(LauncherEndToEnd, LaunchModeEchoesAndIgnoresTheScriptsExitCode) {
  const Outcome& run = Result("launch_mode");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ReadText(run.folder / "args.txt"), "no_echo a b\n");
  EXPECT_THAT(run.out, HasSubstr("\n movarin_all.bat arguments: no_echo a b 2>&1\r\n"));
  EXPECT_THAT(run.out, HasSubstr("line no_echo a b\r\n"));
  EXPECT_THAT(run.out, HasSubstr("to-error\r\n"));
  EXPECT_THAT(run.out, EndsWith("Import process finished.\r\n"));
  EXPECT_EQ(run.err, "");
}

TEST_F(LauncherEndToEnd, LaunchModeMissingScript) {
  const Outcome& run = Result("launch_mode_missing");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err,
            "The import process was not initiated because the import script (nothere.sh file) "
            "is missed.\n" +
                MissingScriptAdvice() + "\n");
}

TEST_F(LauncherEndToEnd, OutputArrivesAsWholeLinesOnly) {
  const Outcome& run = Result("blocks");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::string trace = ReadText(run.folder / "imp/movarin_imp.log");
  EXPECT_THAT(trace, HasSubstr("block line 0"));
  EXPECT_THAT(trace, HasSubstr("block line 24"));
  EXPECT_THAT(trace, HasSubstr("first-half-second-half"));
  EXPECT_THAT(trace, HasSubstr(std::string(1000, 'x')));
  // A last line without a line feed is analyzed all the same.
  EXPECT_TRUE(trace.find("blocks.sh> unterminated last line\r\n") != std::string::npos);
}

TEST_F(LauncherEndToEnd, ChildPrintingNothing) {
  const Outcome& run = Result("silent_child");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
}

TEST_F(LauncherEndToEnd, HelpWithATargetStillRunsItsLauncher) {
  // Only the help is shown; the trace file is not named, and the run must not trip over that.
  const Outcome& analyzed = Result("help_analyzed");
  EXPECT_THAT(analyzed.out, HasSubstr("Allowed options:"));
  EXPECT_EQ(ReadText(analyzed.folder / "imp/args.txt"), "echo all\n");
  EXPECT_EQ(analyzed.exit_code, 0) << analyzed.out;

  // Argument 1 is the launch mode's own /BAT=; the command line ignores it for D.
  const Outcome& launch = Result("help_launch_mode");
  EXPECT_THAT(launch.out, HasSubstr("Allowed options:"));
  EXPECT_THAT(launch.out, HasSubstr("launched\r\n"));
  EXPECT_THAT(launch.out, EndsWith("Import process finished.\r\n"));
  EXPECT_EQ(launch.exit_code, 0) << launch.out;
}

TEST_F(LauncherEndToEnd, OptionNamesOfTheCommandLineAreCaseSensitive) {
  const Outcome& run = Result("lower_case_bat");
  EXPECT_EQ(run.exit_code, 255);
  EXPECT_THAT(run.out, HasSubstr("Allowed options:"));
  EXPECT_THAT(run.out, Not(HasSubstr("launched")));
  EXPECT_FALSE(fs::exists(run.folder / "args.txt"));
}

TEST_F(LauncherEndToEnd, AnUnwritableTraceFileKeepsTheExitCodes) {
  const Outcome& run = Result("trace_unwritable_run");
  EXPECT_EQ(run.exit_code, 2) << run.out;
  const Outcome& missing = Result("trace_unwritable_missing");
  EXPECT_EQ(missing.exit_code, 255) << missing.out;
  EXPECT_THAT(missing.out, HasSubstr("Critical: Migration launcher> Exception: Initialization>"));
}

TEST_F(LauncherEndToEnd, ScriptPathWithABlank) {
  const Outcome& run = Result("blank_in_script_path");
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(ReadText(run.folder / "my imp/args.txt"), "echo all\n");
}

TEST_F(LauncherEndToEnd, AScriptReadingItsInputGetsTheEnd) {
  const Outcome& run = Result("script_reads_input");
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_LT(run.seconds, 60.0);
  EXPECT_THAT(ReadText(run.folder / "imp/movarin_imp.log"), HasSubstr("input ended"));
}

// Whether a process that has not ended is left in the process group whose id `group_file`
// holds. Ended ones wait, as zombies, for whoever adopts them to reap them; they count as gone.
bool GroupHasProcesses(const fs::path& group_file) {
  const std::string group = ReadText(group_file);
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::string stat = ReadText(entry.path() / "stat");  // pid (comm) state ppid pgrp ...
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string state, parent, process_group;
    fields >> state >> parent >> process_group;
    if (process_group + "\n" == group && state != "Z") return true;
  }
  return false;
}

TEST_F(LauncherEndToEnd, AFailedSaveLeavesTheDataFileAsItWas) {
  const Outcome& run = Result("save_fails");
  EXPECT_EQ(run.exit_code, 2) << run.out;
  EXPECT_THAT(run.out, HasSubstr("Critical: Migration launcher> code -996, message cannot write "
                                 "to file: imp/reports/data.js\r\n"));
  EXPECT_TRUE(ReadText(run.folder / "imp/reports/data.js") == kLargeDataFile);
  for (const auto& entry : fs::directory_iterator(run.folder / "imp/reports")) {
    EXPECT_THAT(entry.path().filename().string(), Not(StartsWith(".data.js")));
  }
}

TEST_F(LauncherEndToEnd, CtrlCStopsTheWholeImportAndTheRunEndsInOrder) {
  const Outcome& run = Result("stopped_by_sigint");
  EXPECT_EQ(run.exit_code, 130) << run.out;
  // The background process ignored SIGINT: it was killed when its grace time was over.
  EXPECT_FALSE(GroupHasProcesses(run.folder / "imp/group.txt"));
  EXPECT_LT(run.seconds, 60.0);
  std::string trace = ReadText(run.folder / "imp/movarin_imp.log");
  EXPECT_THAT(trace, HasSubstr("run.sh> partial line without feed\r\n"));
  EXPECT_THAT(trace, Not(HasSubstr("never reached")));
  EXPECT_THAT(ReadText(run.folder / "imp/reports/Import/import_log.html"),
              EndsWith("</center></font></div></body></HTML>"));
  EXPECT_THAT(ReadText(run.folder / "imp/reports/data.js"), HasSubstr("\"import_report\":true"));
}

TEST_F(LauncherEndToEnd, SigtermStopsTheLaunchModeToo) {
  const Outcome& run = Result("stopped_by_sigterm_launch_mode");
  EXPECT_EQ(run.exit_code, 143) << run.out;
  EXPECT_FALSE(GroupHasProcesses(run.folder / "group.txt"));
  EXPECT_THAT(run.out, HasSubstr("started\r\n"));
  EXPECT_THAT(run.out, Not(HasSubstr("never")));
  EXPECT_THAT(run.out, EndsWith("Import process finished.\r\n"));
}

TEST_F(LauncherEndToEnd, AScriptEndedByASignalFailsItsObjectAsUnderAShell) {
  // The shell's line comes last and the platform rules make it the current object's error.
  const Outcome& run = Result("script_killed");
  EXPECT_EQ(run.exit_code, 1) << run.out;
  std::string trace = ReadText(run.folder / "imp/movarin_imp.log");
  EXPECT_THAT(trace,
              ContainsRegex("run.sh> last own line\r\n[^\n]*\\[ERR\\] run.sh> Killed\r\n"
                            "[^\n]*run.sh> Killed\r\n[^\n]*Action end> Finish child process"));
}

TEST_F(LauncherEndToEnd, TextAfterANulAndAnUnterminatedLastLineAreAnalyzed) {
  for (const char* name : {"error_after_nul", "unterminated_error"}) {
    const Outcome& run = Result(name);
    EXPECT_EQ(run.exit_code, 1) << name << "\n" << run.out;
  }
}

}  // namespace
}  // namespace Qva
