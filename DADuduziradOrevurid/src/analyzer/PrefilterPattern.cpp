#include "analyzer/PrefilterPattern.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/PatternSyntax.h"

namespace Qva {

using namespace pattern_syntax;  // the lexical helpers, throughout

namespace {

// More texts than this in one run of a form (alternations multiply) and the run is cut.
constexpr size_t kMaxRunTexts = 64;

// One item of a pattern: the character it always matches, or one of the plain texts of an
// alternation such as "(?:NOTICE|LOG)", or neither (anything else).
struct Item {
  std::optional<char> c;
  std::vector<std::string> texts;
  bool Plain() const { return c.has_value() || !texts.empty(); }
};

// Consecutive plain items: every match holds one of `texts` (a cross product of the
// alternations in it, so "(?:ERROR|FATAL):  " asks for "ERROR:  " or "FATAL:  ").
struct Run {
  std::vector<std::string> texts{std::string()};
  size_t Weakest() const {
    size_t weakest = SIZE_MAX;
    for (const std::string& text : texts) weakest = std::min(weakest, text.size());
    return weakest;
  }
  // False when the product would grow past kMaxRunTexts.
  bool Append(const Item& item) {
    if (item.c) {
      for (std::string& text : texts) text += *item.c;
      return true;
    }
    if (texts.size() * item.texts.size() > kMaxRunTexts) return false;
    std::vector<std::string> product;
    for (const std::string& head : texts) {
      for (const std::string& tail : item.texts) product.push_back(head + tail);
    }
    std::sort(product.begin(), product.end());
    product.erase(std::unique(product.begin(), product.end()), product.end());
    texts = std::move(product);
    return true;
  }
};

// A form and the length of the shortest plain run it asks for: the longer, the fewer lines it
// lets through.
struct Form {
  std::string text;
  size_t weakest = 0;
};

Form AlternationForm(std::string_view pattern);
std::vector<std::string> PlainTexts(std::string_view alternation);

// A class of few members ("[1-9]", "[Ee]") is a choice of one-character texts; empty for a
// negated class, one with escapes or POSIX classes, or one of more members.
std::vector<std::string> ClassTexts(std::string_view whole) {
  constexpr size_t kMaxMembers = 16;
  const std::string_view body = whole.substr(1, whole.size() - 2);
  if (body.empty() || body.front() == '^') return {};
  std::vector<bool> members(256, false);
  size_t count = 0;
  for (size_t at = 0; at < body.size();) {
    const auto first = static_cast<unsigned char>(body[at]);
    if (first == '\\' || first == '[') return {};
    unsigned char last = first;
    if (at + 2 < body.size() && body[at + 1] == '-') {
      last = static_cast<unsigned char>(body[at + 2]);
      if (last == '\\' || last == '[' || last < first) return {};
      at += 3;
    } else {
      ++at;
    }
    for (unsigned int member = first; member <= last; ++member) {
      if (!members[member]) ++count;
      members[member] = true;
    }
    if (count > kMaxMembers) return {};
  }
  std::vector<std::string> texts;
  for (unsigned int member = 0; member < 256; ++member) {
    if (members[member]) texts.emplace_back(1, static_cast<char>(member));
  }
  return texts;
}

// Appends the items of `branch` (no top-level "|") to `items`: plain characters, escapes that
// stand for one character, and the items of groups that are neither quantified, lookarounds
// nor alternations; everything else is one item of its own. An alternation group that every
// match passes through (not quantified) adds its form, when it has one, to `choices`. False
// when it cannot be parsed.
bool AppendItems(std::string_view branch, std::vector<Item>& items, std::vector<Form>& choices) {
  for (size_t at = 0; at < branch.size();) {
    const char c = branch[at];
    size_t end = at + 1;
    std::vector<Item> inner;
    std::vector<Form> inner_choices;  // of a group: kept unless the group is quantified
    Item item;
    if (c == '\\') {
      size_t length = 0;
      if (at + 1 >= branch.size() || !PlainEscape(branch, at + 1, false, length)) return false;
      item.c = EscapedChar(branch, at + 1);
      end = at + 1 + length;
    } else if (c == '[') {
      end = ClassEnd(branch, at);
      if (end != std::string_view::npos) item.texts = ClassTexts(branch.substr(at, end - at));
    } else if (c == '(') {
      end = GroupEnd(branch, at);
      if (end == std::string_view::npos) return false;
      std::string_view body = branch.substr(at + 1, end - at - 2);
      if (body.starts_with("?:")) body.remove_prefix(2);
      // A lookaround matches no text; an alternation has no one text, but one form per branch.
      const size_t branches = body.starts_with('?') ? 0 : Branches(body).size();
      if (branches > 1) {
        item.texts = PlainTexts(body);
        Form form = item.texts.empty() ? AlternationForm(body) : Form{};
        if (!form.text.empty()) inner_choices.push_back(std::move(form));
      } else if (branches == 1 && !AppendItems(body, inner, inner_choices)) {
        return false;
      }
    } else if (IsAlnum(c) || static_cast<unsigned char>(c) >= 0x80 ||
               std::string_view(" -:,'\"=<>/@!%&~;#_").find(c) != std::string_view::npos) {
      item.c = c;  // metacharacters, and those that are only sometimes literal, stay items
    }
    if (end == std::string_view::npos || end > branch.size()) return false;
    const size_t quantifier = QuantifierLength(branch, end);
    if (quantifier != 0) {
      items.emplace_back();
    } else if (c == '(' && !inner.empty()) {
      items.insert(items.end(), inner.begin(), inner.end());
    } else {
      items.push_back(item);
    }
    if (quantifier == 0) {
      for (Form& form : inner_choices) choices.push_back(std::move(form));
    }
    at = end + quantifier;
  }
  return true;
}

// The texts of an alternation whose branches are plain characters and plain alternations
// only, one per way through it; empty when it has another item or too many ways.
std::vector<std::string> PlainTexts(std::string_view alternation) {
  std::vector<std::string> texts;
  for (std::string_view branch : Branches(alternation)) {
    std::vector<Item> items;
    std::vector<Form> choices;
    if (!AppendItems(branch, items, choices)) return {};
    Run run;
    for (const Item& item : items) {
      if (!item.Plain() || !run.Append(item)) return {};
    }
    texts.insert(texts.end(), run.texts.begin(), run.texts.end());
    if (texts.size() > kMaxRunTexts) return {};
  }
  return texts;
}

// The pattern text that matches exactly `text`.
std::string Escape(std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsAlnum(c) || c == ' ') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

}  // namespace

bool ReadsAlike(std::string_view pattern) {
  bool in_class = false;
  for (size_t at = 0; at < pattern.size(); ++at) {
    const char c = pattern[at];
    if (c == '\0') return false;  // Hyperscan takes the pattern as a C text
    if (c == '\\') {
      if (++at == pattern.size()) return false;
      size_t length = 0;
      if (!PlainEscape(pattern, at, in_class, length)) return false;
      at += length - 1;
    } else if (in_class) {
      if (c == ']') {
        in_class = false;
      } else if (c == '[' && PosixClassEnd(pattern, at) != std::string_view::npos) {
        // A POSIX class such as [:alpha:]: ASCII in both engines.
        at = PosixClassEnd(pattern, at) - 1;
      }
    } else if (c == '[') {
      in_class = true;
      // A "]" right after "[" or "[^" is a literal member.
      if (at + 1 < pattern.size() && pattern[at + 1] == '^') ++at;
      if (at + 1 < pattern.size() && pattern[at + 1] == ']') ++at;
    } else if (c == '(' && at + 1 < pattern.size() && pattern[at + 1] == '*') {
      return false;  // a verb such as (*ACCEPT) or (*UTF): a match need not hold what follows
    } else if (c == '(' && at + 1 < pattern.size() && pattern[at + 1] == '?') {
      const std::string_view rest = pattern.substr(at + 1);
      if (!rest.starts_with("?:") && !rest.starts_with("?=") && !rest.starts_with("?!") &&
          !rest.starts_with("?<=") && !rest.starts_with("?<!")) {
        return false;
      }
    }
  }
  return !in_class;
}

namespace {

// The pattern text of a run: its texts as alternatives, each after "^" when `anchored`.
std::string RunForm(const Run& run, bool anchored) {
  std::string form;
  for (const std::string& text : run.texts) {
    if (!form.empty()) form += '|';
    if (run.texts.size() > 1) form += "(?:";
    if (anchored) form += '^';
    form += Escape(text);
    if (run.texts.size() > 1) form += ')';
  }
  return form;
}

// The runs of plain characters of `items`, in order.
std::vector<Run> RunsOf(const std::vector<Item>& items) {
  std::vector<Run> runs;
  Run run;
  for (const Item& item : items) {
    if (!item.Plain()) {
      runs.push_back(std::move(run));
      run = Run();
    } else if (!run.Append(item)) {
      runs.push_back(std::move(run));
      run = Run();
      run.Append(item);
    }
  }
  runs.push_back(std::move(run));
  return runs;
}

// The form of one branch: its longest run of plain characters, or its prefix after "^" when
// that is at least two thirds as long (a prefix is checked in one place, any other run everywhere),
// or the form of an alternation in it whose branches all ask for a longer run.
Form BranchForm(std::string_view branch) {
  const bool anchored = branch.starts_with('^');
  std::vector<Item> items;
  std::vector<Form> choices;
  if (!AppendItems(branch.substr(anchored ? 1 : 0), items, choices)) return {};
  const std::vector<Run> runs = RunsOf(items);
  Run prefix, longest;
  prefix.texts.clear();
  if (anchored) prefix = runs.front();
  for (const Run& run : runs) {
    if (run.Weakest() > longest.Weakest()) longest = run;
  }

  if (!prefix.texts.empty() && prefix.Weakest() > 0 &&
      prefix.Weakest() * 3 >= longest.Weakest() * 2) {
    return {RunForm(prefix, true), prefix.Weakest()};
  }
  // Any character but the line feed that ends every line still rules out most lines.
  if (longest.texts.size() == 1 && longest.texts.front() == "\n") longest = Run();
  const size_t weakest = longest.Weakest();
  const auto best =
      std::max_element(choices.begin(), choices.end(),
                       [](const Form& a, const Form& b) { return a.weakest < b.weakest; });
  if (best != choices.end() && best->weakest > weakest) return std::move(*best);
  if (weakest == 0) return {};
  return {RunForm(longest, false), weakest};
}

// Any branch may match: the forms of all, each needed (none when a branch has none).
Form AlternationForm(std::string_view pattern) {
  Form form{{}, SIZE_MAX};
  for (std::string_view branch : Branches(pattern)) {
    const Form part = BranchForm(branch);
    if (part.text.empty()) return {};
    if (!form.text.empty()) form.text += '|';
    form.text.append("(?:").append(part.text).push_back(')');
    form.weakest = std::min(form.weakest, part.weakest);
  }
  return form;
}

}  // namespace

std::string PrefilterForm(std::string_view pattern) {
  const std::vector<std::string_view> branches = Branches(pattern);
  if (branches.empty()) return {};
  return branches.size() == 1 ? BranchForm(branches.front()).text : AlternationForm(pattern).text;
}

std::vector<std::string> PrefilterAlsoForms(std::string_view pattern) {
  constexpr size_t kMinLength = 6;
  constexpr size_t kMaxForms = 1;
  const std::vector<std::string_view> branches = Branches(pattern);
  if (branches.size() != 1) return {};
  std::string_view branch = branches.front();
  const std::string primary = BranchForm(branch).text;
  if (branch.starts_with('^')) branch.remove_prefix(1);
  std::vector<Item> items;
  std::vector<Form> choices;
  if (primary.empty() || !AppendItems(branch, items, choices)) return {};
  std::vector<Run> runs = RunsOf(items);
  // Longest first; the run the primary form took (anchored or not) is left out.
  std::stable_sort(runs.begin(), runs.end(),
                   [](const Run& a, const Run& b) { return a.Weakest() > b.Weakest(); });
  std::vector<std::string> forms;
  for (const Run& run : runs) {
    if (forms.size() == kMaxForms || run.Weakest() < kMinLength) break;
    std::string form = RunForm(run, false);
    if (form == primary || RunForm(run, true) == primary ||
        std::find(forms.begin(), forms.end(), form) != forms.end()) {
      continue;
    }
    forms.push_back(std::move(form));
  }
  return forms;
}

}  // namespace Qva
