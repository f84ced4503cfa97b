// One walk of the active rules over one unit of lines, for LogAnalyzer::AnalyzeLines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

#include "analyzer/IAnalyzeRule.h"
#include "analyzer/IAnalyzeRulesManager.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {

class RulePrefilter;

// Tries each rule of a snapshot of the active list in order and, after a match, goes on where
// the matching rule's behaviour says (LogAnalyzer::AnalyzeLines has the rules). The outermost
// walk uses the analyzer's prefilter and joined text; a walk started by an action (nested) tries
// every rule and joins into its own text. The turn vectors come from the analyzer's spares and
// go back to them when the walk ends, also by an exception.
class RuleWalk {
 public:
  // Takes the snapshot and the vectors; `analyzer` has its rules manager.
  RuleWalk(LogAnalyzer& analyzer, const TextLines& lines);
  ~RuleWalk();
  RuleWalk(const RuleWalk&) = delete;
  RuleWalk& operator=(const RuleWalk&) = delete;

  // Walks the rules once; returns the number of error matches that count.
  int32_t Run();

 private:
  // A rule position past every rule: the walk ends.
  static constexpr size_t kEnd = std::numeric_limits<size_t>::max();

  // The text the rules search: the current lines joined, made once per set of lines.
  std::string_view Subject();
  // Subject when the text is not made yet (kept apart so that Subject stays small).
  std::string_view MakeSubject();
  // Index of the line being analyzed (storage position - 1), read again after anything that may
  // have moved the storage: an action, and the check of a custom rule (also an action).
  int64_t LineIndex();
  // Tells the prefilter what the next tries search: `texts`, judged with the stored lines after
  // them when they are stored lines (`known_stored`: they are the line handed out).
  void NewText(const TextLines& texts, bool known_stored);
  // Tries the rule at `position` on the current lines; whether it matched. A rule the prefilter
  // rules out is not tried (and its line index not set).
  bool TryRule(size_t position);
  // After a match of `rule`: reports it, counts an error and makes the groups (as the actions
  // left them) the lines of the following rules (Run tells the prefilter).
  void AfterMatch(const IAnalyzeRule& rule);
  // Where the walk goes on after a match of `rule` at `position` (kEnd: it ends), by HARDSTOP,
  // SOFTSTOP, SOFTRETURN, HARDRETURN or NONSTOP (also any unknown behaviour).
  size_t NextAfter(const IAnalyzeRule& rule, size_t position);
  // SOFTSTOP: past the priority run of the rule at `position`, and past the first rule after it.
  size_t NextAfterSoftStop(int32_t priority, size_t position) const;
  // SOFTRETURN and HARDRETURN: the restart position, or kEnd past the restart bound.
  size_t NextAfterReturn(const IAnalyzeRule& rule, int32_t behavior, size_t position);

  LogAnalyzer& analyzer_;
  // One snapshot per unit: rules activated by actions take part from the next unit.
  const std::shared_ptr<const RuleVector> snapshot_;
  const RuleVector& rules_;
  const size_t count_;
  RulePrefilter* prefilter_ = nullptr;
  // Whether the walked lines are the line AnalyzeAvailable handed out (and the prefilter is on).
  bool stored_ = false;
  // The rules after a match see its groups: two vectors take turns as groups and current.
  // Taken first (moved, not assigned: this runs for every line); should the prefilter fail
  // before the walk starts, they are freed instead of given back.
  TextLines turn_a_;
  TextLines turn_b_;
  const TextLines* current_;
  TextLines* groups_ = &turn_a_;
  Qve::QVEstring nested_join_;
  Qve::QVEstring& join_;  // the analyzer's for the outermost walk, nested_join_ otherwise
  std::string_view text_;
  bool text_ready_ = false;
  bool storage_moved_ = true;
  int64_t line_index_ = -1;
  int32_t errors_ = 0;
  int32_t restarts_ = 0;
};

}  // namespace Qva
