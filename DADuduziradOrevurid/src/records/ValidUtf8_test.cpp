#include "records/ValidUtf8.h"

#include <gtest/gtest.h>

#include <string>

namespace Qva {
namespace {

// Sequences at the edges of each length's valid range, and how many U+FFFD each invalid one
// becomes ("?" below stands for one).
TEST(ValidUtf8Test, InvalidSequencesBecomeReplacementCharacters) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"plain ASCII \x7F", "plain ASCII \x7F"},
      {"\xC2\x80 \xDF\xBF", "\xC2\x80 \xDF\xBF"},
      {"\xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80 \xEF\xBF\xBF",
       "\xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80 \xEF\xBF\xBF"},
      {"\xF0\x90\x80\x80 \xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80 \xF4\x8F\xBF\xBF"},
      {"a\x80z", "a?z"},                         // a continuation byte alone
      {"\xC0\xAF \xC1\xBF", "?? ??"},            // overlong two-byte forms
      {"\xE0\x9F\xBF", "???"},                   // overlong three-byte form
      {"\xED\xA0\x80", "???"},                   // a surrogate
      {"\xF0\x8F\xBF\xBF", "????"},              // overlong four-byte form
      {"\xF4\x90\x80\x80 \xF5\x80", "???? ??"},  // above U+10FFFF
      {"\xFF\xFE", "??"},
      {"\xE2\x82z \xC3", "?z ?"},  // cut short, then the end
      {"\xF0\x9F\x98", "?"},       // the end inside a four-byte sequence
      {"\xF0\x9F\x98\x80\xF0\x9F", "\xF0\x9F\x98\x80?"},
  };
  for (const auto& c : cases) {
    std::string expected;
    for (const char byte : c.out) expected += byte == '?' ? "\xEF\xBF\xBD" : std::string(1, byte);
    EXPECT_EQ(ValidUtf8(c.in), expected) << c.out;
  }
}

}  // namespace
}  // namespace Qva
