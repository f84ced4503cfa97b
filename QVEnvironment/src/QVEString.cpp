#include "QVEString.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "QVEBuffer.h"

namespace Qve {

void FormatV(QVEstring& out, const char* format, va_list args) {
  if (format == nullptr || *format == '\0') {
    out.clear();
    return;
  }
  QVBuffer buffer;
  buffer.Resize(2 * std::strlen(format));
  for (;;) {
    va_list pass;
    va_copy(pass, args);
    int needed = std::vsnprintf(buffer.data, buffer.size, format, pass);
    va_end(pass);
    if (needed < 0) {
      // An encoding error leaves nothing meaningful to show.
      out.clear();
      return;
    }
    if (static_cast<uint64_t>(needed) < buffer.size) break;
    buffer.Resize(static_cast<uint64_t>(needed) + 1);
  }
  // Assigned only now, so that an argument may be `out` itself. The text is taken as a C text.
  out.assign(buffer.data);
}

void Format(QVEstring& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(out, format, args);
  va_end(args);
}

QVEstring FormatText(const char* format, ...) {
  QVEstring out;
  va_list args;
  va_start(args, format);
  FormatV(out, format, args);
  va_end(args);
  return out;
}

void TrimRight(QVEstring& text, char ch) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ch) --end;
  text.erase(end);
}

void TrimBoth(QVEstring& text, char ch) {
  TrimRight(text, ch);
  size_t begin = 0;
  while (begin < text.size() && text[begin] == ch) ++begin;
  text.erase(0, begin);
}

void ReplaceAll(QVEstring& text, const QVEstring& from, const QVEstring& to) {
  if (from.empty()) return;
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != QVEstring::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

void ToUpper(QVEstring& text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

QVEstring AnsiToUtf8(const QVEstring& text) { return text; }

QVEstring Utf8ToAnsi(const QVEstring& text) { return text; }

}  // namespace Qve
