// Lexical reading of rule patterns (PCRE2 syntax as the rules are written), for the prefilter.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace Qva::pattern_syntax {

bool IsHex(char c);
bool IsAlnum(char c);
bool IsDigit(char c);

// The escape whose letter is at `pattern[at]`: true when both engines read it the same. Escaped
// punctuation is a literal in both; of the letter escapes only the plain classes and control
// characters are. Inside a class "\b" is a backspace to PCRE2. `length` is the escape's length
// after the backslash.
bool PlainEscape(std::string_view pattern, size_t at, bool in_class, size_t& length);
// The character an escape stands for when it stands for one character (of a pattern that
// ReadsAlike), else nothing.
std::optional<char> EscapedChar(std::string_view pattern, size_t at);
// Where the POSIX class "[:name:]" that starts at `pattern[at]` ("[" inside a class) ends: the
// index just past its ":]", or npos when PCRE2 does not read one there (the "[" is then a
// literal member). PCRE2 gives up at a "]" or "[:" before the ":]", so "[[:a]|b:]" is the class
// "[:a" followed by "|b:]".
size_t PosixClassEnd(std::string_view pattern, size_t at);
// Index just past the class that starts at `pattern[at]` ("["), or npos.
size_t ClassEnd(std::string_view pattern, size_t at);
// Index just past the group that starts at `pattern[at]` ("("), or npos.
size_t GroupEnd(std::string_view pattern, size_t at);
// Length of the quantifier at `pattern[at]` ("*", "+", "?", "{n}", "{n,}", "{n,m}", each
// optionally lazy or possessive), 0 when there is none.
size_t QuantifierLength(std::string_view pattern, size_t at);
// The branches of `pattern` split at its top-level "|" (one when there is none); none when it
// cannot be parsed.
std::vector<std::string_view> Branches(std::string_view pattern);

}  // namespace Qva::pattern_syntax
