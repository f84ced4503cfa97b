// The import action manager: the actions that the embedded rule files name, and the state
// they share while the import script runs.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "actions/ImportTracking.h"
#include "actions/MessageActions.h"
#include "actions/RunOutputs.h"
#include "actions/RunSettings.h"
#include "actions/ScriptActions.h"
#include "actions/ScriptTree.h"
#include "actions/SimpleActionManager.h"
#include "actions/ToolMessages.h"
#include "analyzer/IAnalyzeRule.h"
#include "analyzer/IAnalyzeStorage.h"
#include "analyzer/LogTextStorage.h"

class CWizzardInspectionController;

namespace Qva {

class DedezuLogger;
class JsonImportReport;
class LogAnalyzer;

// The manager owns the import action groups, each with its own part of the import state, and
// binds their actions by name in its registry next to its own engine actions.
class ImpLogAnalyzerActionManager : public SimpleActionManager {
 public:
  // One row of the action table: the name rules use, and how to bind it to a manager.
  struct ActionRow {
    const char* name;
    ActionFunction (*bind)(ImpLogAnalyzerActionManager& manager);
  };

  // `analyzer` (may be null: no storage, no rule groups) outlives the manager; not owned.
  // Results go to the process-wide outputs (RunOutputs). The run begins at once.
  ImpLogAnalyzerActionManager(LogAnalyzer* analyzer, RunSettings settings);
  ~ImpLogAnalyzerActionManager() override;
  ImpLogAnalyzerActionManager(const ImpLogAnalyzerActionManager&) = delete;
  ImpLogAnalyzerActionManager& operator=(const ImpLogAnalyzerActionManager&) = delete;

  // A manager for `analyzer`, handed to it as its action manager (before its Init).
  static std::shared_ptr<ImpLogAnalyzerActionManager> AttachTo(LogAnalyzer& analyzer,
                                                               RunSettings settings);

  // Begins the import afresh (the settings' analyze_file is the root script), takes the
  // analyzer's storage and registers the rows of ActionTable() by name, in table order, so
  // that row n gets id n + 1.
  void Init() override;

  // The actions in registration order.
  static std::span<const ActionRow> ActionTable();

  // Sends results elsewhere (tests). The three must outlive the manager.
  void SetOutputs(DedezuLogger& log, JsonImportReport& report,
                  CWizzardInspectionController& events);

  const ImportStatistics& GetStatistics() const { return tracking_.GetStatistics(); }
  // Whether the top-level script's finished line has come (its summary is written then).
  bool IsImportFinished() const { return script_actions_.IsImportFinished(); }
  const RunSettings& GetRunSettings() const { return settings_; }

  // The end of the import script's output, once all of it is analyzed: FinishImport with ids
  // after the last stored line. Returns the errors that script ends recorded, which no rule
  // counted.
  int32_t FinishOutput(const ScriptEnd& end);

  // Engine actions.
  // Nothing; returns 0. Also registered as IncStoragePosition.
  int32_t DoNothing(void* context, const TextLines& lines, TextLines& groups);
  // 1 when the lines, joined and stripped of leading and trailing "\n", are empty; else 0.
  int32_t CheckEmptyString(void* context, const TextLines& lines, TextLines& groups);
  // The opposite of CheckEmptyString.
  int32_t CheckNotEmptyString(void* context, const TextLines& lines, TextLines& groups);
  // Activates the rule group named by group 1 (upper-cased, compatible products mapped to
  // their group) and traces "Added rules group %s" at Debug level.
  int32_t LoadRules(void* context, const TextLines& lines, TextLines& groups);
  // Chunk size = atoi(rule output); 1 before the first call, so SkipLines takes nothing. Replaces
  // groups by up to chunk size lines from the line being analyzed onwards, blank lines ("" or "\n")
  // skipped; the storage position stays.
  int32_t ReturnChunk(void* context, const TextLines& lines, TextLines& groups);
  // Takes chunk size - 1 lines from the storage (nothing when that is below 1).
  int32_t SkipLines(void* context, const TextLines& lines, TextLines& groups);

  // The rule group name that LoadRules uses for a target system's name (upper-cased first).
  static Qve::QVEstring RuleGroupNameFor(const Qve::QVEstring& target_name);

 private:
  // Binds `action` of the group member `group` (or of the manager itself), or RecordToolMessage
  // with `message`, to `manager`.
  template <auto group, auto action>
  static ActionFunction Bind(ImpLogAnalyzerActionManager& manager);
  template <auto action>
  static ActionFunction BindOwn(ImpLogAnalyzerActionManager& manager);
  template <const ToolMessage* message>
  static ActionFunction BindMessage(ImpLogAnalyzerActionManager& manager);
  void BeginImport();

  RunSettings settings_;
  RunOutputs outputs_;
  ScriptTree scripts_;
  ImportTracking tracking_{scripts_, outputs_};
  ScriptActions script_actions_{scripts_, tracking_, outputs_};
  MessageActions messages_{scripts_, tracking_, outputs_};
  LogAnalyzer* analyzer_;
  LogTextStorage* storage_ = nullptr;  // the analyzer's; its own type: no virtual calls per line
  int32_t chunk_size_ = 1;
};

}  // namespace Qva
