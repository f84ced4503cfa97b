#include "analyzer/LogAnalyzer.h"

#include <utility>

#include "analyzer/RuleKeywords.h"

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

}  // namespace

LogAnalyzer::LogAnalyzer(RuleSource rule_source) : rule_source_(std::move(rule_source)) {}

LogAnalyzer::~LogAnalyzer() = default;

void LogAnalyzer::Init(bool report) {
  storage_ = std::make_shared<LogTextStorage>();
  storage_->Rewind();
  trace_outputer_ = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceDebug);
  Qve::QVTracer::Instance().AddOutputer(trace_outputer_);
  rules_manager_ = std::make_shared<LogAnalyzerRulesManager>(this, rule_source_);
  rules_manager_->Init(report);
}

void LogAnalyzer::AddText(const Qve::QVEstring& text) {
  if (storage_) storage_->AddText(text);
}

int32_t LogAnalyzer::AnalyzeAvailable(int32_t minimum) {
  int32_t errors = 0;
  if (!storage_) return errors;
  // Not at the end as well: with a minimum of 0 the remaining-count test alone never fails.
  while (!storage_->AtEnd() && static_cast<uint64_t>(storage_->Remaining()) >=
                                   static_cast<uint64_t>(static_cast<uint32_t>(minimum))) {
    errors += AnalyzeLines(storage_->GetLine());
  }
  return errors;
}

Qve::QVEstring LogAnalyzer::GetTraceText() {
  return trace_outputer_ ? trace_outputer_->GetText() : Qve::QVEstring();
}

void LogAnalyzer::SetCommand(const Qve::QVEstring& command) { command_ = command; }

Qve::QVEstring LogAnalyzer::GetCommand() { return command_; }

int32_t LogAnalyzer::AnalyzeLines(const TextLines& lines) { return Walk(lines); }

int32_t LogAnalyzer::Walk(TextLines current) {
  if (!rules_manager_) return 0;
  // One snapshot per unit: rules activated by actions take part from the next unit.
  const std::shared_ptr<const RuleVector> snapshot = rules_manager_->GetRuleSnapshot();
  const RuleVector& rules = *snapshot;
  const size_t count = rules.size();
  TextLines groups;
  int32_t errors = 0;
  int32_t restarts = 0;
  size_t i = 0;
  while (i < count) {
    IAnalyzeRule& rule = *rules[i];
    // Read for every rule: an action of an earlier, non-stopping rule may move the storage.
    rule.SetLineIndex(storage_ ? static_cast<int64_t>(storage_->GetPosition()) - 1 : -1);
    if (rule.Analyze(this, current, groups) == 0) {
      ++i;
      continue;
    }
    if (listener_) listener_(rule, current, groups);
    if (rule.GetKind() == RuleKind::kError && !IsExpectedErrorLine(current)) ++errors;
    // The following rules see the groups as the actions left them.
    current.swap(groups);
    groups.clear();

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
