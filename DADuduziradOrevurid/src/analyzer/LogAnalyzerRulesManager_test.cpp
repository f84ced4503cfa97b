#include "analyzer/LogAnalyzerRulesManager.h"

#include <gtest/gtest.h>

#include <map>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RuleResources.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

// A rule source over texts given by the test; unknown numbers give an unparsable text, unknown
// supplements none.
RuleSource Texts(std::map<int32_t, std::string> texts) {
  return [texts = std::move(texts)](int32_t id) {
    auto found = texts.find(id);
    if (found != texts.end()) return found->second;
    return std::string(id > LogAnalyzerRulesManager::kSupplementOffset ? "" : "not xml");
  };
}

using Names = std::vector<Qve::QVEstring>;

std::vector<int32_t> Ids(const RuleList& list) {
  std::vector<int32_t> ids;
  for (const auto& rule : list) ids.push_back(rule->GetId());
  return ids;
}

const char kOracleFile[] = R"(<!-- test rules -->
<AnalyzeRules id="300" group="ORACLE">
  <AnalyzeRule id="7" name="Seven" type="REGEX" priority="HIGH" behavior="HARDSTOP">
    <Describe>Find &lt;things&gt;</Describe>
    <Type>Error</Type>
    <Prematch>^ORA</Prematch>
    <Match><![CDATA[^(ORA)-([0-9]*): (.*)\n]]></Match>
    <Output>Code: [#2]</Output>
    <Action>DoNothing</Action>
    <Extra><Action>Ignored</Action></Extra>
    <Action>NoSuchAction</Action>
    <Action>LoadRules</Action>
  </AnalyzeRule>
  <AnalyzeRule name="NoId" type="REGEX" priority="LOW" behavior="SOFTSTOP">
    <Describe><?note x?>Hidden</Describe>
    <Type>Warning</Type>
    <Match><!-- x -->^a\n</Match>
  </AnalyzeRule>
  <AnalyzeRule ID="3" type="CUSTOM" priority="MID" behavior="NONSTOP">
    <Check>CheckNotEmptyString</Check>
    <Output>4</Output>
    <Other><Action>ReturnChunk</Action></Other>
    <Action>SkipLines</Action>
  </AnalyzeRule>
  <AnalyzeRule id="4" name="BadCheck" type="CUSTOM" priority="MID" behavior="NONSTOP">
    <Check>checknotemptystring</Check>
  </AnalyzeRule>
  <AnalyzeRule id="5" name="NoType" priority="HIGH" behavior="HARDSTOP"/>
  <AnalyzeRule id="6" name="BadType" type="regex" priority="HIGH" behavior="HARDSTOP"/>
</AnalyzeRules>
)";

TEST(LogAnalyzerRulesManagerTest, BuildsRulesFromDefinitions) {
  test::TraceCapture trace;
  LogAnalyzer analyzer(
      Texts({{1, R"(<Groups><group id="300"/><Group id="800"/></Groups>)"}, {4, kOracleFile}}));
  analyzer.Init(false);
  const RuleList rules = analyzer.GetRulesManager()->GetGroupRules(RuleGroup::kOracle);
  ASSERT_EQ(Ids(rules), (std::vector<int32_t>{307, -1, -1, 304}));
  auto regex = [&](int i) {
    return std::dynamic_pointer_cast<RegexAnalyzeRule>(*std::next(rules.begin(), i));
  };
  auto custom = [&](int i) {
    return std::dynamic_pointer_cast<CustomAnalyzeRule>(*std::next(rules.begin(), i));
  };
  ASSERT_TRUE(regex(0) && regex(1) && custom(2) && custom(3));
  // Entities and CDATA are unescaped. The nested Action is not a sibling of the first one; an
  // unknown name binds nothing.
  EXPECT_EQ(regex(0)->GetDescribe(), "Find <things>");
  EXPECT_EQ(regex(0)->GetMatch(), "^(ORA)-([0-9]*): (.*)\\n");
  EXPECT_EQ(regex(0)->GetActionNames(), (Names{"DoNothing", "NoSuchAction", "LoadRules"}));
  EXPECT_TRUE(regex(0)->GetActions().at(0));
  EXPECT_FALSE(regex(0)->GetActions().at(1));
  // A comment or processing instruction in front of a text hides it; "Warning" is no kind.
  EXPECT_EQ(regex(1)->GetKind(), -1);
  EXPECT_EQ(regex(1)->GetDescribe() + regex(1)->GetMatch(), "");
  // ID is not id; the nested Action comes first in document order, so it counts, and its
  // sibling-less position hides the later SkipLines. A misspelt check binds nothing.
  EXPECT_EQ(custom(2)->GetName() + custom(2)->GetCheckName(), "---CheckNotEmptyString");
  EXPECT_EQ(custom(2)->GetActionNames(), Names{"ReturnChunk"});
  EXPECT_TRUE(custom(2)->HasCheck());
  EXPECT_FALSE(custom(3)->HasCheck());
  // Rules without a known type are not added. ORACLE is loaded but not active.
  EXPECT_EQ(trace.Count("Analyze rules load> Added rule "), 4u);
  EXPECT_EQ(trace.Count("[DBG] Analyze rules load> Can't load rules group id = 800"), 1u);
  EXPECT_EQ(trace.Count("Analyze action manager> Can't find action NoSuchAction"), 1u);
  EXPECT_TRUE(analyzer.GetRulesManager()->GetRules().empty());
}

