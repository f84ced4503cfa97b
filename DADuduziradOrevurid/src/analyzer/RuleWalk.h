// One walk of the active rules over one unit of lines, for LogAnalyzer::AnalyzeLines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "analyzer/IAnalyzeRule.h"
#include "analyzer/IAnalyzeRulesManager.h"
#include "analyzer/RulePrefilter.h"

namespace Qva {

class IAnalyzer;
class LogTextStorage;

// Called after each rule match with the rule, the lines it matched and its groups as its actions
// left them. For tests and diagnostics; not needed by the run.
using MatchListener =
    std::function<void(const IAnalyzeRule& rule, const TextLines& lines, const TextLines& groups)>;

// What the walks of one analyzer share, from one line to the next and with the walks that
// actions start (nested): owned by the analyzer, which sets the links before each walk.
struct WalkShared {
  // A line copy or joined text above this size is not kept for the next line.
  static constexpr size_t kKeptLineCapacity = 64 * 1024;

  // Line vectors reused from one line to the next (their strings go back to the TextPool).
  TextLines TakeVector();
  void GiveVector(TextLines& texts);
  // Whether `texts` are the stored lines from stored_unit_index on.
  bool StoredRun(const TextLines& texts) const;

  // Links to the analyzer's parts, set by the analyzer.
  IAnalyzer* analyzer = nullptr;  // handed to the rules
  LogTextStorage* storage = nullptr;
  const MatchListener* listener = nullptr;  // null or empty: none
  bool prefilter_enabled = true;

  RulePrefilter prefilter;
  bool restart_bound_traced = false;
  // Nested walks take their own vectors and text.
  std::vector<TextLines> spare_vectors;
  int32_t depth = 0;
  Qve::QVEstring joined;
  // The vector AnalyzeAvailable hands to AnalyzeLines, and the stored line it holds a copy of.
  const TextLines* stored_unit = nullptr;
  uint64_t stored_unit_index = 0;
};

class RuleWalk {
 public:
  // The walk stops after this many SOFTRETURN/HARDRETURN restarts on one unit of lines, so a
  // return rule that keeps matching its own groups cannot loop forever.
  static constexpr int32_t kMaxRestarts = 100;

  // Takes the vectors; `rules` is the snapshot of the active list the walk follows.
  RuleWalk(WalkShared& shared, std::shared_ptr<const RuleVector> rules, const TextLines& lines);
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

  WalkShared& shared_;
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
