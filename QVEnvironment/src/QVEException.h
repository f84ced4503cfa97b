// The environment library's error type.
#pragma once

#include <cstdint>
#include <exception>

#include "QVEString.h"

namespace Qve {

// Error codes raised by the library and the action manager.
enum QVErrorCode : int32_t {
  kQVErrCreateAction = -22,    // "Error create action"
  kQVErrSetOption = -972,      // "cannot set option: %s"
  kQVErrNoMemory = -993,       // "Not enough memory, try to alloc: %d"
  kQVErrResource = -994,       // "resource unavailable: %s"
  kQVErrFileAccess = -995,     // "cannot access file: %s"
  kQVErrFileWrite = -996,      // "cannot write to file: %s"
  kQVErrFileRead = -997,       // "cannot read from file: %s"
  kQVErrFileCreate = -998,     // "cannot create file: %s"
  kQVErrFileOpen = -999,       // "cannot open file: %s"
};

// Always created with `new` and thrown as a pointer; the handler that catches `QVException*`
// owns (and deletes) the object.
class QVException : public std::exception {
 public:
  QVException(int32_t code, QVEstring message, const char* source_file, uint32_t line);
  ~QVException() override;

  virtual const QVEstring& GetMessage() const;
  int32_t GetCode() const { return code_; }
  const char* GetSourceFile() const { return source_file_; }
  uint32_t GetLine() const { return line_; }

 private:
  int32_t code_;
  QVEstring message_;
  const char* source_file_;
  uint32_t line_;
};

// Builds the message with `format` and the arguments and throws a new QVException.
[[noreturn]] void ThrowQVException(int32_t code, const char* source_file, uint32_t line,
                                   const char* format, ...) __attribute__((format(printf, 4, 5)));

}  // namespace Qve
