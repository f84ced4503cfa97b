// Which rules of the active list can possibly match a text, decided in one pass over the text.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analyzer/AtomPrefilter.h"
#include "analyzer/IAnalyzeRulesManager.h"

namespace Qva {

class LogTextStorage;
class RegexAnalyzeRule;

// The walk's use of an AtomPrefilter: the prematch and match patterns of the regex rules of the
// followed list are its patterns, the list's positions its indices; a rule whose atoms are not
// found in a text cannot match and is not tried, every other rule is tried in full, so the
// walk's verdicts do not change.
//
// Always candidates: custom rules (their check actions decide), rules of a class derived from
// RegexAnalyzeRule, and patterns without atoms (see AtomPrefilter).
//
// A scan call costs about as much as a few PCRE2 tries, so stored lines are scanned many at a
// time (the lines after a line are scanned with it, as they lie in the storage), other texts
// are scanned only when enough filtered rules follow before the next rule of another kind
// (which is likely to change the text), and a text equal to the last one judged reuses its
// marks.
//
// Not thread-safe: one prefilter per analyzer.
class RulePrefilter {
 public:
  RulePrefilter();
  ~RulePrefilter();
  RulePrefilter(const RulePrefilter&) = delete;
  RulePrefilter& operator=(const RulePrefilter&) = delete;

  // Follows the walk's snapshot of the active list. Positions are rebuilt when the snapshot or
  // any rule pattern changed; the database only when a form is new to it, so activating a group
  // again (which duplicates its rules) compiles nothing.
  void Follow(const std::shared_ptr<const RuleVector>& rules);
  // The next text to judge is (a copy of) lines `first` to `first + count - 1` of `storage`,
  // joined. False when they cannot be judged from the stored lines' marks (the caller then
  // calls NewText).
  bool NewStoredLines(LogTextStorage& storage, uint64_t first, uint64_t count);
  // The next text to judge is any other text.
  void NewText() { state_ = TextState::kNew; }
  // False only when the rule at `position` of the followed list cannot match the text of the
  // current try, which `text()` returns (called only when the text must be scanned).
  template <typename GetText>
  bool MayMatch(size_t position, GetText&& text) {
    const Entry& entry = entries_[position];
    if (entry.prematch < 0 && entry.match < 0) return true;
    if (state_ != TextState::kJudged && !Judge(entry, text())) return true;
    return Marked(entry.prematch) && Marked(entry.match) && Marked(entry.also[0]) &&
           Marked(entry.also[1]);
  }
  // The first position from `position` on whose rule may match the judged text (past the list:
  // none); `position` itself while the text is not judged. Cheaper than MayMatch on each.
  size_t NextCandidate(size_t position) const {
    if (state_ != TextState::kJudged) return position;
    size_t word = position >> 6;
    if (word >= candidates_.size()) return position;
    uint64_t bits = candidates_[word] & (~uint64_t{0} << (position & 63));
    while (bits == 0) {
      if (++word == candidates_.size()) return entries_.size();
      bits = candidates_[word];
    }
    return word * 64 + static_cast<size_t>(std::countr_zero(bits));
  }
  // The rule at `position` when it is exactly a RegexAnalyzeRule, else null.
  RegexAnalyzeRule* RegexAt(size_t position) const { return entries_[position].regex; }

  // Positions of the followed list that the database filters; for tests and diagnostics.
  size_t FilteredRuleCount() const;

 private:
  static constexpr int32_t kNoPattern = -1;  // an empty prematch: nothing to pass
  static constexpr int32_t kAlways = AtomPrefilter::kUnfiltered;
  struct Entry {
    RegexAnalyzeRule* regex = nullptr;
    int32_t prematch = kAlways;  // database ids, or the values above
    int32_t match = kAlways;
    // The further atom each pattern needs (AtomPrefilter::AlsoIdsOf gives at most one a
    // pattern); checked only for the candidates, which the database picks by the ids above.
    std::array<int32_t, 2> also{kAlways, kAlways};
    uint32_t ahead = 0;  // filtered rules from here to the next rule of another kind
  };
  // kUnscanned: differs from the last judged text and has not been scanned (yet).
  enum class TextState { kNew, kUnscanned, kJudged };

  // Whether `text` gets judged at `entry` (reused or scanned); false: not filtered there.
  bool Judge(const Entry& entry, std::string_view text);
  // Scans the stored lines from `index` on, a window of them (at least `at_least` when there
  // are as many), into window_marks_.
  void ScanWindow(LogTextStorage& storage, uint64_t index, uint64_t at_least);
  // Sets the further atoms of a regex entry's patterns.
  void SetAlso(Entry& entry) const;
  // The text's marks are in judged_: finds the candidate positions.
  void Judged();
  void Remember(std::string_view text);
  bool Marked(int32_t id) const { return AtomPrefilter::Marked(judged_.data(), id); }

  std::shared_ptr<const RuleVector> followed_;
  uint64_t followed_generation_ = 0;
  std::vector<Entry> entries_;

  AtomPrefilter atoms_;
  std::vector<uint64_t> candidates_;  // of the judged text

  TextState state_ = TextState::kNew;
  std::vector<uint64_t> judged_;      // marks of the text being judged
  std::string last_text_;             // the last text judged, when kept
  std::vector<uint64_t> last_marks_;  // and its marks
  bool last_valid_ = false;

  std::vector<uint64_t> window_marks_;  // marks of stored lines window_first_ ...
  std::vector<bool> window_joined_;     // a line was scanned in one call with the one before
  uint64_t window_first_ = 0;
  uint64_t window_lines_ = 0;
  std::vector<uint64_t> ends_;  // of the lines of one scan
};

}  // namespace Qva
