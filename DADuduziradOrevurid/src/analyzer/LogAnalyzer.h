// The log analyzer: stores the tool output as lines and walks the active rules on each line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "QVEOptions.h"
#include "QVETrace.h"
#include "analyzer/IAnalyzeActionManager.h"
#include "analyzer/IAnalyzeRule.h"
#include "analyzer/IAnalyzer.h"
#include "analyzer/LogAnalyzerRulesManager.h"
#include "analyzer/LogTextStorage.h"
#include "analyzer/RuleWalk.h"

namespace Qva {

// Options store: the launcher sets the string options "ANALYZE_FILE", "import_ver_info",
// "import_db", "import_host", "export_path" and "report_dir" before Init.
class LogAnalyzer : public IAnalyzer, public Qve::QVOptions {
 public:
  using MatchListener = Qva::MatchListener;

  // The walk stops after this many SOFTRETURN/HARDRETURN restarts on one unit of lines, so a
  // return rule that keeps matching its own groups cannot loop forever.
  static constexpr int32_t kMaxWalkRestarts = RuleWalk::kMaxRestarts;

  // `rule_source` feeds the rules manager (empty: the embedded resources).
  explicit LogAnalyzer(RuleSource rule_source = {});
  ~LogAnalyzer() override;

  // Creates and rewinds the storage, registers an in-memory trace outputer at level 0 keeping
  // a tail of kTraceTail bytes with the tracer, creates the LogAnalyzerRulesManager with the action
  // manager given by SetActionManager (none: every action name binds an empty callable) and calls
  // its Init(report).
  void Init(bool report) override;
  // The registry whose actions the rules bind; set by the analyzer's owner before Init.
  void SetActionManager(std::shared_ptr<IAnalyzeActionManager> actions) {
    actions_ = std::move(actions);
  }
  void AddText(const Qve::QVEstring& text) override;
  // While at least `minimum` lines remain (compared unsigned) and lines are left, analyzes the
  // next stored line; returns the summed error count. Then lets the storage drop the lines
  // before its position (unless SetKeepAllLines). 10 keeps the read-ahead lines of
  // multi-line rules stored; 1 analyzes the rest.
  int32_t AnalyzeAvailable(int32_t minimum) override;
  // When the output pauses: analyzes the stored lines in order, as AnalyzeAvailable(`window`)
  // would with more lines to come, up to the first line that could still begin a match of a
  // multi-line rule (an active regex rule whose match pattern spans lines) once more lines
  // arrive; that line and the ones after it wait. The verdicts are those of the analysis that
  // keeps `window` lines stored. Returns the summed error count.
  int32_t AnalyzeReady(int32_t window);
  Qve::QVEstring GetTraceText() override;
  void SetCommand(const Qve::QVEstring& command) override;
  Qve::QVEstring GetCommand() override;
  // The rule walk over one unit of lines. Each rule of a snapshot of the active list is tried
  // in order (its line index set to storage position - 1 first). After a match: an Error-kind rule
  // adds 1 to the count unless the match is expected (IsExpectedErrorLine); the following rules
  // are tried on the match groups; then by behaviour: HARDSTOP ends; NONSTOP goes on; SOFTSTOP
  // skips the rest of its priority run and the first rule after it; SOFTRETURN restarts at the
  // first rule of its priority run (at the second rule when that run starts the list);
  // HARDRETURN restarts at the second rule. Exceptions of rules and actions pass through.
  // Regex rules that the prefilter finds cannot match are not tried (same verdicts, see
  // RulePrefilter), so their line index is not set either.
  virtual int32_t AnalyzeLines(const TextLines& lines);

  // User rule files for the rules manager's Init (LogAnalyzerRulesManager::SetUserRuleFiles);
  // Init then throws UserRuleFault on a fault in them unless `keep_going`.
  void SetUserRuleFiles(std::vector<std::string> paths, bool keep_going = false) {
    user_rule_files_ = std::move(paths);
    keep_going_ = keep_going;
  }

  // With true, the storage keeps every line of the run (for -EXPLAIN, which lists them all
  // afterwards); by default lines are let go once analyzed, so memory does not grow with the
  // output.
  void SetKeepAllLines(bool keep) { keep_all_lines_ = keep; }

  // With false, every rule is tried in full (for comparisons; on by default).
  void SetPrefilterEnabled(bool enabled) { walk_.prefilter_enabled = enabled; }

  std::shared_ptr<LogTextStorage> GetStorage() const { return storage_; }
  std::shared_ptr<LogAnalyzerRulesManager> GetRulesManager() const { return rules_manager_; }
  void SetMatchListener(MatchListener listener) { listener_ = std::move(listener); }

 private:
  // The in-memory trace keeps about this much of its newest text (the trace file has it all).
  static constexpr size_t kTraceTail = size_t{2} << 20;

  int32_t Walk(const TextLines& lines);
  // Whether the stored lines from the position on could, with more lines after them, begin a
  // match of an active multi-line rule.
  bool MayBeginMultiLineMatch();

  std::shared_ptr<LogAnalyzerRulesManager> rules_manager_;
  std::shared_ptr<LogTextStorage> storage_;
  std::shared_ptr<Qve::QVStringTraceOutputer> trace_outputer_;
  Qve::QVEstring command_;
  RuleSource rule_source_;
  std::shared_ptr<IAnalyzeActionManager> actions_;
  std::vector<std::string> user_rule_files_;
  bool keep_going_ = false;
  MatchListener listener_;
  bool keep_all_lines_ = false;
  WalkShared walk_;
};

}  // namespace Qva
