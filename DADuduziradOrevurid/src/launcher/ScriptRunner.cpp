#include "launcher/ScriptRunner.h"

#include <boost/process.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "QVETrace.h"

namespace Qva {

namespace bp = boost::process;

namespace {

constexpr const char* kShell = "/bin/sh";

// A script written with a "/" is a path; a bare name is looked up in the current folder, then
// along PATH (left as it is when found in neither, so that the start fails).
Qve::QVEstring ResolveProgram(const Qve::QVEstring& script) {
  if (script.find('/') != Qve::QVEstring::npos) return script;
  std::error_code error;
  if (std::filesystem::is_regular_file(script, error)) return script;
  boost::filesystem::path found = bp::search_path(script);
  return found.empty() ? script : found.string();
}

bool IsExecutableFile(const Qve::QVEstring& path) {
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::is_regular_file(status)) return true;  // let the start fail
  using std::filesystem::perms;
  return (status.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec)) !=
         perms::none;
}

// A started child and the pipe stream of its standard output.
struct RunningScript {
  std::unique_ptr<bp::ipstream> output;
  bp::child child;
};

// Starts the child with its standard output (and, with `merge_errors`, its standard error) on a
// new pipe stream; standard input and any unmerged error output are the launcher's own. A
// failed start consumes the pipe, so every attempt needs its own.
RunningScript StartChild(const Qve::QVEstring& program, const std::vector<std::string>& arguments,
                         bool merge_errors) {
  RunningScript started{std::make_unique<bp::ipstream>(), bp::child()};
  boost::filesystem::path executable(program);
  if (merge_errors) {
    started.child =
        bp::child(executable, bp::args(arguments), (bp::std_out & bp::std_err) > *started.output);
  } else {
    started.child = bp::child(executable, bp::args(arguments), bp::std_out > *started.output);
  }
  return started;
}

RunningScript StartScript(const Qve::QVEstring& script, const std::vector<std::string>& arguments,
                          bool merge_errors) {
  Qve::QVEstring program = ResolveProgram(script);
  std::vector<std::string> shell_arguments = arguments;
  shell_arguments.insert(shell_arguments.begin(), program);
  if (!IsExecutableFile(program)) return StartChild(kShell, shell_arguments, merge_errors);
  try {
    return StartChild(program, arguments, merge_errors);
  } catch (const bp::process_error& error) {
    // A script without "#!" is no program for the system; the shell runs it.
    if (error.code() != std::errc::executable_format_error) throw;
  }
  return StartChild(kShell, shell_arguments, merge_errors);
}

void EchoOutput(bp::child& child, bp::ipstream& output) {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  std::string line;
  for (;;) {
    bool read = static_cast<bool>(std::getline(output, line));
    if (read && !line.empty()) {
      tracer.Output("%s", line.c_str());
      continue;
    }
    // A failed read stays failed: nothing more can come, whether or not the child still runs.
    if (!read || !child.running()) return;
  }
}

}  // namespace

void RunScriptEchoingOutput(const Qve::QVEstring& script,
                            const std::vector<Qve::QVEstring>& arguments) {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  try {
    Qve::QVEstring arguments_text;
    for (const Qve::QVEstring& argument : arguments) arguments_text += argument + " ";
    tracer.Output("\n movarin_all.bat arguments: %s", arguments_text.c_str());

    std::vector<std::string> passed;
    bool merge_errors = false;
    for (const Qve::QVEstring& argument : arguments) {
      if (argument == kMergeErrorOutput) {
        merge_errors = true;
      } else {
        passed.push_back(argument);
      }
    }

    RunningScript started = StartScript(script, passed, merge_errors);
    bp::child& child = started.child;
    if (!child.running()) {
      Qve::QVEstring text = "Failed to start command: " + script + " " + arguments_text +
                            "\n Return Code: " + std::to_string(child.exit_code());
      tracer.Output("%s", text.c_str());
    }
    EchoOutput(child, *started.output);
    child.wait();
  } catch (const std::exception& error) {
    std::cout << "\nUnhandled error: " << error.what() << "\n";
    std::cout.flush();
  }
}

}  // namespace Qva
