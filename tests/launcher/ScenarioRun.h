// Runs the built MigrationLauncher as a user would: one folder per scenario (HOME and
// XDG_CONFIG_HOME inside it) with small shell scripts, standard output and error captured.
#pragma once

#include <signal.h>

#include <boost/process.hpp>
#include <boost/process/extend.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace Qva::test {

namespace bp = boost::process;
namespace fs = std::filesystem;

constexpr const char* kBinary = ML_BINARY_DIR "/DADuduziradOrevurid/MigrationLauncher";
constexpr const char* kAbsent = "(absent)";
constexpr const char* kAny = "(any)";
constexpr std::chrono::minutes kDeadline(3);
// The script names its target system first: that line activates the system's rules.
const std::string kHeader =
    "#!/bin/sh\necho \"Importing database objects to Oracle\"\necho \"Importing Table EMP to "
    "SCOTT\"\n";

struct Scenario {
  std::string name;
  std::vector<std::string> arguments;
  std::map<std::string, std::string> files = {};  // "x/": a folder; text "#!...": executable
  int exit_code = 0;
  std::vector<std::string> out_has = {};  // "!text": not held; "\n{dir}": the folder
  std::string err = kAny;                 // standard error, exactly
  std::vector<std::pair<std::string, std::string>> after = {};  // file: regex, or kAbsent
  std::string shell_setup = "";  // run before the shell becomes the program
  int stop_signal = 0;           // sent once ready_file exists; the script's group must end
  std::string ready_file = "";
};

struct Outcome {
  int exit_code;  // -1000 when it had to be killed
  std::string out, err;
  double seconds;
};

// Whether a process that has not ended is left in the process group whose id `group_file`
// holds. Ended ones wait, as zombies, for whoever adopts them to reap them; they count as gone.
// /proc/PID/stat reads "pid (comm) state ppid pgrp ...".
inline bool GroupHasProcesses(const fs::path& group_file) {
  const std::string group = Qve::test::ReadFile(group_file);
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = Qve::test::ReadFile(entry.path() / "stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string state, parent, process_group;
    fields >> state >> parent >> process_group;
    if (process_group + "\n" == group && state != "Z") return true;
  }
  return false;
}

// Runs the program in `folder` through a shell that first runs the scenario's set-up, with the
// user's folders inside `folder` and the default handling of the stop signals, whatever this
// test runner ignores.
inline bp::child Launch(const Scenario& scenario, const fs::path& folder) {
  auto default_signals = bp::extend::on_exec_setup = [](auto&) {
    for (int stop : {SIGINT, SIGTERM, SIGHUP}) ::signal(stop, SIG_DFL);
  };
  std::vector<std::string> arguments = {"-c", scenario.shell_setup + " exec \"$0\" \"$@\"",
                                        kBinary};
  arguments.insert(arguments.end(), scenario.arguments.begin(), scenario.arguments.end());
  return bp::child(bp::exe = "/bin/sh", bp::args = arguments, bp::start_dir = folder.string(),
                   (bp::std_in < bp::null), (bp::std_out > (folder / "stdout.txt").string()),
                   (bp::std_err > (folder / "stderr.txt").string()), default_signals,
                   bp::env["XDG_CONFIG_HOME"] = (folder / "config").string(),
                   bp::env["HOME"] = (folder / "home").string());
}

// Starts all scenarios at once in their folders under `root`, then waits for each in turn (the
// first one's time is its own), sending a scenario's stop signal once its ready file exists.
inline std::vector<Outcome> RunAll(const std::vector<Scenario>& scenarios, const fs::path& root) {
  std::vector<bp::child> children;
  const auto start = std::chrono::steady_clock::now();
  for (const Scenario& scenario : scenarios) {
    fs::create_directories(root / scenario.name);
    for (const auto& [file, text] : scenario.files) {
      const fs::path path = root / scenario.name / file;
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary) << text;
      if (text.starts_with("#!"))
        fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
    }
    children.push_back(Launch(scenario, root / scenario.name));
  }
  std::vector<Outcome> outcomes;
  for (size_t i = 0; i < children.size(); ++i) {
    const Scenario& scenario = scenarios[i];
    bool stopped = scenario.stop_signal == 0;
    while (children[i].running() && std::chrono::steady_clock::now() < start + kDeadline) {
      if (!stopped && fs::exists(root / scenario.name / scenario.ready_file)) {
        stopped = ::kill(children[i].id(), scenario.stop_signal) == 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const bool ended = !children[i].running();
    if (!ended) children[i].terminate();
    outcomes.push_back(
        {ended ? children[i].exit_code() : -1000,
         Qve::test::ReadFile(root / scenario.name / "stdout.txt"),
         Qve::test::ReadFile(root / scenario.name / "stderr.txt"),
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()});
  }
  return outcomes;
}

// The outcome of `scenario`, run in `folder`, is what the scenario expects.
inline void ExpectOutcome(const Scenario& scenario, const Outcome& run, const fs::path& folder) {
  SCOPED_TRACE(scenario.name);
  EXPECT_EQ(run.exit_code, scenario.exit_code) << run.out;
  for (std::string text : scenario.out_has) {
    if (text.starts_with("\n{dir}")) text.replace(1, 5, folder.string());
    const bool absent = text[0] == '!';
    EXPECT_EQ(run.out.find(text.substr(absent)) == std::string::npos, absent) << text;
  }
  EXPECT_TRUE(scenario.err == kAny || run.err == scenario.err) << run.err;
  for (const auto& [file, pattern] : scenario.after) {
    ASSERT_EQ(fs::exists(folder / file), pattern != kAbsent) << file;
    if (pattern == kAbsent) continue;
    EXPECT_THAT(Qve::test::ReadFile(folder / file), ::testing::ContainsRegex(pattern));
  }
  if (scenario.stop_signal != 0) {
    EXPECT_FALSE(
        GroupHasProcesses(folder / fs::path(scenario.ready_file).parent_path() / "group.txt"));
  }
}

// Runs all scenarios at once in a fresh folder and checks each outcome; returns the outcomes.
inline std::vector<Outcome> RunAndExpect(const std::vector<Scenario>& scenarios) {
  const Qve::test::TempFolder root;
  const std::vector<Outcome> runs = RunAll(scenarios, root.File(""));
  for (size_t i = 0; i < runs.size(); ++i) {
    ExpectOutcome(scenarios[i], runs[i], root.File(scenarios[i].name));
  }
  return runs;
}

}  // namespace Qva::test
