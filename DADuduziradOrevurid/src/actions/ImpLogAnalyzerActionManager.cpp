#include "actions/ImpLogAnalyzerActionManager.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>

#include "QVETrace.h"
#include "actions/ActionGroups.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TextPool.h"

namespace Qva {

using Manager = ImpLogAnalyzerActionManager;

namespace {
constexpr const char* kDefaultAnalyzeFile = "movarin_all.bat";
}  // namespace

std::span<const Manager::ActionRow> Manager::ActionTable() {
  // Registration order gives the ids (row n: id n + 1).
  static constexpr std::array<ActionRow, 36> kTable = {{
      {"DoNothing", &Manager::DoNothing},
      {"CheckEmptyString", &Manager::CheckEmptyString},
      {"CheckNotEmptyString", &Manager::CheckNotEmptyString},
      {"OutputResultInfo", &Manager::OutputResultInfo},
      {"OutputResultErrorOracle", &Manager::OutputResultErrorOracle},
      {"OutputResultErrorSQLLoader", &Manager::OutputResultErrorSQLLoader},
      {"OutputResultDB2SQLError", &Manager::OutputResultErrorSQLLoader},
      {"OutputResultErrorOracle4Line", &Manager::OutputResultErrorOracle4Line},
      {"OutputResultErrorSQLLoader4Line", &Manager::OutputResultErrorSQLLoader4Line},
      {"OutputResultWarningSQLLoader", &Manager::OutputResultWarningSQLLoader},
      {"SkipLines", &Manager::SkipLines},
      {"LoadRules", &Manager::LoadRules},
      {"StartScript", &Manager::StartScript},
      {"FinishScript", &Manager::FinishScript},
      {"LaunchTool", &Manager::LaunchTool},
      {"LaunchSQLPlus", &Manager::LaunchSQLPlus},
      {"LaunchSQLLdr", &Manager::LaunchSQLPlus},
      {"DropLaunchTool", &Manager::DropLaunchTool},
      {"ReturnChunk", &Manager::ReturnChunk},
      {"IncStoragePosition", &Manager::DoNothing},
      {"NewImportObject", &Manager::NewImportObject},
      {"OutputResultErrorMySQL", &Manager::OutputResultErrorMySQL},
      {"OutputMySQLNotRecognizedError", &Manager::OutputMySQLNotRecognizedError},
      {"OutputResultWarningMySQL", &Manager::OutputResultWarningMySQL},
      {"IncorrectPathError", &Manager::IncorrectPathError},
      {"SetAdditionalObject", &Manager::SetAdditionalObject},
      {"LaunchPsql", &Manager::LaunchPsql},
      {"OutputResultErrorPostgresql", &Manager::OutputResultErrorPostgresql},
      {"OutputResultWarningPostgresql", &Manager::OutputResultWarningMySQL},
      {"NewImportData", &Manager::NewImportData},
      {"LaunchSqlcmd", &Manager::LaunchSqlcmd},
      {"OutputResultErrorMssql", &Manager::OutputResultErrorMssql},
      {"LaunchBcp", &Manager::LaunchSqlcmd},
      {"OutputResultErrorBcp", &Manager::OutputResultErrorBcp},
      {"LaunchMysql", &Manager::LaunchMysql},
      {"OutputResultWarningMssql", &Manager::OutputResultWarningMySQL},
  }};
  return kTable;
}

// The import state (ImportActions) keeps the report flag; Init re-roots the import and passes
// the flag on.
Manager::ImpLogAnalyzerActionManager(LogAnalyzer* analyzer, bool report) : analyzer_(analyzer) {
  BeginImport(kDefaultAnalyzeFile, report);
}

Manager::~ImpLogAnalyzerActionManager() = default;

void Manager::Init() {
  analyze_file_ = kDefaultAnalyzeFile;
  if (analyzer_ != nullptr) {
    analyzer_->GetOption(Qve::kQVOptCString, "ANALYZE_FILE", &analyze_file_);
    storage_ = analyzer_->GetStorage().get();
  }
  BeginImport(analyze_file_, GetReportFlag());
  for (const ActionRow& row : ActionTable()) AddAction(row.name, std::bind_front(row.action, this));
}

int32_t Manager::FinishOutput(const ScriptEnd& end) {
  TextLines run_values(1);  // no line: an empty group 0
  AppendEndOfScriptValues(analyzer_, run_values);
  return FinishImport(end, run_values, storage_ != nullptr ? storage_->GetPosition() : 0);
}

int32_t Manager::DoNothing(void*, const TextLines&, TextLines&) { return 0; }

int32_t Manager::CheckEmptyString(void*, const TextLines& lines, TextLines&) {
  // Empty when nothing but line feeds: trimming leading and trailing "\n" of the joined text
  // leaves nothing exactly then.
  for (const Qve::QVEstring& line : lines) {
    if (line.find_first_not_of('\n') != Qve::QVEstring::npos) return 0;
  }
  return 1;
}

int32_t Manager::CheckNotEmptyString(void* context, const TextLines& lines, TextLines& groups) {
  return CheckEmptyString(context, lines, groups) != 0 ? 0 : 1;
}

Qve::QVEstring Manager::RuleGroupNameFor(const Qve::QVEstring& target_name) {
  Qve::QVEstring name = target_name;
  Qve::ToUpper(name);
  if (name == "AMAZON AURORA (COMPATIBILITY WITH MYSQL)" || name == "MARIADB") return "MYSQL";
  if (name == "AMAZON AURORA (COMPATIBILITY WITH POSTGRESQL)" ||
      name == "GOOGLE CLOUD SQL FOR POSTGRESQL" || name == "ALLOYDB" || name == "POSTGRES PRO") {
    return "POSTGRESQL";
  }
  if (name == "MICROSOFT AZURE SQL DATABASE" || name == "AZURE SYNAPSE ANALYTICS") {
    return "MICROSOFT SQL SERVER";
  }
  return name;
}

int32_t Manager::LoadRules(void* context, const TextLines&, TextLines& groups) {
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  tracer.Debug("Analyze action", "Rule %s", ContextRule(context).GetName().c_str());
  const Qve::QVEstring name = RuleGroupNameFor(Group(groups, 1));
  if (analyzer_ != nullptr && analyzer_->GetRulesManager()) {
    analyzer_->GetRulesManager()->ActivateGroup(RuleGroup::Find(name));
  }
  tracer.Debug("", "Added rules group %s", name.c_str());
  return 0;
}

int32_t Manager::ReturnChunk(void* context, const TextLines&, TextLines& groups) {
  chunk_size_ = std::atoi(ContextRule(context).OutputText().c_str());
  groups.clear();
  if (storage_ == nullptr) return 0;
  // From the line being analyzed (position - 1; wraps past the end at position 0).
  groups.reserve(static_cast<size_t>(std::clamp(chunk_size_, 0, 64)));
  int32_t taken = 0;
  for (uint64_t index = storage_->GetPosition() - 1;
       !storage_->PastEnd(index) && taken < chunk_size_; ++index) {
    const std::string_view line = storage_->PeekLine(index);
    if (line.empty() || line == "\n") continue;
    TextPool::ForThread().Append(groups, line);
    ++taken;
  }
  return 0;
}

int32_t Manager::SkipLines(void*, const TextLines&, TextLines&) {
  if (storage_ != nullptr && chunk_size_ > 1) storage_->GetLines(chunk_size_ - 1);
  return 0;
}

}  // namespace Qva
