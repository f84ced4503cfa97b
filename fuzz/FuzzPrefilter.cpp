// The rule prefilter against PCRE2 on arbitrary patterns: a rule that the prefilter rules out
// must not match (AuditPrefilter); any miss aborts.
//
// Input: byte 0 tells how many of the following lines are patterns (1 + byte % 8); the lines
// after them are the texts. The dictionary (prefilter.dict) holds PCRE2's syntax, so that
// mutations build patterns of the whole grammar. Texts that match are rare among random bytes,
// so each pattern also gives texts of its own: its pieces between "|" with the escaping
// backslashes dropped (the branch "\[" gives the text "[").
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analyzer/PrefilterAudit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t pattern_count = 1 + data[0] % 8;
  std::vector<std::string> patterns, texts;
  std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string line = input.substr(start, end - start);
    (patterns.size() < pattern_count ? patterns : texts).push_back(std::move(line));
    start = end + 1;
  }
  // Bounded work per input: long patterns and many texts add nothing the mutations need.
  if (texts.size() > 16) texts.resize(16);
  for (const std::string& pattern : patterns) {
    std::string piece;
    for (size_t at = 0; at <= pattern.size(); ++at) {
      if (at == pattern.size() || pattern[at] == '|') {
        if (!piece.empty()) texts.push_back(piece);
        piece.clear();
      } else if (pattern[at] == '\\' && at + 1 < pattern.size()) {
        piece += pattern[++at];
      } else {
        piece += pattern[at];
      }
    }
  }
  for (const Qva::PrefilterMiss& miss : Qva::AuditPrefilter(patterns, texts)) {
    std::fprintf(stderr, "prefilter ruled out pattern [%s] that matches [%s]\n",
                 miss.pattern.c_str(), miss.text.c_str());
    std::abort();
  }
  return 0;
}
