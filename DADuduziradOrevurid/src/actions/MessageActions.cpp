#include "actions/MessageActions.h"

#include <memory>

#include "actions/ActionGroups.h"
#include "actions/ImportOutputs.h"
#include "actions/ImportTracking.h"
#include "actions/RuleOutput.h"
#include "actions/ScriptTree.h"
#include "actions/ToolMessages.h"
#include "analyzer/ExpectedErrors.h"

namespace Qva {

namespace {

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

}  // namespace

MessageActions::MessageActions(ScriptTree& scripts, ImportTracking& tracking,
                               ImportOutputs& outputs)
    : scripts_(scripts), tracking_(tracking), outputs_(outputs) {}

int32_t MessageActions::OutputResultInfo(void* context, const TextLines&, TextLines& groups) {
  FillOutput(ContextRule(context), groups);
  outputs_.Note(tracking_.SourceTitle().c_str(), Group(groups, 0));
  return 0;
}

int32_t MessageActions::RecordToolMessage(const ToolMessage& message, void* context,
                                          const TextLines& lines, TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  const ImportTracking::ToolLaunch* launch = tracking_.EarlierLaunchNamedBy(lines);
  // Not copied: neither the title nor the groups change until the entry is recorded.
  const Qve::QVEstring& title = tracking_.TitleFor(launch);
  const Qve::QVEstring& log_text = Group(groups, 0);
  const Qve::QVEstring& report_text = Group(groups, static_cast<size_t>(message.report));
  const uint64_t id = LineId(rule);
  const bool error = message.kind == kStatKindError;

  const auto report = [&] {
    if (error) {
      outputs_.Error(id, title.c_str(), log_text, report_text);
    } else {
      outputs_.Warning(id, title.c_str(), log_text, report_text);
    }
  };
  if (message.log_first) report();

  // Made as the kind it is kept as: the statistics keep this very entry, no copy.
  std::shared_ptr<StatMember> entry;
  if (error) {
    entry = std::make_shared<StatError>();
  } else {
    entry = std::make_shared<StatWarning>();
  }
  entry->errName = Field(rule, groups, message.name);
  entry->errCode = Field(rule, groups, message.code);
  entry->errTxt = Field(rule, groups, message.text);
  entry->errLine = Field(rule, groups, message.line);
  entry->errContext = Field(rule, groups, message.context);
  tracking_.FillCommonFields(id, *entry, launch);
  tracking_.AddEntry(entry, launch);
  if (error && message.event) outputs_.ErrorAnnounced(*entry);

  if (!message.log_first) report();
  return 0;
}

int32_t MessageActions::IncorrectPathError(void* context, const TextLines& lines,
                                           TextLines& groups) {
  RecordToolMessage(tool_message::kIncorrectPath, context, lines, groups);
  // The called script or program did not run: the analysis goes on in its caller.
  scripts_.ReturnToCaller();
  return 0;
}

int32_t MessageActions::OutputResultErrorPostgresql(void* context, const TextLines& lines,
                                                    TextLines& groups) {
  const IAnalyzeRule& rule = ContextRule(context);
  FillOutput(rule, groups);
  const ImportTracking::ToolLaunch* launch = tracking_.EarlierLaunchNamedBy(lines);
  // Not copied: neither changes before the error is written.
  const Qve::QVEstring& title = tracking_.TitleFor(launch);
  const Qve::QVEstring& name = rule.NameText();

  if (scripts_.Current() && IsExpectedErrorScript(scripts_.CurrentName())) return 0;
  // psql's non-zero exit code only repeats an error already reported for this object, or the
  // refused connection just reported.
  if (name == "Psql_error_code") {
    const ImportObject* newest = tracking_.GetStatistics().GetNewestObject();
    if (newest != nullptr && newest->HasError()) return 0;
    if (last_psql_rule_ == "Psql_error_connection_refused") return 0;
  }

  const uint64_t id = LineId(rule);
  const Qve::QVEstring& whole = Group(groups, 0);
  outputs_.Error(id, title.c_str(), whole, whole);
  last_psql_rule_ = name;

  auto entry = std::make_shared<StatError>();
  // The rules for known situations name the situation in their output and carry the whole line.
  const bool known_situation =
      name.find("Psql_error_") != Qve::QVEstring::npos && name != "Psql_error_code";
  entry->errTxt = known_situation ? whole : Group(groups, 1);
  tracking_.FillCommonFields(id, *entry, launch);
  tracking_.AddEntry(entry, launch);
  outputs_.ErrorAnnounced(*entry);
  return 0;
}

}  // namespace Qva
