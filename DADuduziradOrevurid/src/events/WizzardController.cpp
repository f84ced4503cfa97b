#include "events/WizzardController.h"

#include <chrono>
#include <exception>
#include <fstream>
#include <string>
#include <thread>

#include "QVEProcess.h"
#include "QVETrace.h"
#include "events/EventContext.h"
#include "events/Events.h"
#include "events/MessageSender.h"

namespace {

// Time for the wizard's subscription to reach the new socket: a PUB socket drops every message
// sent before it.
constexpr std::chrono::seconds kSubscriberWait{3};
constexpr double kMaxProgress = 0.95;

Qve::QVEstring Text(const char* text) { return text != nullptr ? Qve::QVEstring(text) : ""; }

void TraceFailure(const char* operation, const std::exception& error) {
  Qve::QVTracer::Instance().Trace(Qve::kQVTraceOutput, "",
                                  "\nCWizzardInspectionController::%s exeption[%s]\n", operation,
                                  error.what());
}

}  // namespace

CWizzardInspectionController& CWizzardInspectionController::Instance() {
  // Never destroyed: the channel must outlive every other static that may still send.
  static CWizzardInspectionController* const instance =
      std::make_unique<CWizzardInspectionController>().release();
  return *instance;
}

CWizzardInspectionController::CWizzardInspectionController() = default;
CWizzardInspectionController::~CWizzardInspectionController() = default;

void CWizzardInspectionController::Init(uint16_t port, const Qve::QVEstring& message_prefix,
                                        const Qve::QVEstring& script_path) {
  if (enabled_ || port == 0) return;
  enabled_ = true;
  try {
    context_ = std::make_unique<EventSystem::EventContext>(1);
    sender_ = context_->CreateSender(port, message_prefix, EventSystem::kBindMode);
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + kSubscriberWait);
  } catch (const std::exception& error) {
    TraceFailure("Init", error);
  }
  total_scripts_ = CountScriptCalls(script_path);
}

void CWizzardInspectionController::StartImportEvent(const char* script_file,
                                                    const char* object_name, const char* type_word,
                                                    bool additional) {
  if (!CanSend()) return;
  try {
    ImportStartPart start{Text(script_file), Text(object_name), Text(type_word), additional};
    sender_->Send(std::make_shared<ImportEvent>(std::move(start)));
  } catch (const std::exception& error) {
    TraceFailure("StartImportEvent", error);
  }
}

void CWizzardInspectionController::FinishedImportEvent(const char* script_name) {
  if (!CanSend()) return;
  try {
    ImportStartPart start{Text(script_name), "", "", false};
    sender_->Send(std::make_shared<ImportEvent>(std::move(start)));
  } catch (const std::exception& error) {
    TraceFailure("FinishedImportEvent", error);
  }
}

void CWizzardInspectionController::FinishScript() {
  if (!CanSend() || total_scripts_ == 0) return;
  ++finished_scripts_;
  double progress = static_cast<double>(finished_scripts_) / total_scripts_;
  // The last step belongs to the end of the import, not to its last script.
  if (!(progress < kMaxProgress)) progress = kMaxProgress;
  try {
    sender_->Send(std::make_shared<ProgressEvent>(Qve::GetCurrentProcessId(), progress));
  } catch (const std::exception& error) {
    TraceFailure("FinishScript", error);
  }
}

void CWizzardInspectionController::AddError(const Qva::StatMember& entry) {
  if (!CanSend()) return;
  try {
    sender_->Send(std::make_shared<ImportEvent>(entry));
  } catch (const std::exception& error) {
    TraceFailure("AddError", error);
  }
}

void CWizzardInspectionController::SetFinalCounts(uint64_t succeeded, uint64_t failed,
                                                  uint64_t with_warnings) {
  final_succeeded_ = succeeded;
  final_failed_ = failed;
  final_with_warnings_ = with_warnings;
}

void CWizzardInspectionController::SendFinalMesssage() {
  if (!CanSend()) return;
  const auto low32 = [](uint64_t count) {
    return static_cast<int32_t>(static_cast<uint32_t>(count));
  };
  try {
    sender_->Send(std::make_shared<ImportObjectsStatusEvent>(
        low32(final_succeeded_), low32(final_failed_), low32(final_with_warnings_)));
  } catch (const std::exception& error) {
    TraceFailure("SendFinalMesssage", error);
  }
}

uint16_t CountScriptCalls(const Qve::QVEstring& script_path) {
  // Read-write access without truncation: a script that cannot be opened so counts no calls.
  std::fstream script(script_path, std::ios::in | std::ios::out);
  if (!script.is_open()) return 0;
  uint16_t count = 0;
  std::string line;
  while (std::getline(script, line)) {
    if (line.starts_with("call ")) ++count;
  }
  return count;
}
