#include "analyzer/PatternSyntax.h"

#include <cctype>
#include <string>

namespace Qva::pattern_syntax {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool PlainEscape(std::string_view pattern, size_t at, bool in_class, size_t& length) {
  const char c = pattern[at];
  length = 1;
  if (!IsAlnum(c)) return true;
  if (c == 'x') {
    length = 3;
    return at + 2 < pattern.size() && IsHex(pattern[at + 1]) && IsHex(pattern[at + 2]);
  }
  static constexpr std::string_view kOutside = "sSwWdDbBnrtf";
  static constexpr std::string_view kInside = "sSwWdDnrtf";
  return (in_class ? kInside : kOutside).find(c) != std::string_view::npos;
}

std::optional<char> EscapedChar(std::string_view pattern, size_t at) {
  const char c = pattern[at];
  if (!IsAlnum(c)) return c;
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'f':
      return '\f';
    case 'x':
      return static_cast<char>(std::stoi(std::string(pattern.substr(at + 1, 2)), nullptr, 16));
    default:
      return std::nullopt;
  }
}

size_t PosixClassEnd(std::string_view pattern, size_t at) {
  if (at + 1 >= pattern.size() || pattern[at + 1] != ':') return std::string_view::npos;
  for (size_t i = at + 2; i + 1 < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\' && (pattern[i + 1] == ']' || pattern[i + 1] == '\\')) {
      ++i;
    } else if ((c == '[' && pattern[i + 1] == ':') || c == ']') {
      return std::string_view::npos;
    } else if (c == ':' && pattern[i + 1] == ']') {
      return i + 2;
    }
  }
  return std::string_view::npos;
}

size_t ClassEnd(std::string_view pattern, size_t at) {
  ++at;
  if (at < pattern.size() && pattern[at] == '^') ++at;
  if (at < pattern.size() && pattern[at] == ']') ++at;  // a literal member
  while (at < pattern.size()) {
    const char c = pattern[at];
    const size_t posix = c == '[' ? PosixClassEnd(pattern, at) : std::string_view::npos;
    if (c == '\\') {
      at += 2;
    } else if (posix != std::string_view::npos) {
      at = posix;
    } else if (c == ']') {
      return at + 1;
    } else {
      ++at;
    }
  }
  return std::string_view::npos;
}

size_t GroupEnd(std::string_view pattern, size_t at) {
  int depth = 0;
  while (at < pattern.size()) {
    const char c = pattern[at];
    if (c == '\\') {
      at += 2;
      continue;
    }
    if (c == '[') {
      at = ClassEnd(pattern, at);
      if (at == std::string_view::npos) return at;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return at + 1;
    ++at;
  }
  return std::string_view::npos;
}

size_t QuantifierLength(std::string_view pattern, size_t at) {
  if (at >= pattern.size()) return 0;
  size_t end = at;
  const char c = pattern[at];
  if (c == '*' || c == '+' || c == '?') {
    end = at + 1;
  } else if (c == '{') {
    // Newer PCRE2 releases also read "{,n}" and blanks inside the braces as a quantifier; taking
    // every such form for one only ever drops an item.
    size_t i = at + 1, digits = 0;
    auto skip = [&](bool count) {
      for (; i < pattern.size() && (IsDigit(pattern[i]) || pattern[i] == ' '); ++i) {
        if (count && IsDigit(pattern[i])) ++digits;
      }
    };
    skip(true);
    if (i < pattern.size() && pattern[i] == ',') {
      ++i;
      skip(true);
    }
    if (digits == 0 || i >= pattern.size() || pattern[i] != '}') return 0;
    end = i + 1;
  } else {
    return 0;
  }
  if (end < pattern.size() && (pattern[end] == '?' || pattern[end] == '+')) ++end;
  return end - at;
}

std::vector<std::string_view> Branches(std::string_view pattern) {
  std::vector<std::string_view> branches;
  size_t start = 0;
  for (size_t at = 0; at < pattern.size();) {
    const char c = pattern[at];
    size_t next = at + 1;
    if (c == '\\') {
      next = at + 2;
    } else if (c == '[') {
      next = ClassEnd(pattern, at);
    } else if (c == '(') {
      next = GroupEnd(pattern, at);
    } else if (c == '|') {
      branches.push_back(pattern.substr(start, at - start));
      start = at + 1;
    }
    if (next == std::string_view::npos) return {};
    at = next;
  }
  branches.push_back(pattern.substr(start));
  return branches;
}

}  // namespace Qva::pattern_syntax
