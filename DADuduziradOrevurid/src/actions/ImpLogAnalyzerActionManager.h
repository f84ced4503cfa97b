// The import action manager: the actions that the embedded rule files name, and the state
// they share while the import script runs.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "actions/ImportActions.h"
#include "actions/SimpleActionManager.h"
#include "actions/ToolMessages.h"
#include "analyzer/IAnalyzeRule.h"
#include "analyzer/IAnalyzeStorage.h"
#include "analyzer/LogTextStorage.h"

namespace Qva {

class LogAnalyzer;

// The import actions and their state come from the ImportActions base, so the action table binds
// them to the manager like the engine actions. That base comes first, at the manager's own
// address: calls through the table then need no this-adjustment, which GCC's vptr sanitizer
// misreads.
class ImpLogAnalyzerActionManager : public ImportActions, public SimpleActionManager {
 public:
  // Member form of an action; bound to the manager when it is registered.
  using Action = int32_t (ImpLogAnalyzerActionManager::*)(void* context, const TextLines& lines,
                                                          TextLines& groups);
  // One row of the action table: the name rules use, and the member it is bound to, or the tool
  // message that RecordToolMessage is bound with.
  struct ActionRow {
    const char* name;
    Action action;
    const ToolMessage* message = nullptr;
  };

  // `analyzer` (may be null: no storage, no rule groups) outlives the manager; not owned.
  ImpLogAnalyzerActionManager(LogAnalyzer* analyzer, RunSettings settings);
  ~ImpLogAnalyzerActionManager() override;

  // A manager for `analyzer`, handed to it as its action manager (before its Init).
  static std::shared_ptr<ImpLogAnalyzerActionManager> AttachTo(LogAnalyzer& analyzer,
                                                               RunSettings settings);

  // Begins the import afresh (the settings' analyze_file is the root script), takes the
  // analyzer's storage and registers the rows of ActionTable() by name, in table order, so
  // that row n gets id n + 1.
  void Init() override;

  // The 37 actions in registration order.
  static std::span<const ActionRow> ActionTable();

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
  LogAnalyzer* analyzer_;
  LogTextStorage* storage_ = nullptr;  // the analyzer's; its own type: no virtual calls per line
  int32_t chunk_size_ = 1;
};

}  // namespace Qva
