// Runs the built MigrationLauncher as a user would: one folder per scenario (HOME and
// XDG_CONFIG_HOME inside it) with small shell scripts, standard output and error captured.
#pragma once

#include <signal.h>

#include <algorithm>
#include <boost/process.hpp>
#include <boost/process/extend.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
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

struct Scenario {
  std::string name;
  std::vector<std::string> arguments;
  fs::path inputs;                                      // the files the run starts with
  std::vector<std::pair<std::string, fs::path>> files;  // place in the run: a shared file
  int exit_code = 0;
  std::vector<std::string> out_has;  // "!text": not held; "\n{dir}": the folder
  std::string err = kAny;            // standard error, exactly
  std::vector<std::pair<std::string, std::string>> after;  // file: regex, or kAbsent
  std::string shell_setup;  // run before the shell becomes the program
  int stop_signal = 0;      // sent once ready_file exists; the script's group must end
  std::string ready_file;
};

// A value with its escapes \\, \n, \r and \t undone; any other escape fails.
inline std::string Unescaped(const std::string& value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      text += value[i];
      continue;
    }
    const size_t escape = std::string("\\nrt").find(value.c_str()[++i]);
    if (escape == std::string::npos) {
      ADD_FAILURE() << "unknown escape in " << value;
      break;
    }
    text += "\\\n\r\t"[escape];
  }
  return text;
}

// The scenarios under `root`, one folder each, in name order. Its scenario.txt holds lines
// "key<TAB>value" (escaped as above; "#": a comment): each "arg" in turn ("{source}": the source
// tree), "setup", "signal" (SIGINT or SIGTERM) with "ready", "exit", each "out", "err", each
// "after" with a file and its regex, and each "file" with its place in the run and the name of
// a file under root/../files that several scenarios start with. Its input/ holds the files only
// it starts with (".keep": an empty folder). A scenario read without an exit code fails.
inline std::vector<Scenario> LoadScenarios(const fs::path& root) {
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(root)) folders.push_back(entry.path());
  std::sort(folders.begin(), folders.end());
  std::vector<Scenario> scenarios;
  for (const fs::path& folder : folders) {
    Scenario scenario;
    scenario.name = folder.filename().string();
    scenario.inputs = folder / "input";
    scenario.exit_code = -1;  // until read
    std::ifstream file(folder / "scenario.txt", std::ios::binary);
    for (std::string line; std::getline(file, line);) {
      if (line.empty() || line.starts_with("#")) continue;
      std::vector<std::string> fields;
      for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
        end = line.find('\t', at);
        fields.push_back(line.substr(at, end - at));
      }
      const std::string& key = fields[0];
      if (fields.size() != (key == "after" || key == "file" ? 3u : 2u)) {
        ADD_FAILURE() << folder << ": " << line;
        continue;
      }
      std::string value = Unescaped(fields[1]);
      if (key == "arg") {
        const size_t source = value.find("{source}");
        if (source != std::string::npos) value.replace(source, 8, ML_SOURCE_DIR);
        scenario.arguments.push_back(value);
      } else if (key == "exit") {
        scenario.exit_code = std::stoi(value);
      } else if (key == "out") {
        scenario.out_has.push_back(value);
      } else if (key == "err") {
        scenario.err = value;
      } else if (key == "after") {
        scenario.after.emplace_back(value, Unescaped(fields[2]));
      } else if (key == "file") {
        scenario.files.emplace_back(value, root.parent_path() / "files" / fields[2]);
      } else if (key == "setup") {
        scenario.shell_setup = value;
      } else if (key == "signal" && (value == "SIGINT" || value == "SIGTERM")) {
        scenario.stop_signal = value == "SIGINT" ? SIGINT : SIGTERM;
      } else if (key == "ready") {
        scenario.ready_file = value;
      } else {
        ADD_FAILURE() << folder << ": " << line;
      }
    }
    EXPECT_GE(scenario.exit_code, 0) << folder << ": no exit code read";
    scenarios.push_back(scenario);
  }
  return scenarios;
}

// Copies one file byte for byte (its folder made); one that starts with "#!" is made executable.
inline void CopyInput(const fs::path& from, const fs::path& path) {
  if (!fs::is_regular_file(from)) ADD_FAILURE() << "missing " << from;
  fs::create_directories(path.parent_path());
  const std::string text = Qve::test::ReadFile(from);
  std::ofstream(path, std::ios::binary) << text;
  if (text.starts_with("#!")) fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

// Copies the files under `from` into `to` (".keep": only its folder).
inline void CopyInputs(const fs::path& from, const fs::path& to) {
  if (!fs::exists(from)) return;
  for (const auto& entry : fs::recursive_directory_iterator(from)) {
    const fs::path path = to / fs::relative(entry.path(), from);
    if (entry.is_directory()) fs::create_directories(path);
    if (entry.is_directory() || path.filename() == ".keep") continue;
    CopyInput(entry.path(), path);
  }
}

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
    CopyInputs(scenario.inputs, root / scenario.name);
    for (const auto& [place, file] : scenario.files) CopyInput(file, root / scenario.name / place);
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

// The outcome of the scenario named `name` (throws when there is none).
inline const Outcome& OutcomeOf(const std::vector<Scenario>& scenarios,
                                const std::vector<Outcome>& runs, const std::string& name) {
  const auto named = [&name](const Scenario& scenario) { return scenario.name == name; };
  return runs.at(std::find_if(scenarios.begin(), scenarios.end(), named) - scenarios.begin());
}

}  // namespace Qva::test
