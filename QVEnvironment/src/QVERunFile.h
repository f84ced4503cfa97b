// Files the run writes while the import runs (the trace file, the HTML log). A write that fails
// there must not end the program in the middle of the analysis, with the import script left
// running unobserved: the run ends in order instead, as after a stop signal.
#pragma once

#include <initializer_list>
#include <string_view>

#include "QVEException.h"
#include "QVEFile.h"

namespace Qve {

// A QVFile created "Exclusive" (no second run takes it while this one writes it). Its first
// failed write is recorded (RecordOutputFailure) instead of thrown; after it the file is written
// no more. Open and Create failures throw as QVFile's do.
class QVRunFile : public QVFile {
 public:
  QVRunFile();

  void Create(const QVEstring& path) override;
  // Writes every byte, or nothing once a write of this file has failed. Throws only when no
  // file is open (-996, as QVFile does).
  uint64_t Write(const void* buffer, uint64_t size) override;
  uint64_t Write(std::initializer_list<std::string_view> parts);

  bool HasFailed() const { return failed_; }

 private:
  // Records the failure and stops writing.
  void Fail(QVException* error);

  bool failed_ = false;
};

// Keeps the first failure of a file the run writes (takes ownership of `error`; later ones are
// deleted) and asks for the import to stop (RequestStop): the script is ended, and what was
// analyzed is reported as at a stop.
void RecordOutputFailure(QVException* error);
// Throws the recorded failure (its code and message, as a new QVException*); nothing when none.
void ThrowOutputFailure();

}  // namespace Qve
