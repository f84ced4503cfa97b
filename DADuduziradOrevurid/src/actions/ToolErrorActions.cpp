// The database tool error and warning actions of ImportActions.
#include "actions/ActionGroups.h"
#include "actions/ImportActions.h"
#include "actions/ToolMessages.h"
#include "analyzer/ExpectedErrors.h"
#include "events/WizzardController.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace {

Qve::QVEstring& LastPsqlRule() {
  static Qve::QVEstring name;
  return name;
}

Qve::QVEstring Field(const IAnalyzeRule& rule, const TextLines& groups, int source) {
  switch (source) {
    case tool_message::kNone:
      return {};
    case tool_message::kRule:
      return rule.GetName();
    case tool_message::kWord:
      return "Warning";
    default:
      return Group(groups, static_cast<size_t>(source));
  }
}

uint64_t LineId(const IAnalyzeRule& rule) { return static_cast<uint64_t>(rule.GetLineIndex()); }

}  // namespace

void ResetLastReportedPsqlRule() { LastPsqlRule().clear(); }

void ImportActions::FillCommonFields(const IAnalyzeRule& rule, StatMember& entry) const {
  entry.workingFile = current_tool_ ? current_tool_->GetWorkingFile() : Qve::QVEstring();
  entry.scriptFile = current_script_ ? current_script_->GetDisplayName() : Qve::QVEstring();
  entry.lineId = LineId(rule);
  entry.stage = statistics_.GetCurrentStage();
}

int32_t ImportActions::RecordToolMessage(const ToolMessage& message, void* context,
                                         const TextLines&, TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  // Not copied: neither the title nor the groups change until the entry is recorded.
  const Qve::QVEstring& title = SourceTitle();
  const Qve::QVEstring& log_text = Group(groups, 0);
  const Qve::QVEstring& report_text = Group(groups, static_cast<size_t>(message.report));
  const uint64_t id = LineId(rule);
  const bool error = message.kind == kStatKindError;

  const auto log_and_register = [&] {
    if (error) {
      log_->Error(id, title.c_str(), log_text);
      report_->AddError(id, report_text);
    } else {
      log_->Warning(id, title.c_str(), log_text);
      report_->AddWarning(id, report_text);
    }
  };
  if (message.log_first) log_and_register();

  StatError entry;
  entry.errName = Field(rule, groups, message.name);
  entry.errCode = Field(rule, groups, message.code);
  entry.errTxt = Field(rule, groups, message.text);
  entry.errLine = Field(rule, groups, message.line);
  entry.errContext = Field(rule, groups, message.context);
  FillCommonFields(rule, entry);
  if (error) {
    statistics_.AddError(entry);
    if (message.event) events_->AddError(entry);
  } else {
    statistics_.AddWarning(entry);  // kept as a warning copy
  }

  if (!message.log_first) log_and_register();
  return 0;
}

int32_t ImportActions::IncorrectPathError(void* context, const TextLines& lines,
                                          TextLines& groups) {
  RecordToolMessage(tool_message::kIncorrectPath, context, lines, groups);
  // The called script or program did not run: the analysis goes on in its caller.
  ReturnToCaller();
  return 0;
}

int32_t ImportActions::OutputResultErrorPostgresql(void* context, const TextLines&,
                                                   TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  const Qve::QVEstring title = SourceTitle();
  const Qve::QVEstring name = rule.GetName();

  if (current_script_ && IsExpectedErrorScript(current_script_->GetDisplayName())) return 0;
  // psql's non-zero exit code only repeats an error already reported for this object, or the
  // refused connection just reported.
  if (name == "Psql_error_code") {
    const ImportObject* newest = statistics_.GetNewestObject();
    if (newest != nullptr && newest->HasError()) return 0;
    if (LastPsqlRule() == "Psql_error_connection_refused") return 0;
  }

  const uint64_t id = LineId(rule);
  const Qve::QVEstring& whole = Group(groups, 0);
  log_->Error(id, title.c_str(), whole);
  report_->AddError(id, whole);
  LastPsqlRule() = name;

  StatError entry;
  // The rules for known situations name the situation in their output and carry the whole line.
  const bool known_situation =
      name.find("Psql_error_") != Qve::QVEstring::npos && name != "Psql_error_code";
  entry.errTxt = known_situation ? whole : Group(groups, 1);
  FillCommonFields(rule, entry);
  statistics_.AddError(entry);
  events_->AddError(entry);
  return 0;
}

}  // namespace Qva
