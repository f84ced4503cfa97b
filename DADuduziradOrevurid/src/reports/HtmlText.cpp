#include "reports/HtmlText.h"

#include <algorithm>
#include <cstring>

namespace Qva {

namespace {

std::string_view Special(bool in_attribute) { return in_attribute ? "&<>\"" : "&<>"; }

std::string_view Entity(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return "&quot;";
  }
}

// Finds the characters to escape with one memchr per character (most texts have none, and
// memchr skips them fastest). Each character's search resumes only once the caller has passed
// its last find, so a text is scanned once per character however the finds are spread.
class SpecialFinder {
 public:
  SpecialFinder(std::string_view text, bool in_attribute)
      : text_(text), special_(Special(in_attribute)) {
    for (size_t i = 0; i < special_.size(); ++i) found_[i] = Search(special_[i], 0);
  }

  // The first special character at or after `from`, or npos.
  size_t Next(size_t from) {
    size_t next = std::string_view::npos;
    for (size_t i = 0; i < special_.size(); ++i) {
      if (found_[i] < from) found_[i] = Search(special_[i], from);
      next = std::min(next, found_[i]);
    }
    return next;
  }

 private:
  size_t Search(char c, size_t from) const {
    if (from >= text_.size()) return std::string_view::npos;
    const void* at = std::memchr(text_.data() + from, c, text_.size() - from);
    return at == nullptr ? std::string_view::npos
                         : static_cast<size_t>(static_cast<const char*>(at) - text_.data());
  }

  std::string_view text_;
  std::string_view special_;
  size_t found_[4] = {};
};

}  // namespace

void AppendHtmlText(Qve::QVEstring& out, std::string_view text, bool in_attribute) {
  SpecialFinder finder(text, in_attribute);
  // Runs without a special character are copied whole: most lines have none.
  size_t start = 0;
  for (size_t at = finder.Next(0); at != std::string_view::npos; at = finder.Next(start)) {
    out.append(text.substr(start, at - start));
    out.append(Entity(text[at]));
    start = at + 1;
  }
  out.append(text.substr(start));
}

Qve::QVEstring HtmlText(std::string_view text, bool in_attribute) {
  Qve::QVEstring out;
  out.reserve(text.size());
  AppendHtmlText(out, text, in_attribute);
  return out;
}

bool NeedsHtmlEscape(std::string_view text, bool in_attribute) {
  return SpecialFinder(text, in_attribute).Next(0) != std::string_view::npos;
}

}  // namespace Qva
