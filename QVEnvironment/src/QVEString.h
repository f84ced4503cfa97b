// Text type and text helpers of the environment library.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace Qve {

// The library's narrow byte string. All text between subsystems is UTF-8.
using QVEstring = std::string;

// printf-style formatting into `out` (replacing its contents). An empty format gives an empty
// text, so does an encoding error. The result is never truncated; it is taken as a C text (it
// ends at the first zero byte).
void Format(QVEstring& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void FormatV(QVEstring& out, const char* format, va_list args);

// FormatV appending to `out` instead of replacing it; no argument may point into `out`. An
// empty format or an encoding error appends nothing.
void AppendFormatV(QVEstring& out, const char* format, va_list args);

// Whether `format` is exactly "%s" with a non-null argument, which `text` then views: a finished
// text passed on, which callers may write without formatting (a copy) at all.
bool SingleTextArgument(const char* format, va_list args, std::string_view& text);

// Convenience form of Format that returns the text.
QVEstring FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Removes every trailing `ch`.
void TrimRight(QVEstring& text, char ch);
// Removes every leading and every trailing `ch`.
void TrimBoth(QVEstring& text, char ch);
// Replaces each occurrence of `from` by `to`, scanning on after the inserted text. An empty
// `from` changes nothing.
void ReplaceAll(QVEstring& text, const QVEstring& from, const QVEstring& to);
// The same, built in `scratch`, which then holds the old text's buffer: with buffers kept from
// one call to the next, replacing allocates nothing once they have grown.
void ReplaceAll(QVEstring& text, std::string_view from, std::string_view to, QVEstring& scratch);
// Upper-cases each byte in place with the C library's toupper.
void ToUpper(QVEstring& text);

// Conversions between the platform's "ANSI" code page and UTF-8. On POSIX the locale charset is
// UTF-8, so both are identities; they stay named so that callers keep one seam.
QVEstring AnsiToUtf8(const QVEstring& text);
QVEstring Utf8ToAnsi(const QVEstring& text);

}  // namespace Qve
