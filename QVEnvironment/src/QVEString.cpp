#include "QVEString.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "QVEBuffer.h"

namespace Qve {

namespace {

// Formats the printf machinery would only copy through: literal text, "%s" and "%%".
bool OnlyTextConversions(const char* format) {
  for (const char* at = std::strchr(format, '%'); at != nullptr; at = std::strchr(at + 2, '%')) {
    if (at[1] != 's' && at[1] != '%') return false;
  }
  return true;
}

// Byte for byte what vsnprintf makes of such a format, including the C library's "(null)" for a
// null text.
void AppendTextConversions(QVEstring& out, const char* format, va_list args) {
  va_list pass;
  va_copy(pass, args);
  const char* at = format;
  for (const char* mark; (mark = std::strchr(at, '%')) != nullptr; at = mark + 2) {
    out.append(at, static_cast<size_t>(mark - at));
    if (mark[1] == '%') {
      out += '%';
      continue;
    }
    const char* text = va_arg(pass, const char*);
    out.append(text != nullptr ? text : "(null)");
  }
  out.append(at);
  va_end(pass);
}

}  // namespace

void AppendFormatV(QVEstring& out, const char* format, va_list args) {
  if (format == nullptr || *format == '\0') return;
  if (OnlyTextConversions(format)) {
    AppendTextConversions(out, format, args);
    return;
  }
  // Most messages fit the stack buffer; longer ones are formatted again into one that fits.
  char small[512];
  va_list pass;
  va_copy(pass, args);
  int needed = std::vsnprintf(small, sizeof(small), format, pass);
  va_end(pass);
  if (needed < 0) return;  // an encoding error leaves nothing meaningful to show
  if (static_cast<size_t>(needed) < sizeof(small)) {
    out.append(small);  // taken as a C text
    return;
  }
  QVBuffer buffer;
  buffer.Resize(static_cast<uint64_t>(needed) + 1);
  va_copy(pass, args);
  needed = std::vsnprintf(buffer.data, buffer.size, format, pass);
  va_end(pass);
  if (needed >= 0) out.append(buffer.data);
}

bool SingleTextArgument(const char* format, va_list args, std::string_view& text) {
  if (format == nullptr || format[0] != '%' || format[1] != 's' || format[2] != '\0') return false;
  va_list pass;
  va_copy(pass, args);
  const char* argument = va_arg(pass, const char*);
  va_end(pass);
  if (argument == nullptr) return false;
  text = argument;
  return true;
}

void FormatV(QVEstring& out, const char* format, va_list args) {
  // Built apart and moved in only now, so that an argument may be `out` itself.
  QVEstring text;
  AppendFormatV(text, format, args);
  out = std::move(text);
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
  QVEstring out;
  ReplaceAll(text, from, to, out);
}

void ReplaceAll(QVEstring& text, std::string_view from, std::string_view to, QVEstring& scratch) {
  if (from.empty()) return;
  size_t pos = text.find(from);
  if (pos == QVEstring::npos) return;
  // One pass into a new text: replacing in place would move the tail once per occurrence.
  // Searching resumes after each occurrence in the original, as it would after the inserted
  // text in place, so the result is the same.
  QVEstring& out = scratch;
  out.clear();
  size_t start = 0;
  do {
    out.append(text, start, pos - start);
    out += to;
    start = pos + from.size();
  } while ((pos = text.find(from, start)) != QVEstring::npos);
  out.append(text, start, QVEstring::npos);
  text.swap(out);
}

void ToUpper(QVEstring& text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

QVEstring AnsiToUtf8(const QVEstring& text) { return text; }

QVEstring Utf8ToAnsi(const QVEstring& text) { return text; }

}  // namespace Qve
