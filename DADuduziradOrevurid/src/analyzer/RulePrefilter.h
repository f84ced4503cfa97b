// Which rules of the active list can possibly match a text, decided in one pass over the text.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analyzer/IAnalyzeRulesManager.h"

namespace Qva {

class LogTextStorage;
class RegexAnalyzeRule;

// For each prematch and match pattern of the regex rules, Hyperscan gets the plain texts one of
// which every match of the PCRE2 pattern contains (PrefilterForm), all of them in one database
// of literals. A scan marks the forms found in a text; a
// rule with an unmarked form cannot match and is not tried, every other rule is tried in full,
// so the walk's verdicts do not change.
//
// Always candidates: custom rules (their check actions decide), rules of a class derived from
// RegexAnalyzeRule, patterns PCRE2 rejects (trying them throws), patterns that do not
// ReadsAlike or have no PrefilterForm, and forms Hyperscan does not take.
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
    return Marked(entry.prematch) && Marked(entry.match);
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
  struct Database;
  struct RunScan;
  static constexpr int32_t kNoPattern = -1;  // an empty prematch: nothing to pass
  static constexpr int32_t kAlways = -2;     // not judged: always passes
  struct Entry {
    RegexAnalyzeRule* regex = nullptr;
    int32_t prematch = kAlways;  // database ids, or the values above
    int32_t match = kAlways;
    uint32_t ahead = 0;  // filtered rules from here to the next rule of another kind
  };
  // kUnscanned: differs from the last judged text and has not been scanned (yet).
  enum class TextState { kNew, kUnscanned, kJudged };

  // Records the form of `pattern` (compiled by PCRE2 when `valid`); a form new to the database
  // is added to `fresh`.
  void Classify(const std::string& pattern, bool valid, std::vector<std::string>& fresh);
  int32_t IdOf(const std::string& pattern) const;
  // Compiles the known forms and `fresh` into a new database; forms Hyperscan refuses are left
  // out.
  void Rebuild(std::vector<std::string> fresh);
  // Whether `text` gets judged at `entry` (reused or scanned); false: not filtered there.
  bool Judge(const Entry& entry, std::string_view text);
  // Marks the forms found in `text` into `marks` (all of them when the scan cannot run).
  void ScanText(std::string_view text, uint64_t* marks);
  // Scans the stored lines from `index` on, a window of them (at least `at_least` when there
  // are as many), into window_marks_.
  void ScanWindow(LogTextStorage& storage, uint64_t index, uint64_t at_least);
  // Maps each position to a form it needs (or to always_), after the entries changed.
  void MapPositions();
  // The text's marks are in judged_: finds the candidate positions.
  void Judged();
  // Marks the anchored forms (starts_) whose text begins `text`, a scanned text.
  void MarkStarts(std::string_view text, uint64_t* marks) const;
  void Remember(std::string_view text);
  bool Marked(int32_t id) const {
    return id < 0 || ((judged_[static_cast<size_t>(id) >> 6] >> (id & 63)) & 1) != 0;
  }

  std::shared_ptr<const RuleVector> followed_;
  uint64_t followed_generation_ = 0;
  std::vector<Entry> entries_;

  std::unordered_map<std::string, std::string> form_of_;  // pattern -> form ("" for none)
  std::vector<std::string> forms_;                        // database id -> form
  std::unordered_map<std::string, int32_t> form_ids_;
  std::unique_ptr<Database> database_;
  // Database id and text of each "^" in a form: the database matches them after a "\n" only.
  // Kept by length, each length's texts sorted, so that a text finds the ones it begins with by
  // one binary search per length, however many rules there are.
  struct Starts {
    size_t length;
    std::vector<std::pair<std::string, uint32_t>> sorted;
  };
  std::vector<Starts> starts_;
  size_t words_ = 1;  // 64-bit words of one set of marks

  // Positions by what lets them through: never filtered, or a form found in the text.
  std::vector<uint64_t> always_;
  std::vector<uint64_t> positions_of_;  // position_words_ words per database id
  size_t position_words_ = 0;
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
};

}  // namespace Qva
