// One regular expression, matched with PCRE2 (8-bit, JIT) with the behaviour of the ECMAScript
// grammar on bytes: "." matches neither "\n" nor "\r", "^" only at the start of the subject,
// "$" only at its end, groups that do not take part give empty texts.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class RegexPattern {
 public:
  enum class Result { kNoMatch, kMatch, kLimit };
  // What text appended to a subject could do to its search: kSettled, nothing (the result
  // stands); kNever, no match now or with anything appended; kOpen, the result may change.
  enum class Outlook { kSettled, kNever, kOpen };

  explicit RegexPattern(Qve::QVEstring pattern = {});
  ~RegexPattern();
  RegexPattern(const RegexPattern&) = delete;
  RegexPattern& operator=(const RegexPattern&) = delete;

  // Replaces the pattern; it is compiled again on the next search.
  void SetPattern(const Qve::QVEstring& pattern);
  const Qve::QVEstring& GetPattern() const { return pattern_; }
  // Compiles the pattern now if needed; false when PCRE2 rejects it (every search then throws).
  bool Compiles();

  // Searches the first match anywhere in `subject`. The pattern is compiled on the first search
  // and kept. A pattern PCRE2 rejects throws std::runtime_error with PCRE2's message, on this
  // and on every later search. kLimit: PCRE2's match, depth, heap or JIT stack limit was hit;
  // callers count it as no match.
  Result Search(std::string_view subject);
  // As above; on kMatch appends group 0 (the whole match) and every capture group of the
  // pattern to `groups`, each cut at its first zero byte, empty for a group that did not take
  // part. The texts reuse the thread's recycled buffers (TextPool).
  Result Search(std::string_view subject, TextLines& groups);
  // Whether more text after `subject` could change this pattern's search (PCRE2's hard partial
  // matching). A pattern that is not anchored at the start may begin a match in text still to
  // come, so its no-match is kOpen. A pattern PCRE2 rejects, or a search past the limits, is
  // kOpen too.
  Outlook OutlookFor(std::string_view subject);

 private:
  struct Compiled;
  Compiled& Compile();
  Result Run(std::string_view subject, Compiled& compiled);

  Qve::QVEstring pattern_;
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace Qva
