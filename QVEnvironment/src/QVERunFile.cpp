#include "QVERunFile.h"

#include <memory>
#include <mutex>

#include "QVEProcessSignals.h"

namespace Qve {

namespace {

std::mutex g_failure_lock;
std::unique_ptr<QVException> g_failure;

}  // namespace

QVRunFile::QVRunFile() {
  const bool exclusive = true;
  SetOption(kQVOptBool, kQVFileExclusive, &exclusive);
}

void QVRunFile::Create(const QVEstring& path) {
  QVFile::Create(path);
  failed_ = false;
}

uint64_t QVRunFile::Write(const void* buffer, uint64_t size) {
  if (!IsOpen()) return QVFile::Write(buffer, size);  // no file: a caller's fault, thrown
  if (failed_) return size;
  try {
    QVFile::Write(buffer, size);
  } catch (QVException* error) {
    Fail(error);
  }
  return size;
}

uint64_t QVRunFile::Write(std::initializer_list<std::string_view> parts) {
  uint64_t size = 0;
  for (std::string_view part : parts) size += part.size();
  if (!IsOpen()) return QVFile::Write(parts);
  if (failed_) return size;
  try {
    QVFile::Write(parts);
  } catch (QVException* error) {
    Fail(error);
  }
  return size;
}

void QVRunFile::Fail(QVException* error) {
  failed_ = true;
  RecordOutputFailure(error);
}

void RecordOutputFailure(QVException* error) {
  std::unique_ptr<QVException> owned(error);
  {
    std::lock_guard<std::mutex> hold(g_failure_lock);
    if (g_failure) return;
    g_failure = std::move(owned);
  }
  RequestStop();
}

void ThrowOutputFailure() {
  std::lock_guard<std::mutex> hold(g_failure_lock);
  if (!g_failure) return;
  throw new QVException(g_failure->GetCode(), g_failure->GetMessage(), g_failure->GetSourceFile(),
                        g_failure->GetLine());
}

}  // namespace Qve
