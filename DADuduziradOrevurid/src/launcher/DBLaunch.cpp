#include "launcher/DBLaunch.h"

#include <boost/algorithm/string/predicate.hpp>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "QVEProcessSignals.h"
#include "QVETimeStamp.h"
#include "QVETrace.h"
#include "launcher/ScriptRunner.h"
#include "reports/JsonImportReport.h"
#include "reports/SiteAddresses.h"

namespace Qva {

namespace {

constexpr const char* kBatPrefix = "/BAT=";
constexpr const char* kOutPrefix = "/OUT=";
constexpr const char* kArgPrefix = "/ARG=";

// The text up to and including the first "=", or the whole argument when it has none.
Qve::QVEstring PrefixOf(const Qve::QVEstring& argument) {
  size_t equals = argument.find('=');
  return equals == Qve::QVEstring::npos ? argument : argument.substr(0, equals + 1);
}

Qve::QVEstring ValueOf(const Qve::QVEstring& argument) {
  size_t equals = argument.find('=');
  return equals == Qve::QVEstring::npos ? Qve::QVEstring() : argument.substr(equals + 1);
}

// The part of argument 0 after its last separator; empty when it has none.
Qve::QVEstring ProgramName(const char* argument0) {
  Qve::QVEstring path = argument0 != nullptr ? argument0 : "";
  size_t separator = path.find_last_of("\\/");
  return separator == Qve::QVEstring::npos ? Qve::QVEstring() : path.substr(separator + 1);
}

void WriteUsage(const Qve::QVEstring& program, std::ostream& out) {
  out << "\n\nUsage: " << program << " " << kBatPrefix << "BatFile\n\n    "
      << "/BAT"
      << "   - command shell file name (default movarin_all.bat)\n\n    " << program
      << " /BAT=movarin_all.bat"
      << "\n\n";
  out.flush();
}

bool ParseOwnSyntax(int argc, char** argv, LaunchArguments& result, std::ostream& out,
                    std::ostream& err) {
  if (argc < 2 || !boost::iequals(PrefixOf(argv[1]), kBatPrefix)) {
    WriteUsage(ProgramName(argc > 0 ? argv[0] : nullptr), out);
    return false;
  }
  result.script = ValueOf(argv[1]);
  if (result.script.empty()) {
    err << "/BAT argument is empty\n";
    return false;
  }
  for (int i = 2; i < argc; ++i) {
    Qve::QVEstring prefix = PrefixOf(argv[i]);
    if (boost::iequals(prefix, kOutPrefix)) {
      result.out = ValueOf(argv[i]);
    } else if (boost::iequals(prefix, kArgPrefix)) {
      result.args = ValueOf(argv[i]);
    }
  }
  return true;
}

void WriteMissingScript(const Qve::QVEstring& script) {
  std::cout.flush();
  std::cerr << "The import process was not initiated because the import script (" << script
            << " file) is missed.\n"
            << "Please re-run the conversion process and wait until it is completed and rerun "
               "the import. If the issue persists, kindly reach out to our support team at "
            << kSupportMailbox << " for further assistance.\n";
  std::cerr.flush();
}

}  // namespace

bool ParseLaunchArguments(int argc, char** argv, LaunchArguments& result, std::ostream& out,
                          std::ostream& err) {
  bool parsed = false;
  try {
    parsed = ParseOwnSyntax(argc, argv, result, out, err);
  } catch (const std::exception& error) {
    err << error.what() << "\n";
  }
  if (!parsed) err << "ERROR: Couldn't process command line arguments\n";
  err.flush();
  return parsed;
}

std::vector<Qve::QVEstring> BuildLaunchArgumentList(const Qve::QVEstring& arg_text) {
  std::vector<Qve::QVEstring> arguments = {"no_echo"};
  for (const Qve::QVEstring& piece : SplitArgumentText(arg_text)) {
    if (!piece.empty()) arguments.push_back(piece);
  }
  arguments.push_back(kMergeErrorOutput);
  return arguments;
}

int32_t DBLaunch::Initialize(const Qve::QVEstring& /*analyzer_name*/) {
  if (!config_.report) return 0;
  return JsonImportReport::Instance().Init(false, config_.working_folder, config_.report_dir,
                                           config_.target_db);
}

int32_t DBLaunch::Run() {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  tracer.SetAllLevels(Qve::kQVTraceOutput);

  LaunchArguments arguments;
  std::cout.flush();
  if (!ParseLaunchArguments(argc_, argv_, arguments, std::cout, std::cerr)) return 1;

  Qve::QVEstring script = arguments.script;
  Qve::ReplaceAll(script, "\"", "");
  // A status error other than "not found" throws std::filesystem::filesystem_error.
  if (!std::filesystem::exists(std::filesystem::path(script))) {
    WriteMissingScript(script);
    return 1;
  }

  // After a stop asked for before the launch there is nothing to run; the run just ends.
  if (Qve::GetStopSignal() == 0) {
    RunScriptEchoingOutput(script, BuildLaunchArgumentList(arguments.args));
  }

  Qve::QVEstring time_text = Qve::CTimeText(Qve::CurrentCalendarTime());
  tracer.Output("\nTimestamp: %sImport process finished.", time_text.c_str());
  return 0;
}

}  // namespace Qva
