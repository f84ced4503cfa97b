// The end of scripts, of ImportActions: finished lines, and an import script whose output ends
// before the top-level script's finished line.
#include <string_view>

#include "QVETimeStamp.h"
#include "QVETrace.h"
#include "actions/ActionGroups.h"
#include "actions/ImportActions.h"
#include "events/WizzardController.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace {

constexpr uint32_t kLogLevel = Qve::kQVTraceOutput;
constexpr std::string_view kFinishedHead = "Import script ";
constexpr std::string_view kFinishedTail = " finished";

// The script a shell script's finished line names ("Import script NAME finished"); empty for
// any other line, such as the Windows "rem End script".
std::string_view NamedScript(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (!line.starts_with(kFinishedHead) || !line.ends_with(kFinishedTail)) return {};
  line.remove_prefix(kFinishedHead.size());
  line.remove_suffix(kFinishedTail.size());
  return line;
}

// A script name as both ends of a script give it: the start line names "tables" where the
// finished line names "tables.sh", and either may carry a folder.
std::string_view ScriptKey(std::string_view name) {
  const size_t cut = name.find_last_of("/\\");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  if (name.size() > 3 && name.ends_with(".sh")) name.remove_suffix(3);
  return name;
}

uint64_t LineId(const IAnalyzeRule& rule) { return static_cast<uint64_t>(rule.GetLineIndex()); }

}  // namespace

Qve::QVEstring ScriptEnd::Describe() const {
  const std::string number_text = std::to_string(number);
  switch (kind) {
    case Kind::kExited:
      return "exit status " + number_text;
    case Kind::kKilled:
      return "signal " + number_text + " (" + signal_name + ")";
    case Kind::kStopped:
      return "stop signal " + number_text + " (" + signal_name + ")";
    case Kind::kUnknown:
      break;
  }
  return "unknown exit status";
}

int32_t ImportActions::FinishScript(void* context, const TextLines&, TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  Qve::QVTracer::Instance().Debug("Analyze action", "Rule %s", rule.GetName().c_str());
  // Scripts that died without their own finished line would otherwise take this line as theirs.
  if (std::shared_ptr<CallFileTree> named =
          FindOpenScript(Qve::QVEstring(NamedScript(Group(groups, 0))))) {
    while (current_script_ != named) CloseUnfinishedScript(LineId(rule));
  }
  EndCurrentScript();
  return 0;
}

void ImportActions::EndCurrentScript() {
  const Qve::QVEstring finishing =
      current_script_ ? current_script_->GetDisplayName() : Qve::QVEstring();
  if (ImportObject* newest = statistics_.GetNewestObject()) newest->endTime.SetNow();
  Qve::QVEstring return_name;
  if (ReturnToCaller()) return_name = current_script_->GetDisplayName();

  if (!return_name.empty()) {
    log_->Log(kLogLevel, finishing.c_str(), "Finish call script. Return to %s.",
              return_name.c_str());
    events_->FinishedImportEvent(finishing.c_str());
    events_->FinishScript();
    return;
  }
  // The top-level script ended (also a called script whose caller has no name).
  import_finished_ = true;
  log_->Log(kLogLevel, finishing.c_str(), "%s", "Finish script");
  statistics_.SetFinishTime(Qve::QVTimeStamp::Now().Text());
  PrintImportFinished();
  if (settings_.report) {
    CollectReportStatistics();
    events_->SetFinalCounts(statistics_.GetSucceeded(), statistics_.GetFailed(),
                            statistics_.GetWithWarnings());
  }
}

void ImportActions::PrintImportFinished() {
  for (const Qve::QVEstring& line : statistics_.SummaryLines(settings_.command)) {
    log_->Log(kLogLevel, "", "%s", line.c_str());
  }
}

void ImportActions::CollectReportStatistics() {
  const RunSettings& run = settings_;
  const uint32_t rounds = statistics_.CollectReportStatistics(
      run.version_info, run.target_db, run.target_host, run.export_path, run.report_dir);
  if (rounds > 0) report_->UpdateObjects(statistics_, rounds);
  report_->UpdateErrorTable(statistics_);
}

std::shared_ptr<CallFileTree> ImportActions::FindOpenScript(const Qve::QVEstring& named) const {
  if (named.empty()) return nullptr;
  const std::string_view key = ScriptKey(named);
  for (std::shared_ptr<CallFileTree> node = current_script_; node; node = node->GetParent()) {
    if (ScriptKey(node->GetFileName()) == key) return node;
  }
  return nullptr;
}

void ImportActions::CloseUnfinishedScript(uint64_t id) {
  RecordScriptEndError(
      id, "Import script " + current_script_->GetDisplayName() + " stopped before its end", true);
  current_tool_.reset();
  EndCurrentScript();
}

void ImportActions::RecordScriptEndError(uint64_t id, const Qve::QVEstring& text, bool on_object) {
  log_->Error(id, SourceTitle().c_str(), text);
  report_->AddError(id, text);
  StatError entry;
  entry.errTxt = text;
  entry.workingFile = current_tool_ ? current_tool_->GetWorkingFile() : Qve::QVEstring();
  entry.scriptFile = current_script_ ? current_script_->GetDisplayName() : Qve::QVEstring();
  entry.lineId = id;
  entry.stage = statistics_.GetCurrentStage();
  if (on_object) statistics_.AddError(entry);
  events_->AddError(entry);
  ++script_end_errors_;
}

int32_t ImportActions::FinishImport(const ScriptEnd& end, uint64_t first_id) {
  uint64_t id = first_id;
  const Qve::QVEstring root = root_script_ ? root_script_->GetDisplayName() : Qve::QVEstring();
  const Qve::QVEstring exit_error = "Import script " + root + " ended with " + end.Describe();
  if (import_finished_) {
    if (!end.Failed()) return script_end_errors_;
    // The summary and the objects are final; the error still belongs in the error table.
    RecordScriptEndError(id, exit_error, false);
    if (settings_.report) report_->UpdateErrorTable(statistics_);
    return script_end_errors_;
  }
  while (current_script_ && current_script_->GetParent()) CloseUnfinishedScript(id++);
  if (end.Failed()) RecordScriptEndError(id++, exit_error, true);
  current_tool_.reset();
  EndCurrentScript();
  const Qve::QVEstring notice =
      "Import script " + root + " stopped before its end: " + end.Describe();
  log_->Log(kLogLevel, "", "%s\n", notice.c_str());
  return script_end_errors_;
}

}  // namespace Qva
