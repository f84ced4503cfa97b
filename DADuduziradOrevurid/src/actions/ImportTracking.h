// Which tool runs on which working file, and which object is imported in which stage: the
// launch and object actions, the import's statistics, and where an entry of a message belongs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "QVEString.h"
#include "actions/CallFileTree.h"
#include "analyzer/ActionFunction.h"
#include "records/ImportRecords.h"
#include "records/ImportStatistics.h"

namespace Qva {

class ImportOutputs;
class ScriptTree;

class ImportTracking {
 public:
  // The client launched for an object: a message that names its working file belongs there.
  struct ToolLaunch {
    std::shared_ptr<CallFile> tool;
    std::shared_ptr<CallFileTree> script;  // the script that launched it
    size_t object = 0;                     // index in the statistics' objects
  };

  // `scripts` and `outputs` outlive the tracking.
  ImportTracking(const ScriptTree& scripts, ImportOutputs& outputs);
  ImportTracking(const ImportTracking&) = delete;
  ImportTracking& operator=(const ImportTracking&) = delete;

  // Forgets the launches of an earlier run.
  void Begin() { launches_.clear(); }

  const ImportStatistics& GetStatistics() const { return statistics_; }
  ImportStatistics& Statistics() { return statistics_; }
  // No tool runs any more.
  void DropTool() { current_tool_.reset(); }

  // The current script's displayed name, then "::" and the tool's when a tool runs, then
  // "(" working file ")" when the tool has one; valid until the next call.
  const Qve::QVEstring& SourceTitle() const;
  // The launch of an earlier object's client whose working file the message names in psql's
  // "psql:FILE:LINE: " prefix (clients run in parallel report after later objects were
  // announced). Null when the first line names no launched file, or the newest object's: such
  // messages belong to the current script, tool and newest object.
  const ToolLaunch* EarlierLaunchNamedBy(const TextLines& lines) const;
  // SourceTitle of a message that `launch` (may be null: the current one) owns.
  const Qve::QVEstring& TitleFor(const ToolLaunch* launch) const;
  // Fills the working file, script file, line id and stage of an entry: from `launch` and its
  // object when given, else from the current tool, script and newest object.
  void FillCommonFields(uint64_t id, StatMember& entry, const ToolLaunch* launch = nullptr) const;
  // Adds the entry to the statistics: on the object of `launch`, or the newest without one.
  void AddEntry(std::shared_ptr<StatMember> entry, const ToolLaunch* launch);

  // Actions. New current tool from group 2 + group 3. The SQL*Plus form (also SQL*Loader) then
  // sets the working file to group 7.
  int32_t LaunchTool(void* context, const TextLines& lines, TextLines& groups);
  int32_t LaunchSQLPlus(void* context, const TextLines& lines, TextLines& groups);
  // New current tool from group 2 with the working file from group 7 (psql), group 3 (sqlcmd,
  // bcp) or group 8 (mysql).
  int32_t LaunchPsql(void* context, const TextLines& lines, TextLines& groups);
  int32_t LaunchSqlcmd(void* context, const TextLines& lines, TextLines& groups);
  int32_t LaunchMysql(void* context, const TextLines& lines, TextLines& groups);
  int32_t DropLaunchTool(void* context, const TextLines& lines, TextLines& groups);
  // The next announced object (only that one) is an additional object.
  int32_t SetAdditionalObject(void* context, const TextLines& lines, TextLines& groups);
  // Records the object named by group 2 with the type word of group 1 and reports its start.
  int32_t NewImportObject(void* context, const TextLines& lines, TextLines& groups);
  // The newest object enters its data stage; nothing before the first object.
  int32_t NewImportData(void* context, const TextLines& lines, TextLines& groups);

 private:
  void SetTool(const Qve::QVEstring& path, const Qve::QVEstring& working_file);

  const ScriptTree& scripts_;
  ImportOutputs& outputs_;
  std::shared_ptr<CallFile> current_tool_;
  // Looks texts up by view: a message's file name is found without a copy of it.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  // The latest launch of each working file while an object was announced.
  std::unordered_map<Qve::QVEstring, ToolLaunch, TextHash, std::equal_to<>> launches_;
  ImportStatistics statistics_;
  bool additional_object_ = false;
  // SourceTitle's text and what it was built from.
  struct Title {
    std::shared_ptr<CallFileTree> script;
    std::shared_ptr<CallFile> tool;
    Qve::QVEstring text;
    size_t names_size = 0;  // the text before "(" working file ")"
    bool built = false;
    // The working file that the text shows; empty when none.
    std::string_view WorkingFile() const;
    // Builds the text from `script` and `tool`, either may be null.
    void Compose(const CallFileTree* script, const CallFile* tool);
  };
  mutable Title title_;
  mutable Title launch_title_;  // TitleFor's text for a launch
};

}  // namespace Qva
