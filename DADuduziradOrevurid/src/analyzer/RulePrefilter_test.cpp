#include "analyzer/RulePrefilter.h"

#include <gtest/gtest.h>

#include "analyzer/LogTextStorage.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"

namespace Qva {
namespace {

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

  LogTextStorage storage;
  const struct {
    const char* line;
    bool first;
    bool second;
  } kLines[] = {
      {"psql: ERROR: relation \"t\" does not exist\n", false, true},
      {"psql: ERROR: function dblink_exec does not exist\n", true, false},
      {"psql: ERROR: dblink x does not exist\n", false, false},
      {"psql: relation \"t\" does not exist\n", false, false},
  };
  for (const auto& line : kLines) storage.AddText(line.line);
  const auto no_text = [] { return std::string_view(); };
  for (uint64_t index = 0; index < std::size(kLines); ++index) {
    ASSERT_TRUE(prefilter.NewStoredLines(storage, index, 1));
    EXPECT_EQ(prefilter.MayMatch(0, no_text), kLines[index].first) << index;
    EXPECT_EQ(prefilter.MayMatch(1, no_text), kLines[index].second) << index;
  }
  // Lines 2 and 3 judged as one text hold every run of the second rule.
  ASSERT_TRUE(prefilter.NewStoredLines(storage, 2, 2));
  EXPECT_FALSE(prefilter.MayMatch(0, no_text));
  EXPECT_TRUE(prefilter.MayMatch(1, no_text));
}

}  // namespace
}  // namespace Qva
