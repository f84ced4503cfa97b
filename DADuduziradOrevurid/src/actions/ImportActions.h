// The import actions: they follow the import script as it runs (which script, which tool on which
// file, which object in which stage) and record what the database tools report.
//
// ImportActions is a base of ImpLogAnalyzerActionManager: the manager's action table binds these
// members to the manager object, so the state below is the manager's import state. Every action
// has the ActionFunction signature, takes the firing rule (IAnalyzeRule*) as its context and
// returns 0. Reading a group that the rule did not provide gives an empty text.
//
// Tool actions (ToolErrorActions.cpp) record one error or warning per match: an entry on the
// newest object (not counted before the first object), a line with the rule's line index as id in
// the HTML log, the same id in the JSON report and, for most errors, an event to the wizard.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "QVEString.h"
#include "actions/CallFileTree.h"
#include "actions/RunSettings.h"
#include "analyzer/ActionFunction.h"
#include "analyzer/IAnalyzeRule.h"
#include "records/ImportRecords.h"
#include "records/ImportStatistics.h"

class CWizzardInspectionController;

namespace Qva {

class DedezuLogger;
class JsonImportReport;
struct ToolMessage;

// How the import script's process ended, as the launcher saw it once its output was over.
struct ScriptEnd {
  enum class Kind {
    kExited,   // the script exited with status `number`
    kKilled,   // a signal (`number`, described by `signal_name`) ended it
    kStopped,  // a stop signal caught by this program (`number`) ended the run
    kUnknown,  // its status could not be read
  };
  Kind kind = Kind::kExited;
  int32_t number = 0;
  Qve::QVEstring signal_name;  // "Terminated", "Killed", ...

  // A non-zero exit status, a signal or a stopped run.
  bool Failed() const {
    return kind == Kind::kKilled || kind == Kind::kStopped ||
           (kind == Kind::kExited && number != 0);
  }
  // "exit status 3", "signal 9 (Killed)", "stop signal 15 (Terminated)", "unknown exit status".
  Qve::QVEstring Describe() const;
};

class ImportActions {
 public:
  // Results go to the process-wide HTML log, JSON report and event controller. The run begins
  // at once (BeginImport).
  explicit ImportActions(RunSettings settings = {});
  virtual ~ImportActions();
  ImportActions(const ImportActions&) = delete;
  ImportActions& operator=(const ImportActions&) = delete;

  // Starts the run afresh: the analyzed script (the settings' analyze_file, taken as it is)
  // becomes the root of the script tree and the current script.
  void BeginImport();
  // Sends results elsewhere (tests). The three must outlive the actions.
  void SetOutputs(DedezuLogger& log, JsonImportReport& report,
                  CWizzardInspectionController& events);

  const ImportStatistics& GetStatistics() const { return statistics_; }
  // Whether the top-level script's finished line has come (its summary is written then).
  bool IsImportFinished() const { return import_finished_; }
  const RunSettings& GetRunSettings() const { return settings_; }

  // Replaces group 0 by the rule's output template with each "[#i]" replaced by group i, for
  // i = 0, 1, ... in that order. An empty template leaves the groups as they are.
  static void FillOutput(const IAnalyzeRule& rule, TextLines& groups);
  // The current script's displayed name, then "::" and the tool's when a tool runs, then
  // "(" working file ")" when the tool has one; valid until the next call.
  const Qve::QVEstring& SourceTitle() const;

  // --- Script, tool and object tracking (ImportActions.cpp) ---
  // Fills the output and logs group 0 at level 8 with the source title.
  int32_t OutputResultInfo(void* context, const TextLines& lines, TextLines& groups);
  // Group 1 names a called script: it becomes a child of the current script and current.
  int32_t StartScript(void* context, const TextLines& lines, TextLines& groups);
  // Ends the script that a finished line ("Import script NAME finished", group 0) names, when
  // it is open: the scripts opened after it are closed first, innermost first, each with the
  // error "Import script <name> stopped before its end" (id: the line's) on the newest object.
  // Other lines, and names of no open script, end the current script. A called one returns to
  // its caller ("Finish call script. Return to <caller>." and the finished and progress
  // events); the root ends the import ("Finish script", the summary with the settings' command as
  // run text, and with the report flag the report pass, whose counts the final status event
  // sends).
  int32_t FinishScript(void* context, const TextLines& lines, TextLines& groups);

