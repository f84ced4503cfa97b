// The prefilter stays conservative for any pattern a user may write, not only the embedded ones:
// random patterns from the PCRE2 grammar on random lines, and known traps for its parser.
#include "analyzer/PrefilterAudit.h"

#include <gtest/gtest.h>

#include <random>

namespace Qva {
namespace {

// Random patterns over a small alphabet, so that random lines often match them.
class PatternGrammar {
 public:
  explicit PatternGrammar(uint32_t seed) : random_(seed) {}

  std::string Pattern() {
    std::string pattern = Pick(4) == 0 ? "^" : "";
    pattern += Alternation(0);
    if (Pick(4) == 0) pattern += Pick(2) ? "\\n" : "$";
    return pattern;
  }

  // A line of the alphabet, or one made from the characters of `pattern`.
  std::string Line(const std::string& pattern) {
    std::string line;
    const size_t length = Pick(14);
    for (size_t i = 0; i < length; ++i) {
      line += Pick(3) == 0 && !pattern.empty() ? pattern[Pick(pattern.size())]
                                               : kAlphabet[Pick(sizeof(kAlphabet) - 1)];
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    return line.find('\n') == std::string::npos && !line.empty() ? line : "ab";
  }

 private:
  static constexpr char kAlphabet[] = "abcAB-:|\\.[]{}, 2x";

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  std::string Alternation(int depth) {
    std::string out = Sequence(depth);
    while (Pick(4) == 0) out.append("|").append(Sequence(depth));
    return out;
  }

  std::string Sequence(int depth) {
    std::string out;
    for (size_t n = 1 + Pick(5); n > 0; --n) out += Atom(depth) + Quantifier();
    return out;
  }

  std::string Quantifier() {
    static const char* const kQuantifiers[] = {"*",    "+",    "?",  "{2}", "{1,3}", "{0}",
                                               "{,2}", "{2,}", "*?", "++",  "{ 1}"};
    return Pick(3) != 0 ? "" : kQuantifiers[Pick(std::size(kQuantifiers))];
  }

  // A literal, an escape, a class, another token, or a group.
  std::string Atom(int depth) {
    static const std::vector<std::vector<const char*>> kTokens = {
        {"\\d", "\\w", "\\s", "\\b", "\\.", "\\|", "\\\\", "\\x41", "\\x2d", "\\n", "\\(", "\\-",
         "\\[", "\\{"},
        {"[ab]", "[^a]", "[[:alpha:]]", "[]a]", "[[:a]", "[\\]]", "[a-c]", "[|]", "[^]b]",
         "[[:digit:]x]"},
        {".", "^", "$", "(*ACCEPT)", "(*F)", "(*COMMIT)", "\\1", "{", "}", "]"}};
    static const char* const kOpen[] = {"(", "(?:", "(?=", "(?!", "(?<="};
    const size_t kind = Pick(depth < 3 ? 8 : 5);
    if (kind < 2) return std::string(1, "abcAB-: ,2x"[Pick(11)]);
    if (kind < 5) return kTokens[kind - 2][Pick(kTokens[kind - 2].size())];
    std::string group = kOpen[Pick(std::size(kOpen))];
    // Lookbehinds must have a bounded length.
    group.append(group == "(?<=" ? "ab" : Alternation(depth + 1));
    return group.append(")");
  }

  std::mt19937 random_;
};

TEST(PrefilterAuditTest, NeverRulesOutAMatchingRandomPattern) {
  PatternGrammar grammar(20261206);
  size_t matched = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<std::string> patterns, lines;
    for (int i = 0; i < 40; ++i) patterns.push_back(grammar.Pattern());
    for (int i = 0; i < 40; ++i) lines.push_back(grammar.Line(patterns[i]));
    for (const PrefilterMiss& miss : AuditPrefilter(patterns, lines)) {
      ADD_FAILURE() << "pattern " << miss.pattern << " matches " << miss.text;
      if (++matched > 5) return;
    }
  }
}

// Hand-picked traps: parts a careless parser would take although a match need not have them,
// alternations inside a pattern, and line starts (the first line of a scanned text and the
// lines after it are found by different means).
TEST(PrefilterAuditTest, NeverRulesOutKnownTraps) {
  // clang-format off
  const std::vector<std::string> patterns = {
      R"(a\\|bc)", R"(a\||bc)", R"([[:a]|x:]]abc)", R"(xy(*ACCEPT)zzz)", R"(ab{,3}c)", R"(ab{ 0}c)",
      R"(\(|abc)", R"([\]|]x|abc)", R"(a(?:b|c)d|e)", R"(^(?:ab)+|c)", R"(\[|x]yz)", R"(^abcd)",
      R"(^(?:abcd|wxyz)\n)", R"(x?(?:^abcd|efgh))", R"(-(?:abcd|efgh)?-)", R"((?:abcd|)efg)",
      R"((?:(?:abcd|wxyz)e)?f)", R"(^\w: (?:abcd|wx(?:yz|ab)))", R"(\x2d(?:ab|cd)\x2d)",
      R"(abcdefgh(?:ijklmnop)?qrstuv)", R"(abcdefgh(?=ijklmnop)ijkl)", R"(abcdefghij|qrstuvwx)"};
  const std::vector<std::string> lines = {
      "bc", "a|",   "a",    "xy", "ac",  "ac", "(",       "abc",  "e",       "c",      "a\\",  "]x",
      "[",  "abcd", "wxyz", "--", "efg", "f",  "a: wxab", "-ab-", "zz abcd", "efgh x", "abcde",
      "abcdefghqrstuv", "abcdefghijklmnop", "qrstuvwx"};
  // clang-format on
  for (const PrefilterMiss& miss : AuditPrefilter(patterns, lines)) {
    ADD_FAILURE() << "pattern " << miss.pattern << " matches " << miss.text;
  }
}

}  // namespace
}  // namespace Qva
