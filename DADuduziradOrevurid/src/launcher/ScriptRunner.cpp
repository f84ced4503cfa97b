#include "launcher/ScriptRunner.h"

#include <boost/process.hpp>
#include <boost/process/extend.hpp>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "QVEProcess.h"
#include "QVEProcessSignals.h"
#include "QVETrace.h"

namespace Qva {

namespace bp = boost::process;

namespace {

constexpr const char* kStartFailure = "cannot start the script";

// A started child and the pipe stream of its standard output.
struct RunningScript {
  std::unique_ptr<bp::ipstream> output;
  bp::child child;
};

// Starts the child with its standard output (and, with `merge_errors`, its standard error) on a
// new pipe stream; standard input and any unmerged error output are the launcher's own. A
// failed start consumes the pipe, so every attempt needs its own. A failure is returned in
// `error`, not thrown: when the exec fails the executor returns no child for the process it has
// forked, so the handler reaps that process here instead of leaving it as a zombie.
RunningScript StartChild(const Qve::QVEstring& program, const std::vector<std::string>& arguments,
                         bool merge_errors, std::error_code& error) {
  RunningScript started{std::make_unique<bp::ipstream>(), bp::child()};
  boost::filesystem::path executable(program);
  error.clear();  // the executor only ever sets it
  auto reap_failed = bp::extend::on_error = [](auto& executor, const std::error_code&) {
    if (executor.pid <= 0) return;  // nothing was forked
    bp::child failed(executor.pid);
    std::error_code ignored;
    failed.wait(ignored);
  };
  // A process group of its own, so that a stop reaches everything the script starts.
  auto own_group = bp::extend::on_exec_setup = [](auto&) { Qve::LeadNewProcessGroup(); };
  if (merge_errors) {
    started.child =
        bp::child(executable, bp::args(arguments), (bp::std_out & bp::std_err) > *started.output,
                  error, reap_failed, own_group);
  } else {
    started.child = bp::child(executable, bp::args(arguments), bp::std_out > *started.output, error,
                              reap_failed, own_group);
  }
  return started;
}

// Resolves the script as the analyzed run's child process does and runs it directly, or through
// /bin/sh when it is not executable or the system does not take it as a program.
RunningScript StartScript(const Qve::QVEstring& script, const std::vector<std::string>& arguments,
                          bool merge_errors) {
  Qve::QVResolvedProgram resolved = Qve::ResolveProgram(script);
  // A name found nowhere is passed on as it is, so that the start fails.
  Qve::QVEstring program = resolved.path.empty() ? script : resolved.path;
  std::error_code error;
  if (!resolved.through_shell) {
    RunningScript started = StartChild(program, arguments, merge_errors, error);
    if (!error) return started;
    // A script without "#!" is no program for the system; the shell runs it.
    if (error != std::errc::executable_format_error) throw bp::process_error(error, kStartFailure);
  }
  std::vector<std::string> shell_arguments = arguments;
  shell_arguments.insert(shell_arguments.begin(), program);
  RunningScript started = StartChild(Qve::kQVShellProgram, shell_arguments, merge_errors, error);
  if (error) throw bp::process_error(error, kStartFailure);
  return started;
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
    Qve::QVStopForwarding forwarding(child.id());
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
