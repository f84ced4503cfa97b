// Checks the rule prefilter against PCRE2 itself: a rule it rules out must not match.
#pragma once

#include <string>
#include <vector>

namespace Qva {

// A rule whose pattern matches `text` although the prefilter ruled it out.
struct PrefilterMiss {
  std::string pattern;
  std::string text;
};

// One regex rule per pattern (as its match pattern), followed by a RulePrefilter. Every text
// is judged twice: as a text of its own (NewText) and as a line of a storage that holds all of
// them (NewStoredLines, so windows of lines are scanned together); each is the line as stored,
// with its line feed. Returns every (pattern, line) where the prefilter said a rule cannot
// match and PCRE2 finds a match; patterns PCRE2 rejects are left out.
std::vector<PrefilterMiss> AuditPrefilter(const std::vector<std::string>& patterns,
                                          const std::vector<std::string>& texts);

}  // namespace Qva
