#include "analyzer/RuleWalk.h"

#include "QVETrace.h"
#include "analyzer/ExpectedErrors.h"
#include "analyzer/LogTextStorage.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RulePrefilter.h"
#include "analyzer/TextPool.h"

namespace Qva {

namespace {

// Spare vectors kept for nested walks.
constexpr size_t kMaxSpareVectors = 8;

}  // namespace

TextLines WalkShared::TakeVector() {
  if (spare_vectors.empty()) return {};
  TextLines texts = std::move(spare_vectors.back());
  spare_vectors.pop_back();
  return texts;
}

void WalkShared::GiveVector(TextLines& texts) {
  TextPool::ForThread().Recycle(texts);
  if (spare_vectors.size() < kMaxSpareVectors) spare_vectors.push_back(std::move(texts));
}

bool WalkShared::StoredRun(const TextLines& texts) const {
  const uint64_t first = stored_unit_index;
  if (texts.empty() || first + texts.size() > storage->GetLineCount()) return false;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string_view line = storage->PeekLine(first + i);
    if (texts[i].size() != line.size()) return false;
    // A borrowed line is the stored one itself.
    if (texts[i].data() != line.data() && texts[i] != line) return false;
  }
  return true;
}

RuleWalk::RuleWalk(WalkShared& shared, std::shared_ptr<const RuleVector> rules,
                   const TextLines& lines)
    : shared_(shared),
      snapshot_(std::move(rules)),
      rules_(*snapshot_),
      count_(rules_.size()),
      turn_a_(shared.TakeVector()),
      turn_b_(shared.TakeVector()),
      current_(&lines),
      join_(shared.depth == 0 ? shared.joined : nested_join_) {
  // The prefilter and the joined text belong to the outermost walk; a walk started by an
  // action tries every rule.
  if (shared_.prefilter_enabled && shared_.depth == 0) {
    prefilter_ = &shared_.prefilter;
    prefilter_->Follow(snapshot_);
  }
  // A line handed out by AnalyzeAvailable (and the line runs the rules take from the storage
  // there) are judged with the lines stored after them, scanned together.
  stored_ = prefilter_ != nullptr && &lines == shared_.stored_unit && shared_.storage != nullptr;
  NewText(lines, true);  // AnalyzeAvailable has just copied (or lent) the stored line
  ++shared_.depth;       // last: the destructor undoes it
}

RuleWalk::~RuleWalk() {
  --shared_.depth;
  shared_.GiveVector(turn_a_);
  shared_.GiveVector(turn_b_);
  Qve::QVEstring& joined = shared_.joined;
  if (joined.capacity() > WalkShared::kKeptLineCapacity) Qve::QVEstring().swap(joined);
}

int32_t RuleWalk::Run() {
  size_t position = 0;
  while (position < count_) {
    if (prefilter_ != nullptr) {
      position = prefilter_->NextCandidate(position);
      if (position >= count_) break;
    }
    if (!TryRule(position)) {
      ++position;
      continue;
    }
    const IAnalyzeRule& rule = *rules_[position];
    AfterMatch(rule);
    position = NextAfter(rule, position);
    // The prefilter learns the groups only when a rule is left to try them (most matches end
    // the walk).
    if (position < count_ && prefilter_ != nullptr) {
      prefilter_->Follow(snapshot_);  // an action may have changed a pattern
      NewText(*current_, false);
    }
  }
  return errors_;
}

std::string_view RuleWalk::Subject() { return text_ready_ ? text_ : MakeSubject(); }

std::string_view RuleWalk::MakeSubject() {
  text_ready_ = true;
  if (current_->size() == 1) {
    text_ = current_->front();
  } else {
    // Sized first: a huge line is joined without growing the buffer twice its size.
    size_t size = 0;
    for (const Qve::QVEstring& line : *current_) size += line.size();
    join_.clear();
    join_.reserve(size);
    for (const Qve::QVEstring& line : *current_) join_ += line;
    text_ = join_;
  }
  return text_;
}

