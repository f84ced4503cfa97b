#include "launcher/MigrationLauncher.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "QVEOutputBatch.h"
#include "QVEPipeWait.h"
#include "QVEProcessSignals.h"
#include "QVETrace.h"
#include "analyzer/UserRuleFiles.h"
#include "launcher/AnalyzerSetup.h"
#include "launcher/ConsoleProgress.h"
#include "launcher/ProductInfo.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"
#include "reports/ReportCompanions.h"
#include "reports/SiteAddresses.h"

namespace Qva {

namespace {

constexpr uint32_t kHtmlLogMinimumLevel = 1;
constexpr uint32_t kWaitForever = UINT32_MAX;

Qve::QVEstring MissingScriptText(const Qve::QVEstring& script_path) {
  return Qve::QVEstring("Initialization>") +
         "\n\nError: The import process was not initiated because the import script (" +
         script_path + " file) is missed." +
         "\n\nSolution: Please re-run the conversion process and wait until it is completed and "
         "rerun the import. If the issue persists, kindly reach out to our support team at " +
         kSupportMailbox + " for further assistance.";
}

// How the script ended; a stop of this program says more than the signal that ended it.
ScriptEnd ScriptEndOf(const Qve::QVEProcess& process) {
  ScriptEnd end;
  if (const int stop = Qve::GetStopSignal()) {
    end.kind = ScriptEnd::Kind::kStopped;
    end.number = stop;
    end.signal_name = Qve::DescribeSignal(stop);
  } else if (const int signal = process.GetEndSignal()) {
    end.kind = ScriptEnd::Kind::kKilled;
    end.number = signal;
    end.signal_name = Qve::DescribeSignal(signal);
  } else if (process.HasExited()) {
    end.number = process.GetExitCode();
  } else {
    end.kind = ScriptEnd::Kind::kUnknown;
  }
  return end;
}

}  // namespace

int32_t MigrationLauncher::Initialize(const Qve::QVEstring& analyzer_name) {
  Qve::QVTracer::Instance().SetDebugLevel(config_.debug ? 4 : 3);

  // A fault in the user's rule files stops the run before anything is written or started.
  const std::vector<std::string> rule_files = ListUserRuleFiles(config_.user_rules);
  if (!rule_files.empty()) {
    try {
      CheckUserRules(rule_files, false);
    } catch (const UserRuleFault& fault) {
      std::fprintf(stderr, "%s\n", fault.what());
      return 2;
    }
  }

  if (config_.report) {
    int32_t loaded = JsonImportReport::Instance().Init(true, config_.working_folder,
                                                       config_.report_dir, config_.target_db);
    if (loaded != 0) return loaded;
    DedezuLogger::Instance().Open(config_.report_base, analyzer_name, config_.target_db,
                                  config_.target_host, kHtmlLogName, kHtmlLogMinimumLevel,
                                  config_.report_dir);
    // Written now, so the log is already styled and linked while the import runs. The page
    // reads the data.js beside it, so it goes where data.js is updated; a log elsewhere (-CF)
    // gets its stylesheet, and no page that would show another data.js.
    WriteReportCompanions(config_.data_folder);
    WriteReportCompanions(config_.html_log_folder, false);
  }

  analyzer_ = std::make_shared<LogAnalyzer>();
  analyzer_->SetUserRuleFiles(rule_files);
  actions_ = SetUpAnalyzer(*analyzer_, RunSettingsFor(config_, analyzer_name, config_.report));

  // A status error other than "not found" throws std::filesystem::filesystem_error.
  if (!std::filesystem::exists(std::filesystem::path(config_.script_path))) {
    throw std::logic_error(MissingScriptText(config_.script_path));
  }

  analyzer_->Init(config_.report);
  return 0;
}

int32_t MigrationLauncher::Run() {
  // A stop asked for before the script started: there is nothing to run, the run ends at once.
  int32_t total = Qve::GetStopSignal() == 0 ? RunScript() : 0;
  return total > 0 ? 1 : 0;
}

const ImportStatistics* MigrationLauncher::GetRecords() const {
  return actions_ ? &actions_->GetStatistics() : nullptr;
}

int32_t MigrationLauncher::RunScript() {
  const Qve::QVEstring command_line = config_.script_path + " " + config_.argument_text;
  process_.Start(command_line, config_.working_folder, true);
  // From here a stop signal reaches the script and everything it started.
  Qve::QVStopForwarding forwarding(process_.GetPid());
  input_pipe_ = process_.GetInputFile();
  // Nothing is ever written to the script: closing the input lets it, or a tool it runs (a
  // password prompt after a failed login), read end-of-input instead of waiting forever.
  input_pipe_->Close();
  output_pipe_ = process_.GetOutputFile();

  DedezuLogger& html_log = DedezuLogger::Instance();
  html_log.ActionBegin("Start child process: %s", command_line.c_str());
  analyzer_->SetCommand(config_.argument_text);
  ChildOutputFeed feed(*analyzer_);
  ConsoleProgress progress(*actions_, config_.script_path, config_.working_folder);
  int32_t total = ReadChild(feed, progress);
  process_.Wait(kWaitForever);
  // The output is over; the lines still held back may hold the summary, which comes without it.
  progress.End();
  // No shell is left to report how the script itself ended; say it as one would ("Killed"),
  // so that the object it was importing fails as it would under a parent shell.
  total += feed.Finish(process_.GetShellEndNotice());
  // A script that stopped before its finished line still gets its summary and report.
  if (analyzer_->GetRulesManager()) total += actions_->FinishOutput(ScriptEndOf(process_));
  html_log.ActionEnd("Finish child process");
  return total;
}

int32_t MigrationLauncher::ReadChild(ChildOutputFeed& feed, ConsoleProgress& progress) {
  std::vector<char> buffer(kChildReadSize);
  int32_t total = 0;
  OutputEndWatch watch(OutputEndWatch::Clock::now());
  // The console, the trace file and the HTML log get one write per block of analyzed lines.
  Qve::QVOutputBatch batch;
  for (;;) {
    if (!Qve::WaitReadable(*output_pipe_, 0)) {
      // A pause: show every line that is decided, and write it out before waiting.
      total += feed.Settle();
      progress.Update();
      batch.Flush();
      if (!WaitForOutput(watch, progress)) break;
    } else if (Qve::GetStopSignal() != 0 && ReadingEnds(watch)) {
      break;  // stopped: what still writes into the pipe is not waited for
    }
    uint64_t read = output_pipe_->Read(buffer.data(), kChildReadSize);
    if (read == 0) break;
    watch.OnOutput(OutputEndWatch::Clock::now());
    total += feed.Add(buffer.data(), read);
    progress.Update();
  }
  batch.End();
  return total;
}

bool MigrationLauncher::WaitForOutput(OutputEndWatch& watch, ConsoleProgress& progress) {
  const auto step = static_cast<uint32_t>(OutputEndWatch::kWaitStep.count());
  while (!Qve::WaitReadable(*output_pipe_, step)) {
    if (ReadingEnds(watch)) return false;
    progress.Update();  // the clock goes on while the script is quiet
  }
  return true;
}

bool MigrationLauncher::ReadingEnds(OutputEndWatch& watch) {
  const OutputEndWatch::Clock::time_point now = OutputEndWatch::Clock::now();
  if (!watch.ScriptEnded()) {
    process_.Wait(0);
    if (process_.HasEnded()) watch.OnScriptEnded(now);
  }
  if (!watch.ShouldStop(now, Qve::GetStopSignal() != 0)) return false;
  std::vector<Qve::QVEstring> holders = Qve::FindPipeHolders(*output_pipe_);
  Qve::QVEstring names;
  for (const Qve::QVEstring& holder : holders) names += (names.empty() ? "" : ", ") + holder;
  // They are left alone: they are not the import script, and may be meant to outlive it.
  Qve::QVTracer::Instance().Trace(
      Qve::kQVTraceInfo, "Migration launcher",
      "The import script has ended; its output is no longer read, though still held open by %s",
      names.empty() ? "another process" : names.c_str());
  return true;
}

}  // namespace Qva
