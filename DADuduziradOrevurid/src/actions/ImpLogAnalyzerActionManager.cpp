#include "actions/ImpLogAnalyzerActionManager.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "QVETrace.h"
#include "actions/ActionGroups.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/TextPool.h"

namespace Qva {

using Manager = ImpLogAnalyzerActionManager;

template <auto group, auto action>
ActionFunction Manager::Bind(Manager& manager) {
  return std::bind_front(action, &(manager.*group));
}

template <auto action>
ActionFunction Manager::BindOwn(Manager& manager) {
  return std::bind_front(action, &manager);
}

template <const ToolMessage* message>
ActionFunction Manager::BindMessage(Manager& manager) {
  return std::bind_front(&MessageActions::RecordToolMessage, &manager.messages_,
                         std::cref(*message));
}

std::span<const Manager::ActionRow> Manager::ActionTable() {
  namespace m = tool_message;
  constexpr auto kScripts = &Manager::script_actions_;
  constexpr auto kTracking = &Manager::tracking_;
  constexpr auto kMessages = &Manager::messages_;
  using S = ScriptActions;
  using T = ImportTracking;
  // Registration order gives the ids (row n: id n + 1).
  static constexpr ActionRow kTable[] = {
      {"DoNothing", &BindOwn<&Manager::DoNothing>},
      {"CheckEmptyString", &BindOwn<&Manager::CheckEmptyString>},
      {"CheckNotEmptyString", &BindOwn<&Manager::CheckNotEmptyString>},
      {"OutputResultInfo", &Bind<kMessages, &MessageActions::OutputResultInfo>},
      {"OutputResultErrorOracle", &BindMessage<&m::kOracle>},
      {"OutputResultErrorSQLLoader", &BindMessage<&m::kSqlLoader>},
      {"OutputResultDB2SQLError", &BindMessage<&m::kSqlLoader>},
      {"OutputResultErrorOracle4Line", &BindMessage<&m::kOracle4Line>},
      {"OutputResultErrorSQLLoader4Line", &BindMessage<&m::kSqlLoader4Line>},
      {"OutputResultWarningSQLLoader", &BindMessage<&m::kLoaderWarning>},
      {"SkipLines", &BindOwn<&Manager::SkipLines>},
      {"LoadRules", &BindOwn<&Manager::LoadRules>},
      {"StartScript", &Bind<kScripts, &S::StartScript>},
      {"FinishScript", &Bind<kScripts, &S::FinishScript>},
      {"LaunchTool", &Bind<kTracking, &T::LaunchTool>},
      {"LaunchSQLPlus", &Bind<kTracking, &T::LaunchSQLPlus>},
      {"LaunchSQLLdr", &Bind<kTracking, &T::LaunchSQLPlus>},
      {"DropLaunchTool", &Bind<kTracking, &T::DropLaunchTool>},
      {"ReturnChunk", &BindOwn<&Manager::ReturnChunk>},
      {"IncStoragePosition", &BindOwn<&Manager::DoNothing>},
      {"NewImportObject", &Bind<kTracking, &T::NewImportObject>},
      {"OutputResultErrorMySQL", &BindMessage<&m::kMySql>},
      {"OutputMySQLNotRecognizedError", &BindMessage<&m::kNotRecognized>},
      {"OutputResultWarningMySQL", &BindMessage<&m::kWarning>},
      {"IncorrectPathError", &Bind<kMessages, &MessageActions::IncorrectPathError>},
      {"SetAdditionalObject", &Bind<kTracking, &T::SetAdditionalObject>},
      {"LaunchPsql", &Bind<kTracking, &T::LaunchPsql>},
      {"OutputResultErrorPostgresql",
       &Bind<kMessages, &MessageActions::OutputResultErrorPostgresql>},
      {"OutputResultWarningPostgresql", &BindMessage<&m::kWarning>},
      {"NewImportData", &Bind<kTracking, &T::NewImportData>},
      {"LaunchSqlcmd", &Bind<kTracking, &T::LaunchSqlcmd>},
      {"OutputResultErrorMssql", &BindMessage<&m::kMssql>},
      {"LaunchBcp", &Bind<kTracking, &T::LaunchSqlcmd>},
      {"OutputResultErrorBcp", &BindMessage<&m::kBcp>},
      {"LaunchMysql", &Bind<kTracking, &T::LaunchMysql>},
      {"OutputResultWarningMssql", &BindMessage<&m::kWarning>},
      // A warning of no particular tool: the platform's safety net for failure-shaped lines.
      {"OutputResultWarning", &BindMessage<&m::kWarning>},
  };
  return kTable;
}

Manager::ImpLogAnalyzerActionManager(LogAnalyzer* analyzer, RunSettings settings)
    : settings_(std::move(settings)), outputs_(settings_), analyzer_(analyzer) {
  BeginImport();
}

Manager::~ImpLogAnalyzerActionManager() = default;

std::shared_ptr<Manager> Manager::AttachTo(LogAnalyzer& analyzer, RunSettings settings) {
  auto manager = std::make_shared<Manager>(&analyzer, std::move(settings));
  analyzer.SetActionManager(manager);
  return manager;
}

void Manager::BeginImport() {
  scripts_.Begin(settings_.analyze_file);
  tracking_.Begin();
  script_actions_.Begin();
}

void Manager::Init() {
  if (analyzer_ != nullptr) storage_ = analyzer_->GetStorage().get();
  BeginImport();
  for (const ActionRow& row : ActionTable()) AddAction(row.name, row.bind(*this));
}

void Manager::SetOutputs(DedezuLogger& log, JsonImportReport& report,
                         CWizzardInspectionController& events) {
  outputs_.Redirect(log, report, events);
}

int32_t Manager::FinishOutput(const ScriptEnd& end) {
  return script_actions_.FinishImport(end, storage_ != nullptr ? storage_->GetPosition() : 0);
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

namespace {

// atoi of a chunk rule's output: runs on every line, so the usual plain digits skip strtol.
int32_t ChunkSize(const Qve::QVEstring& text) {
  if (text.empty() || text.size() > 9) return std::atoi(text.c_str());
  int32_t size = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::atoi(text.c_str());
    size = size * 10 + (c - '0');
  }
  return size;
}

}  // namespace

int32_t Manager::ReturnChunk(void* context, const TextLines&, TextLines& groups) {
  chunk_size_ = ChunkSize(ContextRule(context).OutputText());
  TextPool& pool = TextPool::ForThread();
  pool.Recycle(groups);
  if (storage_ == nullptr) return 0;
  // From the line being analyzed (position - 1; wraps past the end at position 0).
  groups.reserve(static_cast<size_t>(std::clamp(chunk_size_, 0, 64)));
  int32_t taken = 0;
  for (uint64_t index = storage_->GetPosition() - 1;
       !storage_->PastEnd(index) && taken < chunk_size_; ++index) {
    const std::string_view line = storage_->PeekLine(index);
    if (line.empty() || line == "\n") continue;
    pool.Append(groups, line);
    ++taken;
  }
  return 0;
}

int32_t Manager::SkipLines(void*, const TextLines&, TextLines&) {
  if (storage_ != nullptr && chunk_size_ > 1) storage_->GetLines(chunk_size_ - 1);
  return 0;
}

}  // namespace Qva