// A platform supplement loads after its group's own file, into that group, and is active with
// it; a source of the eight files only keeps the embedded supplement. Texts that do not parse
// are traced and skipped: the groups list, a rule file (COMMON), a supplement (ORACLE).
TEST(LogAnalyzerRulesManagerTest, SupplementFollowsItsGroupsOwnFile) {
  test::TraceCapture trace;
  LogAnalyzer(Texts({})).Init(false);
  EXPECT_EQ(trace.Count("[DBG] LogAnalyzer rules manager> Error read groups xml file"), 1u);
  constexpr int32_t kOffset = LogAnalyzerRulesManager::kSupplementOffset;
  LogAnalyzer analyzer(
      Texts({{1, R"(<Groups><Group id="100"/><Group id="200"/><Group id="300"/></Groups>)"},
             {3, R"(<AnalyzeRules id="200" group="CMD"><AnalyzeRule id="9" name="Own"
                      type="REGEX" priority="HIGH" behavior="HARDSTOP"/></AnalyzeRules>)"},
             {kOffset + 3, R"(<AnalyzeRules id="2200" group="CMD"><AnalyzeRule id="1"
                      name="Platform" type="REGEX" priority="HIGH" behavior="HARDSTOP"/>
                    </AnalyzeRules>)"},
             {4, kOracleFile},
             {kOffset + 4, "not xml"}}));
  analyzer.Init(false);
  auto manager = analyzer.GetRulesManager();
  EXPECT_EQ(Ids(manager->GetGroupRules(RuleGroup::kCmd)), (std::vector<int32_t>{209, 2201}));
  EXPECT_EQ(manager->GetGroupRules(RuleGroup::kOracle).size(), 4u);
  EXPECT_EQ(trace.Count("LogAnalyzer rules manager> Error parse rules xml file"), 2u);
  EXPECT_EQ(Ids(manager->GetRules()), (std::vector<int32_t>{209, 2201}));

  LogAnalyzer eight([](int32_t id) { return GetResource(id); });
  eight.Init(false);
  EXPECT_GE(Ids(eight.GetRulesManager()->GetGroupRules(RuleGroup::kCmd)).back(), 2000);
}

// Every keyword maps to its value and back (one template serves every table); values outside
// a table have none.
TEST(RuleKeywordsTest, KeywordsAndValuesMapBothWays) {
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    const char* keyword = RuleGroup::Keyword(group);
    EXPECT_EQ(RuleGroup::Find(keyword != nullptr ? keyword : ""), group);
  }
  EXPECT_EQ(RuleGroup::Keyword(RuleGroup::kCount), nullptr);
  EXPECT_EQ(RuleGroup::Keyword(-1), nullptr);
}

}  // namespace
}  // namespace Qva
