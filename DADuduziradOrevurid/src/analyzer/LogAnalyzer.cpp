#include "analyzer/LogAnalyzer.h"

#include <utility>

#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/TextPool.h"

namespace Qva {
namespace {

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

}  // namespace

LogAnalyzer::LogAnalyzer(RuleSource rule_source) : rule_source_(std::move(rule_source)) {
  walk_.analyzer = this;
  walk_.listener = &listener_;
}

LogAnalyzer::~LogAnalyzer() = default;

void LogAnalyzer::Init(bool report) {
  storage_ = std::make_shared<LogTextStorage>();
  storage_->Rewind();
  walk_.storage = storage_.get();
  trace_outputer_ = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceDebug);
  trace_outputer_->SetTailLimit(kTraceTail);
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
  TextLines unit = walk_.TakeVector();
  AtExit give_back([&] {
    walk_.stored_unit = nullptr;
    walk_.GiveVector(unit);
  });
  // Not at the end as well: with a minimum of 0 the remaining-count test alone never fails.
  while (!storage_->AtEnd() && static_cast<uint64_t>(storage_->Remaining()) >=
                                   static_cast<uint64_t>(static_cast<uint32_t>(minimum))) {
    unit.resize(1);
    walk_.stored_unit_index = storage_->GetPosition();
    // A huge line is borrowed from the storage instead of copied, and given back below (also
    // when the walk throws).
    const uint64_t loan = storage_->LendLine(walk_.stored_unit_index, unit[0]);
    const std::string_view line = storage_->NextLine();
    if (loan == 0) unit[0].assign(line);
    AtExit give_line_back([&] {
      if (loan != 0) storage_->ReturnLine(loan, unit[0]);
      if (unit[0].capacity() > WalkShared::kKeptLineCapacity) Qve::QVEstring().swap(unit[0]);
    });
    walk_.stored_unit = &unit;
    errors += AnalyzeLines(unit);
    walk_.stored_unit = nullptr;
  }
  // Lines before the position are never read again (read-ahead looks forward only); an action
  // that analyzes again must not lose the lines of the walk that called it.
  if (!keep_all_lines_ && walk_.depth == 0) storage_->Release(storage_->GetPosition());
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

int32_t LogAnalyzer::AnalyzeLines(const TextLines& lines) { return Walk(lines); }

int32_t LogAnalyzer::Walk(const TextLines& lines) {
  if (!rules_manager_) return 0;
  RuleWalk walk(walk_, rules_manager_->GetRuleSnapshot(), lines);
  return walk.Run();
}

}  // namespace Qva
