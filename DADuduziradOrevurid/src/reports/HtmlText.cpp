#include "reports/HtmlText.h"

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

}  // namespace

void AppendHtmlText(Qve::QVEstring& out, std::string_view text, bool in_attribute) {
  const std::string_view special = Special(in_attribute);
  // Runs without a special character are copied whole: most lines have none.
  size_t start = 0;
  for (size_t at = text.find_first_of(special); at != std::string_view::npos;
       at = text.find_first_of(special, start)) {
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
  return text.find_first_of(Special(in_attribute)) != std::string_view::npos;
}

}  // namespace Qva
