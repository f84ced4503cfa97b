#include "actions/RuleOutput.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace Qva {

namespace {

// Upper bound of a rule's filled output text (see FillOutput).
constexpr size_t kMaxFilledOutput = 64u << 20;

// FillOutput's buffers above this size are let go.
constexpr size_t kKeptBufferCapacity = 64 * 1024;

size_t CountOccurrences(const Qve::QVEstring& text, const char* what) {
  size_t count = 0;
  const size_t size = std::strlen(what);
  for (size_t pos = text.find(what); pos != Qve::QVEstring::npos; pos = text.find(what, pos + size))
    ++count;
  return count;
}

// The placeholder "[#i]" at `at` of `text` (canonical decimal i, as FillStepByStep writes it):
// sets `index` and `end` (past its "]") and returns true.
bool ReadPlaceholder(std::string_view text, size_t at, size_t& index, size_t& end) {
  constexpr size_t kMaxDigits = 9;
  size_t digits = 0;
  index = 0;
  for (end = at + 2; end < text.size() && text[end] >= '0' && text[end] <= '9'; ++end) {
    if (++digits > kMaxDigits || (digits == 2 && index == 0)) return false;
    index = index * 10 + static_cast<size_t>(text[end] - '0');
  }
  if (digits == 0 || end == text.size() || text[end] != ']') return false;
  ++end;
  return true;
}

// Replaces in `output` each "[#i]" by groups[i] with one pass into `out`. That is what the
// group-by-group replacement gives when the result has no "[#" left: any "[#" that a step forms
// or inserts (the start of a placeholder that a later step would replace) would be in it too.
// Returns false when that does not hold, when a "[#" of the template starts no placeholder
// that has a group, or when a step could near `bound`; `out` then holds no meaningful text.
bool FillInOnePass(std::string_view output, const TextLines& groups, size_t bound,
                   Qve::QVEstring& out) {
  out.clear();
  size_t inserted = 0;
  size_t start = 0;
  for (size_t at = output.find("[#"); at != std::string_view::npos; at = output.find("[#", start)) {
    size_t index = 0;
    size_t end = 0;
    if (!ReadPlaceholder(output, at, index, end) || index >= groups.size()) return false;
    // Every step's text is at most the template with every group inserted.
    inserted += groups[index].size();
    if (output.size() + inserted > bound) return false;
    out.append(output.substr(start, at - start));
    out.append(groups[index]);
    start = end;
  }
  out.append(output.substr(start));
  return out.find("[#") == Qve::QVEstring::npos;
}

// Replaces "[#0]" by groups[0], then "[#1]" by groups[1], ... in `text`, each step in the
// text the steps before it left, until no "[#" is left or a step would outgrow `bound`.
void FillStepByStep(const Qve::QVEstring& output, const TextLines& groups, size_t bound,
                    Qve::QVEstring& text, Qve::QVEstring& scratch) {
  text.assign(output);
  char placeholder[32] = "[#";
  for (size_t i = 0; i < groups.size(); ++i) {
    // Every placeholder starts with "[#": once none is left, no later step changes the text.
    if (text.find("[#") == Qve::QVEstring::npos) break;
    char* end = std::to_chars(placeholder + 2, placeholder + sizeof(placeholder) - 2, i).ptr;
    *end++ = ']';
    *end = '\0';
    const size_t placeholder_size = static_cast<size_t>(end - placeholder);
    if (groups[i].size() > placeholder_size) {
      const size_t growth =
          CountOccurrences(text, placeholder) * (groups[i].size() - placeholder_size);
      if (text.size() + growth > bound) break;
    }
    Qve::ReplaceAll(text, std::string_view(placeholder, placeholder_size), groups[i], scratch);
  }
}

}  // namespace

void FillOutput(const IAnalyzeRule& rule, TextLines& groups) {
  const Qve::QVEstring& output = rule.OutputText();
  if (output.empty()) return;
  if (groups.empty()) {
    groups.push_back(output);  // no placeholder has a group
    return;
  }
  // Filled in buffers kept per thread; the text is swapped into group 0, whose buffer is kept
  // in turn, so that filling allocates nothing once the buffers have grown.
  thread_local Qve::QVEstring text;
  thread_local Qve::QVEstring scratch;
  // A group may itself contain placeholders that a later step fills again, so a crafted line
  // can multiply itself. Filling stops before the text outgrows this bound; one copy of the
  // whole match (group 0, which holds every other group) always fits.
  const size_t bound = kMaxFilledOutput + groups[0].size();
  // Without "[#0]" group 0 is replaced unread: its buffer can hold the result, so that a huge
  // line is not held once more.
  if (output.find("[#0]") == Qve::QVEstring::npos) scratch.swap(groups[0]);
  if (FillInOnePass(output, groups, bound, scratch)) {
    groups[0].swap(scratch);
  } else {
    FillStepByStep(output, groups, bound, text, scratch);
    groups[0].swap(text);
  }
  // Not kept after a huge line.
  if (text.capacity() > kKeptBufferCapacity) Qve::QVEstring().swap(text);
  if (scratch.capacity() > kKeptBufferCapacity) Qve::QVEstring().swap(scratch);
}

}  // namespace Qva
