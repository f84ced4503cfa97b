// The one entry point through which the program reports its import to the wizard.
#pragma once

#include <cstdint>
#include <memory>

#include "QVEString.h"

namespace Qva {
class StatMember;
}  // namespace Qva

namespace EventSystem {
class EventContext;
class IEventSender;
}  // namespace EventSystem

// Publishes the import's events on a ZeroMQ PUB socket bound to "tcp://*:<port>". Disabled until
// Init is given a non-zero port; every operation but Init does nothing unless the controller is
// enabled and has a sender. Operations are called one at a time (no lock of their own).
//
// Failures never stop the import: each operation catches the standard exceptions raised while
// it creates or sends its event and traces, at level 8 with an empty source,
// "\nCWizzardInspectionController::<operation> exeption[<what>]\n". The event is lost.
class CWizzardInspectionController {
 public:
  // The program's controller: created disabled on first use and never destroyed, so its socket
  // lives until the process ends.
  static CWizzardInspectionController& Instance();

  // A separate, disabled controller (tests, tools); destroying it closes its channel.
  CWizzardInspectionController();
  ~CWizzardInspectionController();
  CWizzardInspectionController(const CWizzardInspectionController&) = delete;
  CWizzardInspectionController& operator=(const CWizzardInspectionController&) = delete;

  // Start-up, once, with the EVENTPORT (low 16 bits), MESSAGING and BAT options. Returns at once
  // when already enabled or when `port` is 0. Otherwise enables the controller, opens the socket
  // and waits 3 seconds so the wizard's subscription can arrive, then counts the lines of
  // `script_path` that begin with "call " as the total scripts (a file that cannot be opened
  // counts 0). A socket failure (port in use) is traced and skips the wait; the controller stays
  // enabled but sends nothing.
  void Init(uint16_t port, const Qve::QVEstring& message_prefix, const Qve::QVEstring& script_path);

  // The NewImportObject action, for every announced object: the running script's file name, the
  // object's name and type word, and whether it is an additional object. Null means empty.
  void StartImportEvent(const char* script_file, const char* object_name, const char* type_word,
                        bool additional);
  // The FinishScript action, when a called script ends and control returns to its caller.
  void FinishedImportEvent(const char* script_name);
  // The FinishScript action, right after FinishedImportEvent: counts one finished script and
  // sends progress finished/total, capped at 0.95. Nothing when the total is 0.
  void FinishScript();
  // The tool error actions, for each error they record. The entry's errContext is not sent.
  void AddError(const Qva::StatMember& entry);
  // The statistics pass at the end of the import: the counts the final status event sends
  // (0 until then, and for good in a run without reports). Kept whether or not enabled.
  void SetFinalCounts(uint64_t succeeded, uint64_t failed, uint64_t with_warnings);
  // The program's final step, after the run and before the JSON report is written: the counts
  // last set by SetFinalCounts, each sent as its low 32 bits.
  void SendFinalMesssage();

  bool IsEnabled() const { return enabled_; }
  uint16_t GetTotalScripts() const { return total_scripts_; }

 private:
  bool CanSend() const { return enabled_ && sender_ != nullptr; }

  bool enabled_ = false;
  uint16_t finished_scripts_ = 0;
  uint16_t total_scripts_ = 0;
  uint64_t final_succeeded_ = 0;
  uint64_t final_failed_ = 0;
  uint64_t final_with_warnings_ = 0;
  std::unique_ptr<EventSystem::EventContext> context_;
  std::shared_ptr<EventSystem::IEventSender> sender_;
};

// The number of lines of the file that begin with the five characters "call ", in 16 bits; 0
// when the file cannot be opened for reading and writing.
uint16_t CountScriptCalls(const Qve::QVEstring& script_path);
