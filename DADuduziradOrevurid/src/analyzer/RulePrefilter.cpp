#include "analyzer/RulePrefilter.h"

#include <algorithm>
#include <typeinfo>

#include "analyzer/LogTextStorage.h"
#include "analyzer/RegexAnalyzeRule.h"

namespace Qva {
namespace {

// On this kind of machine a scan of a short text costs about as much as four failing PCRE2
// tries; with fewer filtered rules ahead the rules are simply tried.
constexpr uint32_t kMinRulesForScan = 4;

// A window of stored lines: at most this many lines and bytes.
constexpr uint64_t kWindowLines = 1024;
constexpr uint64_t kWindowBytes = 1 << 20;

// Texts up to this size are kept for the comparison with the next text.
constexpr size_t kMaxKeptText = 64 * 1024;

}  // namespace

RulePrefilter::RulePrefilter() = default;
RulePrefilter::~RulePrefilter() = default;

void RulePrefilter::Follow(const std::shared_ptr<const RuleVector>& rules) {
  const uint64_t generation = RegexAnalyzeRule::PatternGeneration();
  if (rules == followed_ && generation == followed_generation_) return;
  followed_ = rules;
  followed_generation_ = generation;
  state_ = TextState::kNew;
  entries_.assign(rules ? rules->size() : 0, Entry{});

  for (size_t i = 0; i < entries_.size(); ++i) {
    IAnalyzeRule* rule = (*rules)[i].get();
    // A derived class may decide otherwise than its patterns say.
    if (rule == nullptr || typeid(*rule) != typeid(RegexAnalyzeRule)) continue;
    auto* regex = static_cast<RegexAnalyzeRule*>(rule);
    entries_[i].regex = regex;
    RegexPattern& prematch = regex->PrematchPattern();
    if (!prematch.GetPattern().empty()) atoms_.Add(prematch.GetPattern(), prematch.Compiles());
    atoms_.Add(regex->MatchPattern().GetPattern(), regex->MatchPattern().Compiles());
  }
  if (atoms_.Compile()) {
    // Marks made with the old database are void.
    window_lines_ = 0;
    last_valid_ = false;
  }

  uint32_t ahead = 0;
  for (size_t i = entries_.size(); i-- > 0;) {
    Entry& entry = entries_[i];
    if (entry.regex == nullptr) {
      ahead = 0;
      continue;
    }
    const std::string& prematch = entry.regex->PrematchPattern().GetPattern();
    entry.prematch = prematch.empty() ? kNoPattern : atoms_.IdOf(prematch);
    entry.match = atoms_.IdOf(entry.regex->MatchPattern().GetPattern());
    SetAlso(entry);
    if (entry.prematch >= 0 || entry.match >= 0) ++ahead;
    entry.ahead = ahead;
  }
  // Either pattern's atoms must be found; one of them is enough to pick the rules worth a look.
  std::vector<int32_t> keys;
  keys.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    keys.push_back(entry.prematch >= 0 ? entry.prematch : entry.match >= 0 ? entry.match : kAlways);
  }
  atoms_.SetIndices(keys);
}

void RulePrefilter::SetAlso(Entry& entry) const {
  std::vector<int32_t> ids = atoms_.AlsoIdsOf(entry.regex->MatchPattern().GetPattern());
  const std::string& prematch = entry.regex->PrematchPattern().GetPattern();
  if (!prematch.empty()) {
    const std::vector<int32_t> more = atoms_.AlsoIdsOf(prematch);
    ids.insert(ids.end(), more.begin(), more.end());
  }
  for (size_t i = 0; i < ids.size() && i < entry.also.size(); ++i) entry.also[i] = ids[i];
}

void RulePrefilter::Judged() {
  state_ = TextState::kJudged;
  atoms_.Candidates(judged_.data(), candidates_);
}

size_t RulePrefilter::FilteredRuleCount() const {
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) {
    return e.prematch >= 0 || e.match >= 0;
  }));
}

void RulePrefilter::ScanWindow(LogTextStorage& storage, uint64_t index, uint64_t at_least) {
  window_first_ = index;
  window_lines_ = 0;
  uint64_t bytes = 0;
  const uint64_t count = storage.GetLineCount();
  while (index + window_lines_ < count &&
         (window_lines_ < at_least || (window_lines_ < kWindowLines && bytes < kWindowBytes))) {
    bytes += storage.PeekLine(index + window_lines_).size();
    ++window_lines_;
  }
  const size_t words = atoms_.Words();
  window_marks_.resize(window_lines_ * words);  // each scan sets its lines' marks
  window_joined_.assign(window_lines_, false);
  // The arena keeps lines back to back: each run of adjacent lines is one scan call.
  uint64_t line = 0;
  while (line < window_lines_) {
    const std::string_view first = storage.PeekLine(window_first_ + line);
    ends_.assign(1, first.size());
    uint64_t size = first.size();
    for (uint64_t next = line + 1; next < window_lines_; ++next) {
      if (!storage.FollowsPrevious(window_first_ + next)) break;
      size += storage.PeekLine(window_first_ + next).size();
      ends_.push_back(size);
      window_joined_[next] = true;
    }
    atoms_.Scan(std::string_view(first.data(), size), ends_, window_marks_.data() + line * words);
    line += ends_.size();
  }
}

void RulePrefilter::Remember(std::string_view text) {
  last_valid_ = text.size() <= kMaxKeptText;
  if (last_valid_) {
    last_text_.assign(text);
    last_marks_ = judged_;
  } else if (last_text_.capacity() > kMaxKeptText) {
    std::string().swap(last_text_);  // a huge text is not kept
  }
}

bool RulePrefilter::NewStoredLines(LogTextStorage& storage, uint64_t first, uint64_t count) {
  state_ = TextState::kNew;
  if (count == 0) return false;
  if (first < window_first_ || first + count > window_first_ + window_lines_) {
    ScanWindow(storage, first, count);
  }
  const uint64_t offset = first - window_first_;
  if (offset + count > window_lines_) return false;  // past the stored lines
  // A match across lines is marked on the line it ends in, and only when the lines were
  // scanned together: all of them must have been.
  const uint64_t* marks = window_marks_.data() + offset * atoms_.Words();
  judged_.assign(marks, marks + atoms_.Words());
  for (uint64_t line = offset + 1; line < offset + count; ++line) {
    if (!window_joined_[line]) return false;
    marks += atoms_.Words();
    for (size_t word = 0; word < atoms_.Words(); ++word) judged_[word] |= marks[word];
  }
  Judged();
  // Stored lines are recognised as such (the caller compares them); the last text judged is
  // kept for other texts only.
  last_valid_ = false;
  return true;
}

bool RulePrefilter::Judge(const Entry& entry, std::string_view text) {
  if (state_ == TextState::kNew) {
    if (last_valid_ && text == last_text_) {
      judged_ = last_marks_;
      Judged();
      return true;
    }
    state_ = TextState::kUnscanned;
  }
  if (entry.ahead < kMinRulesForScan) return false;
  judged_.resize(atoms_.Words());
  ends_.assign(1, text.size());
  atoms_.Scan(text, ends_, judged_.data());
  Judged();
  Remember(text);
  return true;
}

}  // namespace Qva
