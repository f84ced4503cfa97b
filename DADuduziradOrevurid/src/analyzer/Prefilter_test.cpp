#include <gtest/gtest.h>

#include <random>

#include "analyzer/AtomPrefilter.h"
#include "analyzer/PrefilterAudit.h"
#include "analyzer/PrefilterPattern.h"

namespace Qva {
namespace {

// Constructs that Hyperscan reads differently from the PCRE2 translation (ECMAScript options)
// must keep a pattern out of the prefilter.
TEST(PrefilterPatternTest, ReadsAlikeOnlyWhereBothEnginesAgree) {
  const struct {
    std::string pattern;
    bool alike;
  } kCases[] = {
      {R"(^(ORA)-([0-9]*): (.*)\n)", true},
      {R"(^\s*\w+\d\b[^\\/:"<>]\.\x41(?:a|b)(?=c)(?!d)(?<=e)(?<!f)[[:alpha:]\]])", true},
      {R"((a)\1)", false},    // an unset group matches the empty text in PCRE2 only
      {R"(\x{41})", false},   // the text x{41} with PCRE2_ALT_BSUX
      {R"(\x4)", false},      // likewise only "x4"
      {R"(\u0041)", false},   // a code point only with PCRE2_ALT_BSUX
      {R"((?i)abc)", false},  // inline options
      {R"((?m)^b)", false},   // "^" after "\r" too with PCRE2's newline convention
      {R"(a\Z)", false},      // before a final "\r" too in PCRE2
      {R"([\b])", false},     // a backspace in a PCRE2 class
      {R"(a\vb\hc)", false},  // other class escapes
      {R"((?<n>a))", false},  // named groups
      {"[unclosed", false},
      {"[a:b]c", true},
      {std::string("a\0b", 3), false},
  };
  for (const auto& test : kCases) EXPECT_EQ(ReadsAlike(test.pattern), test.alike) << test.pattern;
}

// The form is a part of every match: a plain run, the prefix after "^" when selective enough,
// one form per top-level branch, nothing when only the line feed is left.
TEST(PrefilterPatternTest, FormIsAPlainPartOfEveryMatch) {
  const struct {
    const char* pattern;
    const char* form;
  } kCases[] = {
      {R"(^(ORA)-([0-9]*): (.*)\n)", R"(^ORA\x2d)"},
      {R"(^.*call.*\n)", "call"},
      {R"(^Importing (Table|View) (.+) to .*\n)", "(?:^Importing Table )|(?:^Importing View )"},
      {R"(^psql:(?:.*)(schema)(?:.*)(does not exist)(?:.*)\n)", "does not exist"},
      {R"(^(.+mysql\.exe.+ +is not recognized),\n)", R"(is not recognized\x2c\x0a)"},
      {R"(x(?:abc)?yz\.\x41)", R"(yz\x2eA)"},
      {R"(a{2}bcd)", "bcd"},
      {R"((^psql:.*(SCRAM)\n)|(^.*[tls] [Aa]lert))",
       R"((?:SCRAM\x0a)|(?:(?:l Alert)|(?:l alert)|(?:s Alert)|(?:s alert)|(?:t Alert)|(?:t alert)))"},
      {R"(^(.+)\n)", ""},
      {R"(^((?:[a-zA-Z]\:){0,1}(?:[\\/][^\\/:"<>]+){1,})>.*\n)", R"(\x3e)"},
      {R"(ab+c|de)", "(?:a)|(?:de)"},
      {R"(a(?=bcd)e)", "a"},
      {R"(^(.+)\n|x)", ""},
      {R"(ab{2}cd{1,3}e)", "a"},
      {"[[:alpha:]]", ""},
      // An alternation of plain texts joins the runs around it, one text per way through it;
      // past 64 texts the run is cut there.
      {R"(^[a-z]: (?:Killed|Aborted)\n)", R"((?:\x3a Aborted\x0a)|(?:\x3a Killed\x0a))"},
      {R"(^(?:ERROR|FATAL):  (.*)\n)", R"((?:^ERROR\x3a  )|(?:^FATAL\x3a  ))"},
      // So does a class of up to 16 plain members; a negated or larger one ends the run.
      {R"(^Code ([1-3]\d+)\n)", R"((?:^Code 1)|(?:^Code 2)|(?:^Code 3))"},
      {R"(^x [Ee]rror[^0]=[a-q]zz\n)", R"((?:^x Error)|(?:^x error))"},
      {R"(x(?:a|b|c|d|e|f|g|h|i)(?:a|b|c|d|e|f|g|h|i)yz)",
       "(?:ayz)|(?:byz)|(?:cyz)|(?:dyz)|(?:eyz)|(?:fyz)|(?:gyz)|(?:hyz)|(?:iyz)"},
      // Any other alternation that every match passes through gives its branches' forms when
      // all of them ask for more than the plain runs around it; nested, quantified or not.
      {R"(^(?:.a|b)c: (?:not found|No (?:such file|such dir)|\ws a directory)\n)",
       "(?:not found)|(?:(?:No such dir)|(?:No such file))|(?:s a directory)"},
      {R"(^(?:(?:Killed|Aborted) now)?\n)", ""},
      {R"(^(?:Killed|.+)\n)", ""},
      {R"(^(?:Killed|Aborted)(?=x|y)z\n)", "(?:^Aborted)|(?:^Killed)"},
  };
  for (const auto& test : kCases) EXPECT_EQ(PrefilterForm(test.pattern), test.form) << test.pattern;
}

