#include "analyzer/PrefilterPattern.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace Qva
