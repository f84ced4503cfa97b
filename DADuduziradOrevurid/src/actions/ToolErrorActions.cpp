// The database tool error and warning actions of ImportActions.
#include "actions/ActionGroups.h"
#include "actions/ImportActions.h"
#include "analyzer/ExpectedErrors.h"
#include "events/WizzardController.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace {

// Field sources besides a group number.
constexpr int kNone = -1;      // the field stays empty
constexpr int kRuleName = -2;  // the firing rule's name
constexpr int kWarnWord = -3;  // the text "Warning"

Qve::QVEstring& LastPsqlRule() {
  static Qve::QVEstring name;
  return name;
}

}  // namespace

// Where one tool action takes each field of its entry from, and how it reports it.
struct ToolMessage {
  uint8_t kind;  // kStatKindError or kStatKindWarning
  int name;
  int code;
  int text;
  int line;
  int context;
  int report;      // group of the JSON report's text
  bool event;      // errors only: announce it to the wizard
  bool log_first;  // ("log 1st") log and register before the entry is built and recorded
};

namespace {

using Message = ToolMessage;
constexpr uint8_t kErr = kStatKindError;
constexpr uint8_t kWarn = kStatKindWarning;

// clang-format off
//                                kind   name       code   text line   context report event  log 1st
constexpr Message kOracle        {kErr,  1,         2,     3,   kNone, kNone,  3,     true,  false};
constexpr Message kSqlLoader     {kErr,  1,         2,     3,   kNone, kNone,  1,     true,  false};
constexpr Message kOracle4Line   {kErr,  9,         10,    11,  8,     2,      1,     true,  false};
constexpr Message kSqlLoader4Line{kErr,  1,         2,     5,   4,     3,      1,     true,  false};
constexpr Message kMySql         {kErr,  2,         1,     4,   kNone, kNone,  4,     true,  false};
constexpr Message kNotRecognized {kErr,  kNone,     kNone, 1,   kNone, kNone,  1,     false, false};
constexpr Message kMssql         {kErr,  kRuleName, kNone, 1,   kNone, kNone,  1,     true,  true};
constexpr Message kBcp           {kErr,  kNone,     kNone, 1,   kNone, kNone,  1,     true,  true};
constexpr Message kIncorrectPath {kErr,  kNone,     kNone, 0,   kNone, kNone,  0,     true,  false};
constexpr Message kLoaderWarning {kWarn, kRuleName, kNone, 1,   kNone, kNone,  1,     false, false};
constexpr Message kWarning       {kWarn, kWarnWord, kNone, 1,   kNone, kNone,  1,     false, false};
// clang-format on

Qve::QVEstring Field(const IAnalyzeRule& rule, const TextLines& groups, int source) {
  switch (source) {
    case kNone:
      return {};
    case kRuleName:
      return rule.GetName();
    case kWarnWord:
      return "Warning";
    default:
      return Group(groups, static_cast<size_t>(source));
  }
}

uint64_t LineId(const IAnalyzeRule& rule) { return static_cast<uint64_t>(rule.GetLineIndex()); }

}  // namespace

const Qve::QVEstring& LastReportedPsqlRule() { return LastPsqlRule(); }

void ResetLastReportedPsqlRule() { LastPsqlRule().clear(); }

void ImportActions::FillCommonFields(const IAnalyzeRule& rule, StatMember& entry) const {
  entry.workingFile = current_tool_ ? current_tool_->GetWorkingFile() : Qve::QVEstring();
  entry.scriptFile = current_script_ ? current_script_->GetDisplayName() : Qve::QVEstring();
  entry.lineId = LineId(rule);
  entry.stage = statistics_.GetCurrentStage();
}

void ImportActions::RecordToolMessage(void* context, TextLines& groups,
                                      const ToolMessage& message) {
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
}

int32_t ImportActions::OutputResultErrorOracle(void* context, const TextLines&, TextLines& groups) {
  RecordToolMessage(context, groups, kOracle);
  return 0;
}

int32_t ImportActions::OutputResultErrorSQLLoader(void* context, const TextLines&,
                                                  TextLines& groups) {
  RecordToolMessage(context, groups, kSqlLoader);
  return 0;
}

int32_t ImportActions::OutputResultErrorOracle4Line(void* context, const TextLines&,
                                                    TextLines& groups) {
  RecordToolMessage(context, groups, kOracle4Line);
  return 0;
}

int32_t ImportActions::OutputResultErrorSQLLoader4Line(void* context, const TextLines&,
                                                       TextLines& groups) {
  RecordToolMessage(context, groups, kSqlLoader4Line);
  return 0;
}

int32_t ImportActions::OutputResultErrorMySQL(void* context, const TextLines&, TextLines& groups) {
  RecordToolMessage(context, groups, kMySql);
  return 0;
}

int32_t ImportActions::OutputMySQLNotRecognizedError(void* context, const TextLines&,
                                                     TextLines& groups) {
  RecordToolMessage(context, groups, kNotRecognized);
  return 0;
}

int32_t ImportActions::OutputResultErrorMssql(void* context, const TextLines&, TextLines& groups) {
  RecordToolMessage(context, groups, kMssql);
  return 0;
}

int32_t ImportActions::OutputResultErrorBcp(void* context, const TextLines&, TextLines& groups) {
  RecordToolMessage(context, groups, kBcp);
  return 0;
}

int32_t ImportActions::OutputResultWarningSQLLoader(void* context, const TextLines&,
                                                    TextLines& groups) {
  RecordToolMessage(context, groups, kLoaderWarning);
  return 0;
}

int32_t ImportActions::OutputResultWarningMySQL(void* context, const TextLines&,
                                                TextLines& groups) {
  RecordToolMessage(context, groups, kWarning);
  return 0;
}

int32_t ImportActions::IncorrectPathError(void* context, const TextLines&, TextLines& groups) {
  RecordToolMessage(context, groups, kIncorrectPath);
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
