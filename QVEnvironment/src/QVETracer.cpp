#include <stdexcept>

#include "QVETrace.h"

namespace Qve {

QVTracer& QVTracer::Instance() {
  // Never destroyed: code that runs during static destruction may still trace.
  static QVNoDestructor<QVTracer> tracer{OnlyInstance{}};
  return tracer.Get();
}

QVTracer::QVTracer(OnlyInstance) {
  outputers_.push_back(std::make_shared<QVConsoleTraceOutputer>(kQVTraceOff));
  outputers_.push_back(std::make_shared<QVTextFileTraceOutputer>(kQVTraceOff));
}

void QVTracer::AddOutputer(const std::shared_ptr<QVTraceOutputer>& outputer) {
  if (!outputer) return;
  QVLockGuard guard(lock_);
  if (outputers_.size() >= outputers_.max_size()) throw std::length_error("list too long");
  outputers_.push_back(outputer);
}

std::shared_ptr<QVTraceOutputer> QVTracer::FindOutputer(int32_t type) {
  QVLockGuard guard(lock_);
  for (const auto& outputer : outputers_) {
    if (outputer->GetType() == type) return outputer;
  }
  return nullptr;
}

void QVTracer::SetOutputerLevel(int32_t type, int32_t level) {
  std::shared_ptr<QVTraceOutputer> outputer = FindOutputer(type);
  if (outputer) outputer->SetLevel(level);
}

void QVTracer::SetAllLevels(int32_t level) {
  // Locked too, so that a level never changes under a message being dispatched.
  QVLockGuard guard(lock_);
  for (const auto& outputer : outputers_) outputer->SetLevel(level);
}

void QVTracer::SetDebugLevel(int32_t n) {
  QVLockGuard guard(lock_);
  int32_t file_level = kQVTraceDebug;
  switch (n) {
    case 0:
      file_level = kQVTraceOff;
      break;
    case 1:
      file_level = kQVTraceError;
      break;
    case 2:
      file_level = kQVTraceNotice;
      break;
    case 3:
      file_level = kQVTraceInfo;
      break;
    default:
      break;
  }
  SetOutputerLevel(kQVOutputerTextFile, file_level);
  SetOutputerLevel(kQVOutputerConsole, kQVTraceNotice);
}

void QVTracer::SetTraceFile(const QVEstring& path) {
  auto file = std::dynamic_pointer_cast<QVTextFileTraceOutputer>(FindOutputer(kQVOutputerTextFile));
  if (file) file->SetFile(path);
}

void QVTracer::SetConsoleTerminal(bool on, bool colours) {
  QVLockGuard guard(lock_);
  for (const auto& outputer : outputers_) {
    if (auto* console = dynamic_cast<QVConsoleTraceOutputer*>(outputer.get())) {
      console->SetTerminal(on, colours);
      return;
    }
  }
}

void QVTracer::ShowConsoleStatus(std::string_view status) {
  QVLockGuard guard(lock_);
  for (const auto& outputer : outputers_) {
    if (auto* console = dynamic_cast<QVConsoleTraceOutputer*>(outputer.get())) {
      console->SetStatus(status);
      return;
    }
  }
}

void QVTracer::Dispatch(int32_t level, const uint32_t* id, const char* source, const char* format,
                        va_list args) {
  QVLockGuard guard(lock_);
  // Outputers are never removed, so the list entries outlive the call: no counted copies.
  bool built[3] = {};
  bool formatted = false;
  std::string_view message;
  for (const auto& outputer : outputers_) {
    if (outputer->GetLevel() > level) continue;
    const int kind = outputer->LineKind();
    if (kind == 0 || built[kind]) continue;
    if (!formatted) {
      // Each use of the arguments takes its own copy of them.
      va_list pass;
      va_copy(pass, args);
      message = QVTraceOutputer::MessageText(format, pass, message_);
      va_end(pass);
      formatted = true;
    }
    // File and string outputers drop the id.
    outputer->BuildLine(lines_[kind], level, kind == 1 ? id : nullptr, source, message);
    built[kind] = true;
  }
  for (const auto& outputer : outputers_) {
    if (outputer->GetLevel() > level) continue;
    const int kind = outputer->LineKind();
    if (kind != 0) {
      outputer->WriteLine(lines_[kind]);
      continue;
    }
    va_list pass;
    va_copy(pass, args);
    try {
      if (id != nullptr) {
        outputer->TraceId(level, *id, source, format, pass);
      } else {
        outputer->Trace(level, source, format, pass);
      }
    } catch (...) {
      va_end(pass);
      throw;
    }
    va_end(pass);
  }
}

void QVTracer::TraceV(int32_t level, const char* source, const char* format, va_list args) {
  Dispatch(level, nullptr, source, format, args);
}

void QVTracer::TraceIdV(int32_t level, uint32_t id, const char* source, const char* format,
                        va_list args) {
  Dispatch(level, &id, source, format, args);
}

void QVTracer::Trace(int32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(level, source, format, args);
  va_end(args);
}

void QVTracer::TraceId(int32_t level, uint32_t id, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceIdV(level, id, source, format, args);
  va_end(args);
}

void QVTracer::Debug(const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(kQVTraceDebug, source, format, args);
  va_end(args);
}

void QVTracer::Critical(const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(kQVTraceCritical, source, format, args);
  va_end(args);
}

void QVTracer::Output(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(kQVTraceOutput, "", format, args);
  va_end(args);
}

}  // namespace Qve
