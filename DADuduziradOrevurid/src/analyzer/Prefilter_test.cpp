#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "QVETestSupport.h"
#include "analyzer/AtomPrefilter.h"
#include "analyzer/LogTextStorage.h"
#include "analyzer/PrefilterAudit.h"
#include "analyzer/PrefilterPattern.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RulePrefilter.h"

namespace Qva {
namespace {

// The rows of tests/data/analyzer/NAME, split at tabs; a missing or short file fails the test.
std::vector<std::vector<std::string>> PrefilterRows(const std::string& name, size_t rows) {
  auto table = Qve::test::SplitTable(Qve::test::ReadTestData("analyzer/" + name));
  EXPECT_EQ(table.size(), rows) << name;
  return table;
}

// Constructs that Hyperscan reads differently from the PCRE2 translation (ECMAScript options)
// must keep a pattern out of the prefilter (prefilter-alike.tsv: verdict, pattern).
TEST(PrefilterPatternTest, ReadsAlikeOnlyWhereBothEnginesAgree) {
  for (const auto& row : PrefilterRows("prefilter-alike.tsv", 14)) {
    EXPECT_EQ(ReadsAlike(row.at(1)), row[0] == "yes") << row[1];
  }
  EXPECT_FALSE(ReadsAlike(std::string("a\0b", 3)));
}

// The form is a part of every match (prefilter-forms.tsv: pattern, form).
TEST(PrefilterPatternTest, FormIsAPlainPartOfEveryMatch) {
  for (const auto& row : PrefilterRows("prefilter-forms.tsv", 24)) {
    EXPECT_EQ(PrefilterForm(row.at(0)), row.at(1)) << row[0];
  }
}

// Besides its form a pattern asks for its further long runs (prefilter-also-forms.tsv: pattern,
// then each run).
TEST(PrefilterPatternTest, AlsoFormsAreFurtherRunsOfEveryMatch) {
  for (const auto& row : PrefilterRows("prefilter-also-forms.tsv", 9)) {
    EXPECT_EQ(PrefilterAlsoForms(row[0]), std::vector<std::string>(row.begin() + 1, row.end()))
        << row[0];
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

  // atom-scan.tsv: the lines of one scanned text and the patterns each passes.
  const auto rows = PrefilterRows("atom-scan.tsv", 5);
  std::string text;
  std::vector<uint64_t> ends;
  for (const auto& row : rows) ends.push_back((text += row.at(1) + "\n").size());
  std::vector<uint64_t> marks(ends.size() * atoms.Words());
  atoms.Scan(text, ends, marks.data());
  std::vector<uint64_t> candidates;
  for (size_t line = 0; line < ends.size(); ++line) {
    atoms.Candidates(marks.data() + line * atoms.Words(), candidates);
    std::string passes;
    for (size_t index = 0; index < patterns.size(); ++index) {
      passes += ((candidates[0] >> index) & 1) != 0 ? '1' : '0';
    }
    EXPECT_EQ(passes, rows[line][0]) << rows[line][1];
  }
  // Each text scanned apart: the cut atom is now whole.
  const std::string whole = "psql: ERROR:  x\n";
  std::vector<uint64_t> one(atoms.Words());
  atoms.Scan(whole, {whole.size()}, one.data());
  atoms.Candidates(one.data(), candidates);
  EXPECT_EQ(candidates[0], 0b0110u);
}

// A rule whose form is found is tried only when its further runs are found too, in the same
// line or in another line of the text judged; a prematch's runs count as well.
TEST(RulePrefilterTest, TriesARuleOnlyWhenAllItsRunsAreFound) {
  const struct {
    const char* prematch;
    const char* match;
  } kRules[] = {
      {"", R"(^psql:(?:.*)(function)(?:.*)(dblink)(?:.*)(does not exist)(?:.*)\n)"},
      {R"(ERROR: +relation)", R"(^psql:(?:.*)(does not exist)\n)"},
  };
  auto rules = std::make_shared<RuleVector>();
  for (const auto& rule : kRules) {
    rules->push_back(std::make_shared<RegexAnalyzeRule>(
        static_cast<int32_t>(rules->size()), "Rule", -1, RuleGroup::kCommon, RulePriority::kHigh,
        RuleBehavior::kNonStop, "", rule.prematch, rule.match, "", ActionFunction()));
  }
  RulePrefilter prefilter;
  prefilter.Follow(rules);

  // rule-prefilter-lines.tsv: whether each rule may match each line.
  const auto lines = PrefilterRows("rule-prefilter-lines.tsv", 4);
  LogTextStorage storage;
  for (const auto& line : lines) storage.AddText(line.at(2) + "\n");
  const auto no_text = [] { return std::string_view(); };
  for (uint64_t index = 0; index < lines.size(); ++index) {
    ASSERT_TRUE(prefilter.NewStoredLines(storage, index, 1));
    EXPECT_EQ(prefilter.MayMatch(0, no_text), lines[index][0] == "yes") << index;
    EXPECT_EQ(prefilter.MayMatch(1, no_text), lines[index][1] == "yes") << index;
  }
  // Lines 2 and 3 judged as one text hold every run of the second rule.
  ASSERT_TRUE(prefilter.NewStoredLines(storage, 2, 2));
  EXPECT_FALSE(prefilter.MayMatch(0, no_text));
  EXPECT_TRUE(prefilter.MayMatch(1, no_text));
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
// lines after it are found by different means); every pattern on every line.
TEST(PrefilterAuditTest, NeverRulesOutKnownTraps) {
  std::vector<std::string> patterns, lines;
  for (const auto& row : PrefilterRows("prefilter-trap-patterns.txt", 22))
    patterns.push_back(row[0]);
  for (const auto& row : PrefilterRows("prefilter-trap-lines.txt", 26)) lines.push_back(row[0]);
  for (const PrefilterMiss& miss : AuditPrefilter(patterns, lines)) {
    ADD_FAILURE() << "pattern " << miss.pattern << " matches " << miss.text;
  }
}

}  // namespace
}  // namespace Qva
