#include "analyzer/LogAnalyzer.h"

#include <utility>

#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TextPool.h"

namespace Qva {
namespace {

// Matches on these lines do not count as errors: the PostgreSQL language and extension scripts
// report errors that are expected.
bool IsExpectedErrorLine(const TextLines& current) {
  if (current.empty()) return false;
  const Qve::QVEstring& line = current.front();
  if (line.find("create_lang.sql") != Qve::QVEstring::npos) return true;
  return line.find("create_extension_postgis.sql") != Qve::QVEstring::npos &&
         line.find("create_extension_pgcrypto.sql") != Qve::QVEstring::npos;
}

// Runs `done` when the scope ends, also by an exception.
template <typename Done>
class AtExit {
 public:
  explicit AtExit(Done done) : done_(std::move(done)) {}
  ~AtExit() { done_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  Done done_;
};

// Whether a pattern is written for several lines: it names more than one line feed outside
// character classes ("[^:\n]" keeps a match on its line instead of leading it to the next).
bool SpansLines(std::string_view pattern) {
  int feeds = 0;
  bool in_class = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      if (!in_class && pattern[i + 1] == 'n') ++feeds;
      ++i;  // the escaped character
    } else if (!in_class && c == '[') {
      in_class = true;
      // A "]" first in the class (after an optional "^") is a member, not its end.
      if (i + 1 < pattern.size() && pattern[i + 1] == '^') ++i;
      if (i + 1 < pattern.size() && pattern[i + 1] == ']') ++i;
    } else if (in_class && c == '[' && i + 1 < pattern.size() && pattern[i + 1] == ':') {
      const size_t end = pattern.find(":]", i + 2);  // a POSIX class such as [:alpha:]
      if (end != std::string_view::npos) i = end + 1;
    } else if (in_class && c == ']') {
      in_class = false;
    }
  }
  return feeds > 1;
}

// A line copy above this size is not kept for the next line.
constexpr size_t kKeptLineCapacity = 64 * 1024;
// Spare vectors kept for nested walks.
constexpr size_t kMaxSpareVectors = 8;

}  // namespace

LogAnalyzer::LogAnalyzer(RuleSource rule_source) : rule_source_(std::move(rule_source)) {}

LogAnalyzer::~LogAnalyzer() = default;

void LogAnalyzer::Init(bool report) {
  storage_ = std::make_shared<LogTextStorage>();
  storage_->Rewind();
  trace_outputer_ = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceDebug);
  Qve::QVTracer::Instance().AddOutputer(trace_outputer_);
  rules_manager_ = std::make_shared<LogAnalyzerRulesManager>(this, actions_, rule_source_);
  if (!user_rule_files_.empty()) rules_manager_->SetUserRuleFiles(user_rule_files_, keep_going_);
  rules_manager_->Init(report);
}

void LogAnalyzer::AddText(const Qve::QVEstring& text) {
  if (storage_) storage_->AddText(text);
}

int32_t LogAnalyzer::AnalyzeAvailable(int32_t minimum) {
  int32_t errors = 0;
  if (!storage_) return errors;
  // The line is handed to the walk in a reused vector and string: no allocation per line.
  TextLines unit = TakeVector();
  AtExit give_back([&] {
    stored_unit_ = nullptr;
    GiveVector(unit);
  });
  // Not at the end as well: with a minimum of 0 the remaining-count test alone never fails.
  while (!storage_->AtEnd() && static_cast<uint64_t>(storage_->Remaining()) >=
                                   static_cast<uint64_t>(static_cast<uint32_t>(minimum))) {
    unit.resize(1);
    stored_unit_index_ = storage_->GetPosition();
    // A huge line is borrowed from the storage instead of copied, and given back below (also
    // when the walk throws).
    const uint64_t loan = storage_->LendLine(stored_unit_index_, unit[0]);
    const std::string_view line = storage_->NextLine();
    if (loan == 0) unit[0].assign(line);
    AtExit give_line_back([&] {
      if (loan != 0) storage_->ReturnLine(loan, unit[0]);
      if (unit[0].capacity() > kKeptLineCapacity) Qve::QVEstring().swap(unit[0]);
    });
    stored_unit_ = &unit;
    errors += AnalyzeLines(unit);
    stored_unit_ = nullptr;
  }
  return errors;
}

int32_t LogAnalyzer::AnalyzeReady(int32_t window) {
  int32_t errors = 0;
  while (storage_ && !storage_->AtEnd()) {
    const int64_t remaining = storage_->Remaining();
    if (remaining >= window) {
      errors += AnalyzeAvailable(window);
    } else if (!MayBeginMultiLineMatch()) {
      // Exactly one line (or the lines a multi-line rule takes with it).
      errors += AnalyzeAvailable(static_cast<int32_t>(remaining));
    } else {
      break;
    }
  }
  return errors;
}