  // The end of the import script's output, all of it analyzed. When the root has not finished:
  // closes the open called scripts innermost first as FinishScript does; when `end` failed,
  // records "Import script <root> ended with <how>" on the newest object (on the run, in no
  // object's statistics, without objects); ends the root as FinishScript does; then logs
  // "Import script <root> stopped before its end: <how>". When the root had finished, a failed
  // `end` is an error of the run, added to the report's error table. The errors get the ids
  // `first_id`, `first_id` + 1, ... Returns the number of errors that script ends recorded in
  // the whole run: no rule counts them.
  int32_t FinishImport(const ScriptEnd& end, uint64_t first_id);
  // New current tool from group 2 + group 3. The SQL*Plus form (also SQL*Loader) then sets the
  // working file to group 7.
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
  // Records the object named by group 2 with the type word of group 1 and sends its start event.
  int32_t NewImportObject(void* context, const TextLines& lines, TextLines& groups);
  // The newest object enters its data stage; nothing before the first object.
  int32_t NewImportData(void* context, const TextLines& lines, TextLines& groups);

  // --- Database tool errors and warnings (ToolErrorActions.cpp) ---
  // The tool action that `message` describes (ToolMessages.h): fills the output, records the
  // entry and reports it. The action table binds one row per message.
  int32_t RecordToolMessage(const ToolMessage& message, void* context, const TextLines& lines,
                            TextLines& groups);
  // psql errors, skipped entirely while an expected-error script runs (ExpectedErrors.h), and for
  // the exit-code rule after an error of the newest object or right after a refused connection.
  int32_t OutputResultErrorPostgresql(void* context, const TextLines& lines, TextLines& groups);
  // A path or program the shell could not find: recorded with the whole line, then the current
  // script returns to its caller (the root stays current).
  int32_t IncorrectPathError(void* context, const TextLines& lines, TextLines& groups);

 private:
  // The client launched for an object: a message that names its working file belongs there.
  struct ToolLaunch {
    std::shared_ptr<CallFile> tool;
    std::shared_ptr<CallFileTree> script;  // the script that launched it
    size_t object = 0;                     // index in the statistics' objects
  };
  // The launch of an earlier object's client whose working file the message names in psql's
  // "psql:FILE:LINE: " prefix (clients run in parallel report after later objects were
  // announced). Null when the first line names no launched file, or the newest object's: such
  // messages belong to the current script, tool and newest object.
  const ToolLaunch* EarlierLaunchNamedBy(const TextLines& lines) const;
  // SourceTitle of a message that `launch` (may be null: the current one) owns.
  const Qve::QVEstring& TitleFor(const ToolLaunch* launch) const;
  // Fills the working file, script file, line id and stage of an entry: from `launch` and its
  // object when given, else from the current tool, script and newest object.
  void FillCommonFields(const IAnalyzeRule& rule, StatMember& entry,
                        const ToolLaunch* launch = nullptr) const;
  // Adds the entry to the statistics: on the object of `launch`, or the newest without one.
  void AddEntry(const StatMember& entry, bool error, const ToolLaunch* launch);
  // One step up the script tree; false at the root.
  bool ReturnToCaller();
  // FinishScript without its trace: ends the current script (ScriptEndActions.cpp).
  void EndCurrentScript();
  // The end of the top-level script: the summary, and with the report flag the report pass.
  void PrintImportFinished();
  void CollectReportStatistics();
  // The open script (current or one of its callers) that `named` names; null when none.
  std::shared_ptr<CallFileTree> FindOpenScript(const Qve::QVEstring& named) const;
  // Ends the current called script that never printed its finished line, with an error.
  void CloseUnfinishedScript(uint64_t id);
  // Logs, reports and sends the error `text`; `on_object` also records it on the newest object.
  void RecordScriptEndError(uint64_t id, const Qve::QVEstring& text, bool on_object);
  void SetTool(const Qve::QVEstring& path, const Qve::QVEstring& working_file);

  DedezuLogger* log_;
  JsonImportReport* report_;
  CWizzardInspectionController* events_;

  std::shared_ptr<CallFile> current_tool_;
  // The latest launch of each working file while an object was announced.
  std::unordered_map<Qve::QVEstring, ToolLaunch> launches_;
  std::shared_ptr<CallFileTree> current_script_;
  std::shared_ptr<CallFileTree> root_script_;
  ImportStatistics statistics_;
  RunSettings settings_;
  bool additional_object_ = false;
  bool import_finished_ = false;
  int32_t script_end_errors_ = 0;
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

// Forgets the name of the last rule whose psql error OutputResultErrorPostgresql reported (one
// for the whole process, empty at start); for tests.
void ResetLastReportedPsqlRule();

}  // namespace Qva
