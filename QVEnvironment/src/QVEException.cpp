#include "QVEException.h"

#include <cstdarg>
#include <utility>

namespace Qve {

QVException::QVException(int32_t code, QVEstring message, const char* source_file, uint32_t line)
    : code_(code), message_(std::move(message)), source_file_(source_file), line_(line) {}

QVException::~QVException() = default;

const QVEstring& QVException::GetMessage() const { return message_; }

void ThrowQVException(int32_t code, const char* source_file, uint32_t line, const char* format,
                      ...) {
  QVEstring message;
  va_list args;
  va_start(args, format);
  FormatV(message, format, args);
  va_end(args);
  throw new QVException(code, std::move(message), source_file, line);
}

}  // namespace Qve
