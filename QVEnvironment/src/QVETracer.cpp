#include <stdexcept>

#include "QVETrace.h"

namespace Qve {

QVTracer& QVTracer::Instance() {
  // Never destroyed: code that runs during static destruction may still trace.
  union Holder {
    Holder() : tracer() {}
    ~Holder() {}
    QVTracer tracer;
  };
  static Holder holder;
  return holder.tracer;
}

QVTracer::QVTracer() {
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

void QVTracer::TraceV(int32_t level, const char* source, const char* format, va_list args) {
  QVLockGuard guard(lock_);
  for (auto it = outputers_.begin(); it != outputers_.end(); ++it) {
    // Outputers are never removed, so the list entry outlives the call: no counted copy.
    const std::shared_ptr<QVTraceOutputer>& outputer = *it;
    if (outputer->GetLevel() > level) continue;
    // Each outputer consumes its own copy of the arguments.
    va_list pass;
    va_copy(pass, args);
    try {
      outputer->Trace(level, source, format, pass);
    } catch (...) {
      va_end(pass);
      throw;
    }
    va_end(pass);
  }
}

void QVTracer::TraceIdV(int32_t level, uint32_t id, const char* source, const char* format,
                        va_list args) {
  QVLockGuard guard(lock_);
  for (auto it = outputers_.begin(); it != outputers_.end(); ++it) {
    // Outputers are never removed, so the list entry outlives the call: no counted copy.
    const std::shared_ptr<QVTraceOutputer>& outputer = *it;
    if (outputer->GetLevel() > level) continue;
    va_list pass;
    va_copy(pass, args);
    try {
      outputer->TraceId(level, id, source, format, pass);
    } catch (...) {
      va_end(pass);
      throw;
    }
    va_end(pass);
  }
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
