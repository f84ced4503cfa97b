// The start and end of scripts: called scripts, finished lines, and an import script whose
// output ends before the top-level script's finished line.
#pragma once

#include <cstdint>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class ImportOutputs;
class ImportTracking;
class ScriptTree;

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

class ScriptActions {
 public:
  // All three outlive the actions.
  ScriptActions(ScriptTree& scripts, ImportTracking& tracking, ImportOutputs& outputs);
  ScriptActions(const ScriptActions&) = delete;
  ScriptActions& operator=(const ScriptActions&) = delete;

  // A new run: nothing has finished, no error recorded.
  void Begin();
  // Whether the top-level script's finished line has come (its summary is written then).
  bool IsImportFinished() const { return import_finished_; }

  // Group 1 names a called script: it becomes a child of the current script and current.
  int32_t StartScript(void* context, const TextLines& lines, TextLines& groups);
  // Ends the script that a finished line ("Import script NAME finished", group 0) names, when
  // it is open: the scripts opened after it are closed first, innermost first, each with the
  // error "Import script <name> stopped before its end" (id: the line's) on the newest object.
  // Other lines, and names of no open script, end the current script. A called one returns to
  // its caller (ScriptFinished); the root ends the import ("Finish script", then
  // ImportFinished).
  int32_t FinishScript(void* context, const TextLines& lines, TextLines& groups);

  // The end of the import script's output, all of it analyzed. When the root has not finished:
  // closes the open called scripts innermost first as FinishScript does; when `end` failed,
  // records "Import script <root> ended with <how>" on the newest object (on the run, in no
  // object's statistics, without objects); ends the root as FinishScript does; then notes
  // "Import script <root> stopped before its end: <how>". When the root had finished, a failed
  // `end` is an error of the run (RunErrorAdded). The errors get the ids `first_id`,
  // `first_id` + 1, ... Returns the number of errors that script ends recorded in the whole run:
  // no rule counts them.
  int32_t FinishImport(const ScriptEnd& end, uint64_t first_id);

 private:
  // Ends the current script, as FinishScript does once the named one is current.
  void EndCurrentScript();
  // Ends the current called script that never printed its finished line, with an error.
  void CloseUnfinishedScript(uint64_t id);
  // Reports the error `text`; `on_object` also records it on the newest object.
  void RecordScriptEndError(uint64_t id, const Qve::QVEstring& text, bool on_object);

  ScriptTree& scripts_;
  ImportTracking& tracking_;
  ImportOutputs& outputs_;
  bool import_finished_ = false;
  int32_t script_end_errors_ = 0;
};

}  // namespace Qva
