// What the rule prefilter gives Hyperscan for a rule pattern.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Qva {

// Whether Hyperscan reads `pattern` as RegexPattern's PCRE2 translation does, judged lexically
// and conservatively. False for back references (an unset group matches the empty text in
// PCRE2, nothing in Hyperscan), inline options and "(?" forms other than (?: (?= (?! (?<= (?<!,
// escapes other than \s \S \w \W \d \D \b \B \n \r \t \f, a hex escape not of the exact form
// \xhh (with PCRE2_ALT_BSUX "\x{41}" is the text "x{41}"), a zero byte, an unclosed class.
bool ReadsAlike(std::string_view pattern);

// A pattern Hyperscan matches wherever `pattern` (one that ReadsAlike) matches: the longest run
// of plain characters that every match of `pattern` contains, anchored with "^" when the run
// starts the pattern after its "^" and is at least two thirds as long (a prefix is the most
// selective); for a top-level alternation, the forms of its branches as alternatives. An
// alternation of plain texts inside a run gives the run one alternative per way through it.
// Every form is thus a choice of plain texts ("(?:" ... ")|" ..., each text escaped, "^" before
// an anchored one). Empty when a branch has no run but the line feed that ends every line: such
// a pattern gets no filter.
std::string PrefilterForm(std::string_view pattern);

// Further forms that every match of `pattern` (one that ReadsAlike) holds besides its
// PrefilterForm: for a pattern without a top-level alternation, its longest other run of plain
// characters when that has at least six, unanchored. A rule whose form is found is still tried
// in vain on a line that lacks this run; a longer list of shorter runs costs the scan more than
// the tries it spares.
std::vector<std::string> PrefilterAlsoForms(std::string_view pattern);

}  // namespace Qva