bool LogAnalyzer::MayBeginMultiLineMatch() {
  if (!rules_manager_) return false;
  const std::shared_ptr<const RuleVector> snapshot = rules_manager_->GetRuleSnapshot();
  Qve::QVEstring text;
  for (const std::shared_ptr<IAnalyzeRule>& rule : *snapshot) {
    auto* regex = dynamic_cast<RegexAnalyzeRule*>(rule.get());
    if (regex == nullptr || !SpansLines(regex->MatchPattern().GetPattern())) continue;
    if (text.empty()) {
      for (uint64_t i = storage_->GetPosition(); i < storage_->GetLineCount(); ++i) {
        text += storage_->PeekLine(i);
      }
    }
    using Outlook = RegexPattern::Outlook;
    const Outlook match = regex->MatchPattern().OutlookFor(text);
    const Outlook prematch = regex->PrematchPattern().GetPattern().empty()
                                 ? Outlook::kSettled
                                 : regex->PrematchPattern().OutlookFor(text);
    if (match == Outlook::kNever || prematch == Outlook::kNever) continue;
    if (match == Outlook::kOpen || prematch == Outlook::kOpen) return true;
  }
  return false;
}

Qve::QVEstring LogAnalyzer::GetTraceText() {
  return trace_outputer_ ? trace_outputer_->GetText() : Qve::QVEstring();
}

void LogAnalyzer::SetCommand(const Qve::QVEstring& command) { command_ = command; }

Qve::QVEstring LogAnalyzer::GetCommand() { return command_; }

void LogAnalyzer::AppendRunValues(TextLines& groups) const {
  static const char* const kOptionsBeforeCommand[] = {"import_ver_info", "import_db", "import_host",
                                                      "export_path"};
  Qve::QVEstring value;
  for (const char* key : kOptionsBeforeCommand) {
    GetOption(Qve::kQVOptCString, key, &value);
    groups.push_back(value);
  }
  groups.push_back(command_);
  GetOption(Qve::kQVOptCString, "report_dir", &value);
  groups.push_back(value);
}

int32_t LogAnalyzer::AnalyzeLines(const TextLines& lines) { return Walk(lines); }

bool LogAnalyzer::StoredRun(const TextLines& texts) const {
  const uint64_t first = stored_unit_index_;
  if (texts.empty() || first + texts.size() > storage_->GetLineCount()) return false;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string_view line = storage_->PeekLine(first + i);
    if (texts[i].size() != line.size()) return false;
    // A borrowed line is the stored one itself.
    if (texts[i].data() != line.data() && texts[i] != line) return false;
  }
  return true;
}

TextLines LogAnalyzer::TakeVector() {
  if (spare_vectors_.empty()) return {};
  TextLines texts = std::move(spare_vectors_.back());
  spare_vectors_.pop_back();
  return texts;
}

void LogAnalyzer::GiveVector(TextLines& texts) {
  TextPool::ForThread().Recycle(texts);
  if (spare_vectors_.size() < kMaxSpareVectors) spare_vectors_.push_back(std::move(texts));
}

