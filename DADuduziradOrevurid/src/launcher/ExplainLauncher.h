// -EXPLAIN=FILE: analyzes a saved log as if the import script had printed it, writes nothing,
// and tells for each line which rule decided it and which object it went to.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "launcher/IMigrationLauncher.h"
#include "launcher/RunConfig.h"
#include "launcher/TraceLogText.h"

namespace Qva {

class ExplainLauncher : public IMigrationLauncher {
 public:
  // Keeps a reference to `config`, which must outlive the launcher.
  explicit ExplainLauncher(const RunConfig& config) : config_(config) {}

  // Needs -D with an analyzed target database; loads the rules (user rules included) with the
  // run's settings and silences the trace, so that nothing but the explanation
  // is printed and no file is written. Returns 2, with a message on stderr, for another -D, a
  // fault in a user rule file or a log that cannot be read or is not a regular file of at most
  // 256 MB (a FIFO or a device is refused before anything is read); else 0. A trace file is
  // read as TraceLogToOutput gives it, with the rules of the -D target active from its start.
  int32_t Initialize(const Qve::QVEstring& analyzer_name) override;
  // Analyzes the log and prints, per line, "LINE: TEXT" and one line per rule that matched it,
  // the last one the rule that "decided" it: id, name, group, priority, behaviour, the actions
  // it ran, and the object current after them; then each object with its outcome and the lines
  // of its errors and warnings with the rules that decided them. Returns 1 when the analysis
  // counted errors, else 0.
  int32_t Run() override;

 private:
  struct Match {
    std::string rule;     // DescribeRule
    std::string actions;  // ", "-separated names
    std::string object;   // "Table HR.JOBS", "none"
  };
  void Record(const IAnalyzeRule& rule);
  // From a trace file: the lines the run tagged as errors or warnings that the analysis does
  // not count (a rule's <Output> rewrote them, so no rule takes them as the trace wrote them),
  // each given to the object current at it. Returns how many are errors.
  int32_t CollectTraceOnly();
  const char* TraceOnlyText(uint64_t index) const;  // "error" or "warning"
  void PrintLines() const;
  void PrintObjects() const;

  const RunConfig& config_;
  std::shared_ptr<LogAnalyzer> analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions_;
  std::string log_;
  bool from_trace_ = false;                      // the log is a trace file (TraceLogToOutput)
  std::vector<TraceVerdict> trace_verdicts_;     // per line of a trace file
  std::map<uint64_t, TraceVerdict> trace_only_;  // CollectTraceOnly, by line
  std::map<std::string, std::vector<uint64_t>> trace_only_of_;  // its lines, by object text
  std::map<int64_t, std::vector<Match>> matches_;               // by line index
};

}  // namespace Qva
