#include "analyzer/RulePrefilter.h"

#include <hs/hs.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <typeinfo>

#include "analyzer/LogTextStorage.h"
#include "analyzer/PrefilterPattern.h"
#include "analyzer/RegexAnalyzeRule.h"

namespace Qva {
namespace {

// Every form is a choice of plain texts: the database is one of literals (compiled in a
// fraction of the time a database of expressions takes). Every match is reported: a window
// needs the forms of each line.
// On this kind of machine a scan of a short text costs about as much as four failing PCRE2
// tries; with fewer filtered rules ahead the rules are simply tried.
constexpr uint32_t kMinRulesForScan = 4;

// A window of stored lines: at most this many lines and bytes.
constexpr uint64_t kWindowLines = 1024;
constexpr uint64_t kWindowBytes = 1 << 20;

// Texts up to this size are kept for the comparison with the next text.
constexpr size_t kMaxKeptText = 64 * 1024;

void MarkAll(uint64_t* marks, size_t words) { std::fill(marks, marks + words, ~uint64_t{0}); }

// The texts of `form` as the database looks for them. A line starts after a "\n" or at the
// start of a scanned text: "^" becomes a "\n", and the start is checked apart (AnchoredTexts).
std::vector<std::string> FormTexts(const std::string& form) {
  std::vector<std::string> texts(1);
  for (size_t at = 0; at < form.size();) {
    if (form.compare(at, 3, "(?:") == 0) {
      at += 3;
    } else if (form[at] == ')') {
      ++at;
    } else if (form[at] == '|') {
      if (!texts.back().empty()) texts.emplace_back();
      ++at;
    } else if (form[at] == '^') {
      texts.back() += '\n';
      ++at;
    } else if (form[at] == '\\' && at + 3 < form.size() && form[at + 1] == 'x') {
      texts.back() += static_cast<char>(std::stoi(form.substr(at + 2, 2), nullptr, 16));
      at += 4;
    } else {
      texts.back() += form[at++];
    }
  }
  if (texts.back().empty()) texts.pop_back();
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  return texts;
}

// The texts that follow a "^" in `form`, up to the end of its branch.
std::vector<std::string> AnchoredTexts(const std::string& form) {
  std::vector<std::string> texts;
  for (size_t at = form.find('^'); at != std::string::npos; at = form.find('^', at)) {
    std::string& text = texts.emplace_back();
    for (++at; at < form.size() && form[at] != ')' && form[at] != '|';) {
      if (form[at] == '\\' && at + 3 < form.size() && form[at + 1] == 'x') {
        text += static_cast<char>(std::stoi(form.substr(at + 2, 2), nullptr, 16));
        at += 4;
      } else {
        text += form[at++];
      }
    }
  }
  return texts;
}

}  // namespace

struct RulePrefilter::Database {
  ~Database() {
    hs_free_scratch(scratch);
    hs_free_database(database);
  }
  hs_database_t* database = nullptr;
  hs_scratch_t* scratch = nullptr;
};

// One scan call over consecutive stored lines: `ends` holds the end offset of each line.
struct RulePrefilter::RunScan {
  RulePrefilter* self;
  uint64_t* marks;  // of the run's first line
  std::vector<uint64_t> ends;
  size_t line = 0;  // of the last match: matches mostly come in the order of their ends

