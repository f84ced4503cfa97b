// The analyzed run: starts the import script with pipes and feeds its output to the analyzer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "QVEFile.h"
#include "QVEProcess.h"
#include "QVEString.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "launcher/ChildOutputFeed.h"
#include "launcher/IMigrationLauncher.h"
#include "launcher/OutputEndWatch.h"
#include "launcher/RunConfig.h"

namespace Qva {

class ConsoleProgress;

// Bytes taken from the child's output per read.
inline constexpr uint64_t kChildReadSize = 16383;

class MigrationLauncher : public IMigrationLauncher {
 public:
  // Keeps a reference to `config`, which must outlive the launcher.
  explicit MigrationLauncher(const RunConfig& config) : config_(config) {}

  // Sets the trace verbosity (DEBUG), loads the JSON report, opens the HTML log and writes its
  // missing report page and stylesheet with RPT, creates the analyzer with its six settings and
  // Inits it. Returns 0, or the report load's non-zero result, or 2 (the fault printed on
  // stderr) when a user rule file (ListUserRuleFiles with -RULES) has a fault; that check comes
  // before anything is loaded or written. Throws std::logic_error when the script is missing and
  // std::filesystem::filesystem_error when its status cannot be read.
  int32_t Initialize(const Qve::QVEstring& analyzer_name) override;
  // Runs "<script> echo <arg> <arg> ..." in the working folder and analyzes its output as it
  // arrives; the HTML log's footer comes with the rest of the run's end (RunOutputs::EndRun). An
  // import script that ends before its finished line, or with a non-zero status, is finished by
  // the actions (FinishOutput). Returns 1 when errors were reported, else 0. QVExceptions of the
  // child and the pipe pass through. A stop signal (Qve::InstallStopHandlers) is passed on to the
  // script's process group; the run then ends as at the end of the output. After an earlier stop no
  // script is started.
  int32_t Run() override;
  const ImportStatistics* GetRecords() const override;

 private:
  // Starts the script, analyzes all it prints, then a last line without a line feed and, when
  // a signal ended the script, the line a shell prints for that. Returns the error count.
  int32_t RunScript();
  // Reads the child's output into `feed` until its end, or until the script has ended and
  // only its descendants hold the pipe (OutputEndWatch); returns the summed error count. Lines
  // are analyzed and written out whenever the output pauses, in one write per destination.
  // On a terminal, `progress` keeps the status line below the output meanwhile.
  int32_t ReadChild(ChildOutputFeed& feed, ConsoleProgress& progress);
  // Waits for more output, looking after the script in between. False when reading is to stop.
  bool WaitForOutput(OutputEndWatch& watch, ConsoleProgress& progress);
  // Whether reading is to stop now (the script ended, and a stop request or a quiet pipe).
  bool ReadingEnds(OutputEndWatch& watch);

  const RunConfig& config_;
  Qve::QVEProcess process_;
  std::shared_ptr<Qve::QVFile> input_pipe_;
  std::shared_ptr<Qve::QVFile> output_pipe_;
  std::shared_ptr<LogAnalyzer> analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions_;  // the analyzer's action manager
};

}  // namespace Qva