int64_t RuleWalk::LineIndex() {
  if (storage_moved_) {
    LogTextStorage* storage = shared_.storage;
    line_index_ = storage != nullptr ? static_cast<int64_t>(storage->GetPosition()) - 1 : -1;
    storage_moved_ = false;
  }
  return line_index_;
}

void RuleWalk::NewText(const TextLines& texts, bool known_stored) {
  if (prefilter_ == nullptr) return;
  if (stored_ && (known_stored || shared_.StoredRun(texts)) &&
      prefilter_->NewStoredLines(*shared_.storage, shared_.stored_unit_index, texts.size())) {
    return;
  }
  prefilter_->NewText();
}

bool RuleWalk::TryRule(size_t position) {
  RegexAnalyzeRule* regex = prefilter_ != nullptr ? prefilter_->RegexAt(position) : nullptr;
  if (regex != nullptr) {
    if (!prefilter_->MayMatch(position, [this] { return Subject(); })) return false;
    // Exactly a RegexAnalyzeRule: no action runs unless it matches.
    regex->IAnalyzeRule::SetLineIndex(LineIndex());
    return regex->AnalyzeText(shared_.analyzer, Subject(), *current_, *groups_) != 0;
  }
  IAnalyzeRule& rule = *rules_[position];
  rule.SetLineIndex(LineIndex());
  const int32_t result = rule.Analyze(shared_.analyzer, *current_, *groups_);
  storage_moved_ = true;
  return result != 0;
}

void RuleWalk::AfterMatch(const IAnalyzeRule& rule) {
  storage_moved_ = true;
  if (shared_.listener != nullptr && *shared_.listener)
    (*shared_.listener)(rule, *current_, *groups_);
  if (rule.GetKind() == RuleKind::kError && !IsExpectedErrorLine(*current_)) ++errors_;
  // The following rules see the groups as the actions left them.
  current_ = groups_;
  groups_ = groups_ == &turn_a_ ? &turn_b_ : &turn_a_;
  TextPool::ForThread().Recycle(*groups_);
  text_ready_ = false;
  if (join_.capacity() > WalkShared::kKeptLineCapacity) Qve::QVEstring().swap(join_);
}

size_t RuleWalk::NextAfter(const IAnalyzeRule& rule, size_t position) {
  const int32_t behavior = rule.GetBehavior();
  switch (behavior) {
    case RuleBehavior::kHardStop:
      return kEnd;
    case RuleBehavior::kSoftStop:
      return NextAfterSoftStop(rule.GetPriority(), position);
    case RuleBehavior::kSoftReturn:
    case RuleBehavior::kHardReturn:
      return NextAfterReturn(rule, behavior, position);
    default:
      return position + 1;  // NONSTOP and unknown behaviours
  }
}

size_t RuleWalk::NextAfterSoftStop(int32_t priority, size_t position) const {
  size_t next = position + 1;
  while (next < count_ && rules_[next]->GetPriority() == priority) ++next;
  return next + 1;
}

size_t RuleWalk::NextAfterReturn(const IAnalyzeRule& rule, int32_t behavior, size_t position) {
  if (++restarts_ > kMaxRestarts) {
    // Traced once per analyzer: a looping rule would fill the trace otherwise.
    if (!shared_.restart_bound_traced) {
      shared_.restart_bound_traced = true;
      Qve::QVTracer::Instance().Trace(
          Qve::kQVTraceWarning, "LogAnalyzer",
          "Rule %s restarted the rule walk more than %d times on one line; walk stopped",
          rule.GetName().c_str(), kMaxRestarts);
    }
    return kEnd;
  }
  if (behavior == RuleBehavior::kHardReturn) return 1;
  // The first rule of the matching rule's priority run; the second rule when that run starts
  // the list.
  const int32_t priority = rule.GetPriority();
  size_t first = position;
  while (first > 0 && rules_[first - 1]->GetPriority() == priority) --first;
  return first > 0 ? first : 1;
}

}  // namespace Qva
