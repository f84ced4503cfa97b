// The database tool error and warning actions of ImportActions.
#include <string_view>

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

// The prefix with which psql names the file it reads in its messages: "psql:FILE:LINE: ".
constexpr std::string_view kPsqlPrefix = "psql:";

// The length of ":LINE:" at `at` of `line` (a colon, digits, a colon); 0 when there is none.
size_t LineNumberAt(std::string_view line, size_t at) {
  size_t end = at + 1;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
  return end > at + 1 && end < line.size() && line[end] == ':' ? end + 1 - at : 0;
}

}  // namespace

void ResetLastReportedPsqlRule() { LastPsqlRule().clear(); }

const ImportActions::ToolLaunch* ImportActions::EarlierLaunchNamedBy(const TextLines& lines) const {
  if (launches_.empty() || lines.empty()) return nullptr;
  const std::string_view line = lines.front();
  if (!line.starts_with(kPsqlPrefix)) return nullptr;
  // A file name may hold ":N:" itself: each candidate end of the name is tried in turn.
  const size_t start = kPsqlPrefix.size();
  for (size_t colon = line.find(':', start); colon != std::string_view::npos;
       colon = line.find(':', colon + 1)) {
    if (LineNumberAt(line, colon) == 0) continue;
    const auto found = launches_.find(Qve::QVEstring(line.substr(start, colon - start)));
    if (found == launches_.end()) continue;
    const bool newest = found->second.object + 1 == statistics_.GetObjects().size();
    return newest ? nullptr : &found->second;
  }
  return nullptr;
}

const Qve::QVEstring& ImportActions::TitleFor(const ToolLaunch* launch) const {
  if (launch == nullptr) return SourceTitle();
  launch_title_.Compose(launch->script.get(), launch->tool.get());
  return launch_title_.text;
}

void ImportActions::AddEntry(const StatMember& entry, bool error, const ToolLaunch* launch) {
  if (launch == nullptr) {
    if (error) {
      statistics_.AddError(entry);
    } else {
      statistics_.AddWarning(entry);
    }
  } else if (error) {
    statistics_.AddErrorTo(launch->object, entry);
  } else {
    statistics_.AddWarningTo(launch->object, entry);
  }
}

void ImportActions::FillCommonFields(const IAnalyzeRule& rule, StatMember& entry,
                                     const ToolLaunch* launch) const {
  const CallFile* tool = launch != nullptr ? launch->tool.get() : current_tool_.get();
  const CallFileTree* script = launch != nullptr ? launch->script.get() : current_script_.get();
  entry.workingFile = tool != nullptr ? tool->GetWorkingFile() : Qve::QVEstring();
  entry.scriptFile = script != nullptr ? script->GetDisplayName() : Qve::QVEstring();
  entry.lineId = LineId(rule);
  entry.stage = launch != nullptr ? statistics_.GetObjects()[launch->object].stage
                                  : statistics_.GetCurrentStage();
}

int32_t ImportActions::RecordToolMessage(const ToolMessage& message, void* context,
                                         const TextLines& lines, TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  const ToolLaunch* launch = EarlierLaunchNamedBy(lines);
  // Not copied: neither the title nor the groups change until the entry is recorded.
  const Qve::QVEstring& title = TitleFor(launch);
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
  FillCommonFields(rule, entry, launch);
  AddEntry(entry, error, launch);  // a warning is kept as a warning copy
  if (error && message.event) events_->AddError(entry);

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

int32_t ImportActions::OutputResultErrorPostgresql(void* context, const TextLines& lines,
                                                   TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  const ToolLaunch* launch = EarlierLaunchNamedBy(lines);
  const Qve::QVEstring title = TitleFor(launch);
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
  FillCommonFields(rule, entry, launch);
  AddEntry(entry, true, launch);
  events_->AddError(entry);
  return 0;
}

}  // namespace Qva
