#include "actions/ScriptActions.h"

#include <string>
#include <string_view>

#include "QVETimeStamp.h"
#include "actions/ActionGroups.h"
#include "actions/ImportOutputs.h"
#include "actions/ImportTracking.h"
#include "actions/ScriptTree.h"

namespace Qva {

namespace {

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

ScriptActions::ScriptActions(ScriptTree& scripts, ImportTracking& tracking, ImportOutputs& outputs)
    : scripts_(scripts), tracking_(tracking), outputs_(outputs) {}

void ScriptActions::Begin() {
  import_finished_ = false;
  script_end_errors_ = 0;
}

int32_t ScriptActions::StartScript(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  scripts_.Call(Qve::AnsiToUtf8(Group(groups, 1)));
  return 0;
}

int32_t ScriptActions::FinishScript(void* context, const TextLines&, TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  TraceAction(rule);
  // Scripts that died without their own finished line would otherwise take this line as theirs.
  if (std::shared_ptr<CallFileTree> named =
          scripts_.FindOpen(Qve::QVEstring(NamedScript(Group(groups, 0))))) {
    while (scripts_.Current() != named) CloseUnfinishedScript(LineId(rule));
  }
  EndCurrentScript();
  return 0;
}

void ScriptActions::EndCurrentScript() {
  const Qve::QVEstring finishing = scripts_.CurrentName();
  ImportStatistics& statistics = tracking_.Statistics();
  if (ImportObject* newest = statistics.GetNewestObject()) newest->endTime.SetNow();
  Qve::QVEstring return_name;
  if (scripts_.ReturnToCaller()) return_name = scripts_.CurrentName();

  if (!return_name.empty()) {
    outputs_.ScriptFinished(finishing, return_name);
    return;
  }
  // The top-level script ended (also a called script whose caller has no name).
  import_finished_ = true;
  outputs_.Note(finishing.c_str(), "Finish script");
  statistics.SetFinishTime(Qve::QVTimeStamp::Now().Text());
  outputs_.ImportFinished(statistics);
}

void ScriptActions::CloseUnfinishedScript(uint64_t id) {
  RecordScriptEndError(id, "Import script " + scripts_.CurrentName() + " stopped before its end",
                       true);
  tracking_.DropTool();
  EndCurrentScript();
}

void ScriptActions::RecordScriptEndError(uint64_t id, const Qve::QVEstring& text, bool on_object) {
  outputs_.Error(id, tracking_.SourceTitle().c_str(), text, text);
  StatError entry;
  entry.errTxt = text;
  tracking_.FillCommonFields(id, entry);
  if (on_object) tracking_.Statistics().AddError(entry);
  outputs_.ErrorAnnounced(entry);
  ++script_end_errors_;
}

int32_t ScriptActions::FinishImport(const ScriptEnd& end, uint64_t first_id) {
  uint64_t id = first_id;
  const Qve::QVEstring root = scripts_.Root() ? scripts_.Root()->GetDisplayName() : "";
  const Qve::QVEstring exit_error = "Import script " + root + " ended with " + end.Describe();
  if (import_finished_) {
    if (!end.Failed()) return script_end_errors_;
    // The summary and the objects are final; the error still belongs in the error table.
    RecordScriptEndError(id, exit_error, false);
    outputs_.RunErrorAdded(tracking_.GetStatistics());
    return script_end_errors_;
  }
  while (!scripts_.AtRoot()) CloseUnfinishedScript(id++);
  if (end.Failed()) RecordScriptEndError(id++, exit_error, true);
  tracking_.DropTool();
  EndCurrentScript();
  outputs_.Note("", "Import script " + root + " stopped before its end: " + end.Describe() + "\n");
  return script_end_errors_;
}

}  // namespace Qva