int32_t LogAnalyzer::Walk(const TextLines& lines) {
  if (!rules_manager_) return 0;
  // One snapshot per unit: rules activated by actions take part from the next unit.
  const std::shared_ptr<const RuleVector> snapshot = rules_manager_->GetRuleSnapshot();
  const RuleVector& rules = *snapshot;
  const size_t count = rules.size();
  // The prefilter and the joined text belong to the outermost walk; a walk started by an
  // action tries every rule.
  RulePrefilter* prefilter = nullptr;
  if (prefilter_enabled_ && walk_depth_ == 0) {
    prefilter = &prefilter_;
    prefilter->Follow(snapshot);
  }
  // A line handed out by AnalyzeAvailable (and the line runs the rules take from the storage
  // there) are judged with the lines stored after them, scanned together.
  const bool stored = prefilter != nullptr && &lines == stored_unit_ && storage_;
  auto new_text = [&](const TextLines& texts, bool known_stored) {
    if (prefilter == nullptr) return;
    if (stored && (known_stored || StoredRun(texts)) &&
        prefilter->NewStoredLines(*storage_, stored_unit_index_, texts.size())) {
      return;
    }
    prefilter->NewText();
  };
  new_text(lines, true);  // AnalyzeAvailable has just copied (or lent) the stored line
  Qve::QVEstring nested_join;
  Qve::QVEstring& join = walk_depth_ == 0 ? joined_ : nested_join;
  ++walk_depth_;
  // The rules after a match see its groups: two vectors take turns as groups and current.
  TextLines turn_a = TakeVector();
  TextLines turn_b = TakeVector();
  AtExit done([&] {
    --walk_depth_;
    GiveVector(turn_a);
    GiveVector(turn_b);
    if (joined_.capacity() > kKeptLineCapacity) Qve::QVEstring().swap(joined_);
  });
  const TextLines* current = &lines;
  TextLines* groups = &turn_a;

  // The text the rules search: the current lines joined, made once per set of lines.
  std::string_view text;
  bool text_ready = false;
  auto subject = [&]() -> std::string_view {
    if (!text_ready) {
      text_ready = true;
      if (current->size() == 1) {
        text = current->front();
      } else {
        // Sized first: a huge line is joined without growing the buffer twice its size.
        size_t size = 0;
        for (const Qve::QVEstring& line : *current) size += line.size();
        join.clear();
        join.reserve(size);
        for (const Qve::QVEstring& line : *current) join += line;
        text = join;
      }
    }
    return text;
  };

  // Index of the line being analyzed, read again after anything that may have moved the
  // storage: an action, and the check of a custom rule (also an action).
  bool storage_moved = true;
  int64_t line_index = -1;
  auto current_line_index = [&] {
    if (storage_moved) {
      line_index = storage_ ? static_cast<int64_t>(storage_->GetPosition()) - 1 : -1;
      storage_moved = false;
    }
    return line_index;
  };

  int32_t errors = 0;
  int32_t restarts = 0;
  size_t i = 0;
  while (i < count) {
    RegexAnalyzeRule* regex = prefilter != nullptr ? prefilter->RegexAt(i) : nullptr;
    // A rule the prefilter rules out is not tried (and its line index not set).
    if (regex != nullptr && !prefilter->MayMatch(i, subject)) {
      ++i;
      continue;
    }
    IAnalyzeRule& rule = *rules[i];
    int32_t result = 0;
    if (regex != nullptr) {
      // Exactly a RegexAnalyzeRule: no action runs unless it matches.
      regex->IAnalyzeRule::SetLineIndex(current_line_index());
      result = regex->AnalyzeText(this, subject(), *current, *groups);
    } else {
      rule.SetLineIndex(current_line_index());
      result = rule.Analyze(this, *current, *groups);
      storage_moved = true;
    }
    if (result == 0) {
      ++i;
      continue;
    }
    storage_moved = true;
    if (listener_) listener_(rule, *current, *groups);
    if (rule.GetKind() == RuleKind::kError && !IsExpectedErrorLine(*current)) ++errors;
    // The following rules see the groups as the actions left them.
    current = groups;
    groups = groups == &turn_a ? &turn_b : &turn_a;
    TextPool::ForThread().Recycle(*groups);
    text_ready = false;
    if (join.capacity() > kKeptLineCapacity) Qve::QVEstring().swap(join);
    if (prefilter != nullptr) {
      prefilter->Follow(snapshot);  // an action may have changed a pattern
      new_text(*current, false);
    }

    const int32_t behavior = rule.GetBehavior();
    if (behavior == RuleBehavior::kHardStop) break;
    if (behavior == RuleBehavior::kSoftStop) {
      // Past this priority run, and past the first rule after it.
      const int32_t priority = rule.GetPriority();
      size_t next = i + 1;
      while (next < count && rules[next]->GetPriority() == priority) ++next;
      i = next + 1;
      continue;
    }
    if (behavior == RuleBehavior::kSoftReturn || behavior == RuleBehavior::kHardReturn) {
      if (++restarts > kMaxWalkRestarts) {
        if (!restart_bound_traced_) {
          restart_bound_traced_ = true;
          Qve::QVTracer::Instance().Trace(
              Qve::kQVTraceWarning, "LogAnalyzer",
              "Rule %s restarted the rule walk more than %d times on one line; walk stopped",
              rule.GetName().c_str(), kMaxWalkRestarts);
        }
        break;
      }
      size_t start = 1;
      if (behavior == RuleBehavior::kSoftReturn) {
        const int32_t priority = rule.GetPriority();
        size_t first = i;
        while (first > 0 && rules[first - 1]->GetPriority() == priority) --first;
        if (first > 0) start = first;
      }
      i = start;
      continue;
    }
    ++i;  // NONSTOP and unknown behaviours
  }
  return errors;
}

}  // namespace Qva
