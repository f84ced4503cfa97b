#include "launcher/ExplainLauncher.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <set>

#include "QVEBoundedRead.h"
#include "analyzer/RuleSamples.h"
#include "analyzer/UserRuleFiles.h"
#include "launcher/AnalyzerSetup.h"
#include "launcher/TraceLogText.h"

namespace Qva {
namespace {

// A saved log is analyzed in memory as a whole; an import's trace of millions of lines fits.
constexpr uint64_t kMaxExplainedLogSize = 256 * 1024 * 1024;

const char* OutcomeText(const ImportObject& object) {
  switch (object.Classify()) {
    case ImportOutcome::kFailed:
      return "Failed";
    case ImportOutcome::kSucceededWithWarning:
      return "Warning";
    default:
      return "Ok";
  }
}

std::string ObjectText(const ImportObject* object) {
  if (object == nullptr) return "none";
  return std::string(ImportObjectTypeName(object->type)) + " " + object->name;
}

std::string WithoutLineFeed(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

int32_t ExplainLauncher::Initialize(const Qve::QVEstring& analyzer_name) {
  if (!config_.analyzed_target) {
    std::fprintf(stderr, "-EXPLAIN needs -D= with the target database of the log\n");
    return 2;
  }
  const Qve::QVEstring& path = config_.explain_log;
  const Qve::QVBoundedCheck check = Qve::ReadBoundedFile(path, kMaxExplainedLogSize, log_);
  if (check != Qve::QVBoundedCheck::kRegular) {
    std::fprintf(stderr, "%s\n",
                 Qve::DescribeBoundedRefusal(path, check, kMaxExplainedLogSize).c_str());
    return 2;
  }
  from_trace_ = IsTraceLog(log_);
  if (from_trace_) log_ = TraceLogToOutput(log_, trace_verdicts_);

  // The actions report to the console and the trace: the explanation alone is wanted.
  Qve::QVTracer::Instance().SetAllLevels(Qve::kQVTraceOff);
  analyzer_ = std::make_shared<LogAnalyzer>();
  actions_ = SetUpAnalyzer(*analyzer_, RunSettingsFor(config_, analyzer_name, false));
  analyzer_->SetUserRuleFiles(ListUserRuleFiles(config_.user_rules));
  try {
    analyzer_->Init(false);
  } catch (const UserRuleFault& fault) {
    std::fprintf(stderr, "%s\n", fault.what());
    return 2;
  }
  // The trace keeps the script's announcement of its target only as rewritten ("Importing to
  // DBMS: ..."), which no rule reads: the target's rules are active from the start, as that
  // line would have made them.
  if (from_trace_) {
    const int32_t group =
        RuleGroup::Find(ImpLogAnalyzerActionManager::RuleGroupNameFor(config_.target_db));
    if (group >= 0) analyzer_->GetRulesManager()->ActivateGroup(group);
  }
  return 0;
}

void ExplainLauncher::Record(const IAnalyzeRule& rule) {
  std::string actions;
  for (const Qve::QVEstring& name : rule.GetActionNames()) {
    if (!actions.empty()) actions += ", ";
    actions += name;
  }
  const ImportStatistics& stats = actions_->GetStatistics();
  matches_[rule.GetLineIndex()].push_back(Match{
      DescribeRule(rule), actions.empty() ? "none" : actions, ObjectText(stats.GetNewestObject())});
}

int32_t ExplainLauncher::Run() {
  analyzer_->SetMatchListener(
      [this](const IAnalyzeRule& rule, const TextLines&, const TextLines&) { Record(rule); });
  analyzer_->SetCommand(actions_->GetRunSettings().command);
  analyzer_->SetKeepAllLines(true);  // PrintLines lists them all afterwards
  analyzer_->AddText(log_);
  const int32_t errors = analyzer_->AnalyzeAvailable(1);
  const int32_t trace_errors = CollectTraceOnly();
  PrintLines();
  PrintObjects();
  std::fflush(stdout);
  return errors + trace_errors > 0 ? 1 : 0;
}

int32_t ExplainLauncher::CollectTraceOnly() {
  std::set<uint64_t> judged;
  for (const ImportObject& object : actions_->GetStatistics().GetObjects()) {
    for (const auto& entry : object.stats) judged.insert(entry->GetLineId());
  }
  int32_t errors = 0;
  for (uint64_t index = 0; index < trace_verdicts_.size(); ++index) {
    const TraceVerdict verdict = trace_verdicts_[index];
    if (verdict == TraceVerdict::kNone || judged.count(index) != 0) continue;
    // The object current at the line: that of the last rule that matched it or a line before.
    auto at = matches_.upper_bound(static_cast<int64_t>(index));
    const std::string object =
        at == matches_.begin() ? "none" : std::prev(at)->second.back().object;
    trace_only_[index] = verdict;
    trace_only_of_[object].push_back(index);
    if (verdict == TraceVerdict::kError) ++errors;
  }
  return errors;
}

const char* ExplainLauncher::TraceOnlyText(uint64_t index) const {
  return trace_only_.at(index) == TraceVerdict::kError ? "error" : "warning";
}

void ExplainLauncher::PrintLines() const {
  LogTextStorage& storage = *analyzer_->GetStorage();
  for (uint64_t index = 0; index < storage.GetLineCount(); ++index) {
    std::printf("%llu: %s\n", static_cast<unsigned long long>(index),
                WithoutLineFeed(storage.PeekLine(index)).c_str());
    if (trace_only_.count(index) != 0) {
      std::printf(
          "    %s of the run (tagged in the trace); no rule takes the line as the trace "
          "wrote it\n",
          TraceOnlyText(index));
    }
    const auto found = matches_.find(static_cast<int64_t>(index));
    if (found == matches_.end()) {
      std::printf("    no rule of its own (read with an earlier line)\n");
      continue;
    }
    const std::vector<Match>& matches = found->second;
    for (size_t i = 0; i < matches.size(); ++i) {
      const Match& match = matches[i];
      std::printf("    %s %s; actions: %s; object: %s\n",
                  i + 1 == matches.size() ? "decided by" : "matched", match.rule.c_str(),
                  match.actions.c_str(), match.object.c_str());
    }
  }
}

void ExplainLauncher::PrintObjects() const {
  const ImportStatistics& stats = actions_->GetStatistics();
  std::printf("Objects:\n");
  for (const ImportObject& object : stats.GetObjects()) {
    std::string lines;
    for (const auto& entry : object.stats) {
      lines += lines.empty() ? "; " : ", ";
      lines += entry->GetType() == kStatKindError ? "error" : "warning";
      lines += " at line " + std::to_string(entry->GetLineId());
      const auto found = matches_.find(static_cast<int64_t>(entry->GetLineId()));
      if (found != matches_.end()) lines += " (" + found->second.back().rule + ")";
    }
    const char* outcome = OutcomeText(object);
    const auto trace_only = trace_only_of_.find(ObjectText(&object));
    if (trace_only != trace_only_of_.end()) {
      for (uint64_t index : trace_only->second) {
        lines += lines.empty() ? "; " : ", ";
        lines += std::string(TraceOnlyText(index)) + " at line " + std::to_string(index) +
                 " (tagged in the trace)";
        if (trace_only_.at(index) == TraceVerdict::kError) outcome = "Failed";
        if (trace_only_.at(index) == TraceVerdict::kWarning && outcome == std::string("Ok")) {
          outcome = "Warning";
        }
      }
    }
    std::printf("  %s: %s%s\n", ObjectText(&object).c_str(), outcome, lines.c_str());
  }
}

}  // namespace Qva
