#include "records/ValidUtf8.h"

namespace Qva {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid sequence at `at` (1 for ASCII), or 0 when it is invalid; then
// `valid_part` is how many of its bytes could still have begun a valid sequence (at least 1).
size_t SequenceLength(std::string_view text, size_t at, size_t& valid_part) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  valid_part = 1;
  if (lead < 0x80) return 1;
  size_t follow;
  unsigned char low = 0x80, high = 0xBF;  // the range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    follow = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    follow = 2;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    follow = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (size_t i = 1; i <= follow; ++i) {
    if (at + i >= text.size()) return 0;
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if (next < low || next > high) return 0;
    low = 0x80;
    high = 0xBF;
    valid_part = i + 1;
  }
  return follow + 1;
}

}  // namespace

Qve::QVEstring ValidUtf8(std::string_view text) {
  Qve::QVEstring out;
  out.reserve(text.size());
  size_t start = 0;  // the first byte not yet copied
  size_t at = 0;
  while (at < text.size()) {
    size_t valid_part = 0;
    const size_t length = SequenceLength(text, at, valid_part);
    if (length != 0) {
      at += length;
      continue;
    }
    out.append(text.substr(start, at - start));
    out.append(kReplacement);
    at += valid_part;
    start = at;
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace Qva