  static int OnMatch(unsigned int id, unsigned long long /*from*/, unsigned long long to,
                     unsigned int /*flags*/, void* context) {
    auto* run = static_cast<RunScan*>(context);
    // The line that holds the match's last byte.
    const uint64_t last = to - 1;
    size_t& line = run->line;
    for (int step = 0; step < 4 && last >= run->ends[line]; ++step) ++line;
    if (last >= run->ends[line] || (line > 0 && last < run->ends[line - 1])) {
      line = static_cast<size_t>(std::upper_bound(run->ends.begin(), run->ends.end(), last) -
                                 run->ends.begin());
    }
    run->marks[line * run->self->words_ + (id >> 6)] |= uint64_t{1} << (id & 63);
    return 0;
  }
};

RulePrefilter::RulePrefilter() = default;
RulePrefilter::~RulePrefilter() = default;

void RulePrefilter::Follow(const std::shared_ptr<const RuleVector>& rules) {
  const uint64_t generation = RegexAnalyzeRule::PatternGeneration();
  if (rules == followed_ && generation == followed_generation_) return;
  followed_ = rules;
  followed_generation_ = generation;
  state_ = TextState::kNew;
  entries_.assign(rules ? rules->size() : 0, Entry{});

  std::vector<std::string> fresh;
  for (size_t i = 0; i < entries_.size(); ++i) {
    IAnalyzeRule* rule = (*rules)[i].get();
    // A derived class may decide otherwise than its patterns say.
    if (rule == nullptr || typeid(*rule) != typeid(RegexAnalyzeRule)) continue;
    auto* regex = static_cast<RegexAnalyzeRule*>(rule);
    entries_[i].regex = regex;
    RegexPattern& prematch = regex->PrematchPattern();
    if (!prematch.GetPattern().empty()) Classify(prematch.GetPattern(), prematch.Compiles(), fresh);
    Classify(regex->MatchPattern().GetPattern(), regex->MatchPattern().Compiles(), fresh);
  }
  if (!fresh.empty()) Rebuild(std::move(fresh));

  uint32_t ahead = 0;
  for (size_t i = entries_.size(); i-- > 0;) {
    Entry& entry = entries_[i];
    if (entry.regex == nullptr) {
      ahead = 0;
      continue;
    }
    const std::string& prematch = entry.regex->PrematchPattern().GetPattern();
    entry.prematch = prematch.empty() ? kNoPattern : IdOf(prematch);
    entry.match = IdOf(entry.regex->MatchPattern().GetPattern());
    if (entry.prematch >= 0 || entry.match >= 0) ++ahead;
    entry.ahead = ahead;
  }
  MapPositions();
}

void RulePrefilter::MapPositions() {
  position_words_ = (entries_.size() + 63) / 64;
  always_.assign(position_words_, 0);
  candidates_.assign(position_words_, 0);
  positions_of_.assign(forms_.size() * position_words_, 0);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    // Either form must be found; one of them is enough to pick the rules worth a look.
    const int32_t key = entry.prematch >= 0 ? entry.prematch : entry.match;
    uint64_t* bits =
        key >= 0 ? &positions_of_[static_cast<size_t>(key) * position_words_] : always_.data();
    bits[i >> 6] |= uint64_t{1} << (i & 63);
  }
}

void RulePrefilter::Judged() {
  state_ = TextState::kJudged;
  std::copy(always_.begin(), always_.end(), candidates_.begin());
  for (size_t word = 0; word < judged_.size(); ++word) {
    for (uint64_t bits = judged_[word]; bits != 0; bits &= bits - 1) {
      const size_t id = word * 64 + static_cast<size_t>(std::countr_zero(bits));
      if (id >= forms_.size()) return;  // all marked (a scan that could not run)
      const uint64_t* positions = &positions_of_[id * position_words_];
      for (size_t i = 0; i < position_words_; ++i) candidates_[i] |= positions[i];
    }
  }
}

void RulePrefilter::Classify(const std::string& pattern, bool valid,
                             std::vector<std::string>& fresh) {
  auto known = form_of_.find(pattern);
  if (known == form_of_.end()) {
    std::string form = valid && ReadsAlike(pattern) ? PrefilterForm(pattern) : std::string();
    known = form_of_.emplace(pattern, std::move(form)).first;
  }
  const std::string& form = known->second;
  if (!form.empty() && form_ids_.count(form) == 0 &&
      std::find(fresh.begin(), fresh.end(), form) == fresh.end()) {
    fresh.push_back(form);
  }
}

int32_t RulePrefilter::IdOf(const std::string& pattern) const {
  const auto form = form_of_.find(pattern);
  if (form == form_of_.end()) return kAlways;
  const auto id = form_ids_.find(form->second);
  return id != form_ids_.end() ? id->second : kAlways;
}

void RulePrefilter::Rebuild(std::vector<std::string> fresh) {
  // The database keeps every form it ever took, so that following an earlier list again
  // compiles nothing.
  std::vector<std::string> forms = forms_;
  for (std::string& form : fresh) forms.push_back(std::move(form));

  auto database = std::make_unique<Database>();
  while (!forms.empty()) {
    std::vector<std::string> texts;
    std::vector<unsigned int> ids;
    for (size_t i = 0; i < forms.size(); ++i) {
      for (std::string& text : FormTexts(forms[i])) {
        texts.push_back(std::move(text));
        ids.push_back(static_cast<unsigned int>(i));
      }
    }
    std::vector<const char*> pointers;
    std::vector<size_t> lengths;
    for (const std::string& text : texts) {
      pointers.push_back(text.data());
      lengths.push_back(text.size());
    }
    const std::vector<unsigned int> flags(texts.size(), 0);
    hs_compile_error_t* error = nullptr;
    if (hs_compile_lit_multi(pointers.data(), flags.data(), ids.data(), lengths.data(),
                             static_cast<unsigned int>(texts.size()), HS_MODE_BLOCK, nullptr,
                             &database->database, &error) == HS_SUCCESS) {
      break;
    }
    const int failed = error != nullptr ? error->expression : -1;
    hs_free_compile_error(error);
    if (failed < 0 || static_cast<size_t>(failed) >= texts.size()) {
      forms.clear();  // not the fault of one form: filter nothing
      break;
    }
    // The refused form stays out: the patterns that have it are always candidates.
    forms.erase(forms.begin() + ids[static_cast<size_t>(failed)]);
  }
  if (forms.empty() || database->database == nullptr ||
      hs_alloc_scratch(database->database, &database->scratch) != HS_SUCCESS) {
    forms.clear();
    database.reset();
  }
  forms_ = std::move(forms);
  form_ids_.clear();
  starts_.clear();
  for (size_t i = 0; i < forms_.size(); ++i) {
    form_ids_[forms_[i]] = static_cast<int32_t>(i);
    for (std::string& text : AnchoredTexts(forms_[i])) {
      const size_t length = text.size();
      auto bucket = std::find_if(starts_.begin(), starts_.end(),
                                 [length](const Starts& each) { return each.length == length; });
      if (bucket == starts_.end()) bucket = starts_.insert(starts_.end(), Starts{length, {}});
      bucket->sorted.emplace_back(std::move(text), static_cast<uint32_t>(i));
    }
  }
  for (Starts& bucket : starts_) std::sort(bucket.sorted.begin(), bucket.sorted.end());
  database_ = std::move(database);
  words_ = std::max<size_t>(1, (forms_.size() + 63) / 64);
  // Marks made with the old database are void.
  window_lines_ = 0;
  last_valid_ = false;
  state_ = TextState::kNew;
}