// Besides its form a pattern asks for its next longest run, unanchored, when that is long
// enough; never for a text in an optional group, a lookaround or one branch of several.
TEST(PrefilterPatternTest, AlsoFormsAreFurtherRunsOfEveryMatch) {
  const struct {
    const char* pattern;
    std::vector<std::string> also;
  } kCases[] = {
      {R"(^psql:(?:.*)(function)(?:.*)(dblink)(?:.*)(does not exist)(?:.*)\n)", {"function"}},
      {R"(psql:(?:.*)(FATAL:\s+database)(?:.*)(does not exist)\n)", {"database"}},
      {R"(^abcdefgh.*tuvwxyzab)", {"tuvwxyzab"}},  // the form is the prefix
      {R"(^Exit code = ([^0])\n)", {}},
      {R"(^ORA-([0-9]*): (.*)\n)", {}},
      {R"(abcdefgh(?:ijklmnop)?qrstuv)", {"qrstuv"}},
      {R"(abcdefgh(?=ijklmnop)ijkl.*z)", {}},
      {R"(abcdefgh.*ijklmn|qrstuvwx)", {}},
      {R"(^(.+)\n)", {}},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(PrefilterAlsoForms(test.pattern), test.also) << test.pattern;
  }
}

// Indices are the caller's: each needs the atoms of one pattern, or none. A scan of several
// lines marks an atom on the line that holds its last byte; an anchored atom only at a line's
// start, the scanned text's first line included.
TEST(AtomPrefilterTest, MarksAtomsPerLineAndPassesTheIndicesThatNeedThem) {
  AtomPrefilter atoms;
  const std::vector<std::string> patterns = {"^Exit code = ([1-9])\n", "ERROR:  (.*)\n", "^(.+)\n",
                                             "^(?:NOTICE|HINT):  (.*)\n"};
  for (const std::string& pattern : patterns) atoms.Add(pattern, true);
  ASSERT_TRUE(atoms.Compile());
  EXPECT_FALSE(atoms.Compile());  // nothing new
  EXPECT_EQ(atoms.IdOf(patterns[2]), AtomPrefilter::kUnfiltered);
  EXPECT_EQ(atoms.IdOf("never added"), AtomPrefilter::kUnfiltered);
  std::vector<int32_t> keys;
  for (const std::string& pattern : patterns) keys.push_back(atoms.IdOf(pattern));
  atoms.SetIndices(keys);

  const std::string text =
      "Exit code = 1\n"
      "psql: ERR\n"  // an atom across two lines belongs to the second
      "OR:  x\n"
      "x Exit code = 2\n"
      "HINT:  y\n";
  const std::vector<uint64_t> ends = {14, 24, 31, 47, 56};
  ASSERT_EQ(ends.back(), text.size());
  std::vector<uint64_t> marks(ends.size() * atoms.Words());
  atoms.Scan(text, ends, marks.data());
  const std::vector<std::vector<bool>> kPasses = {
      {true, false, true, false},  {false, false, true, false}, {false, false, true, false},
      {false, false, true, false}, {false, false, true, true},
  };
  std::vector<uint64_t> candidates;
  for (size_t line = 0; line < ends.size(); ++line) {
    atoms.Candidates(marks.data() + line * atoms.Words(), candidates);
    for (size_t index = 0; index < patterns.size(); ++index) {
      EXPECT_EQ(((candidates[0] >> index) & 1) != 0, kPasses[line][index])
          << "line " << line << ", index " << index;
    }
  }
  // Each text scanned apart: the cut atom is now whole.
  const std::string whole = "psql: ERROR:  x\n";
  std::vector<uint64_t> one(atoms.Words());
  atoms.Scan(whole, {whole.size()}, one.data());
  atoms.Candidates(one.data(), candidates);
  EXPECT_EQ(candidates[0], 0b0110u);
}

// The prefilter stays conservative for any pattern a user may write, not only the embedded ones:
// random patterns from the PCRE2 grammar on random lines, and known traps for its parser.
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