size_t RulePrefilter::FilteredRuleCount() const {
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) {
    return e.prematch >= 0 || e.match >= 0;
  }));
}

void RulePrefilter::ScanText(std::string_view text, uint64_t* marks) {
  std::fill(marks, marks + words_, 0);
  if (database_ == nullptr || text.size() > UINT_MAX) {
    MarkAll(marks, words_);
    return;
  }
  RunScan run{this, marks, {text.size()}};
  if (hs_scan(database_->database, text.data(), static_cast<unsigned int>(text.size()), 0,
              database_->scratch, &RunScan::OnMatch, &run) != HS_SUCCESS) {
    MarkAll(marks, words_);
    return;
  }
  MarkStarts(text, marks);
}

void RulePrefilter::MarkStarts(std::string_view text, uint64_t* marks) const {
  for (const Starts& bucket : starts_) {
    if (bucket.length > text.size()) continue;
    const std::string_view head = text.substr(0, bucket.length);
    auto at = std::lower_bound(bucket.sorted.begin(), bucket.sorted.end(), head,
                               [](const auto& entry, std::string_view key) {
                                 return std::string_view(entry.first) < key;
                               });
    for (; at != bucket.sorted.end() && at->first == head; ++at) {
      marks[at->second >> 6] |= uint64_t{1} << (at->second & 63);
    }
  }
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
  window_marks_.assign(window_lines_ * words_, 0);
  window_joined_.assign(window_lines_, false);
  // The arena keeps lines back to back: each run of adjacent lines is one scan call.
  uint64_t line = 0;
  while (line < window_lines_) {
    const std::string_view first = storage.PeekLine(window_first_ + line);
    RunScan run{this, window_marks_.data() + line * words_, {first.size()}};
    uint64_t size = first.size();
    for (uint64_t next = line + 1; next < window_lines_; ++next) {
      if (!storage.FollowsPrevious(window_first_ + next)) break;
      const std::string_view text = storage.PeekLine(window_first_ + next);
      size += text.size();
      run.ends.push_back(size);
      window_joined_[next] = true;
    }
    if (database_ == nullptr || size > UINT_MAX ||
        hs_scan(database_->database, first.data(), static_cast<unsigned int>(size), 0,
                database_->scratch, &RunScan::OnMatch, &run) != HS_SUCCESS) {
      MarkAll(run.marks, run.ends.size() * words_);
    } else {
      MarkStarts(std::string_view(first.data(), size), run.marks);
    }
    line += run.ends.size();
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
  if (database_ == nullptr || count == 0) return false;
  if (first < window_first_ || first + count > window_first_ + window_lines_) {
    ScanWindow(storage, first, count);
  }
  const uint64_t offset = first - window_first_;
  if (offset + count > window_lines_) return false;  // past the stored lines
  // A match across lines is marked on the line it ends in, and only when the lines were
  // scanned together: all of them must have been.
  const uint64_t* marks = window_marks_.data() + offset * words_;
  judged_.assign(marks, marks + words_);
  for (uint64_t line = offset + 1; line < offset + count; ++line) {
    if (!window_joined_[line]) return false;
    marks += words_;
    for (size_t word = 0; word < words_; ++word) judged_[word] |= marks[word];
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
  judged_.resize(words_);
  ScanText(text, judged_.data());
  Judged();
  Remember(text);
  return true;
}

}  // namespace Qva
