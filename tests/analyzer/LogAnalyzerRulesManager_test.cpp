#include "analyzer/LogAnalyzerRulesManager.h"

#include <gtest/gtest.h>

#include <map>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RuleResources.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

// Texts given by the test; other numbers give an unparsable text, other supplements none.
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
  <AnalyzeRule ID="3" type="CUSTOM" priority="MID" behavior="NONSTOP">
    <Check>CheckNotEmptyString</Check>
    <Output>4</Output>
    <Other><Action>ReturnChunk</Action></Other>
    <Action>SkipLines</Action>
  </AnalyzeRule>
  <AnalyzeRule id="5" name="NoType" priority="HIGH" behavior="HARDSTOP"/>
  <AnalyzeRule id="6" name="BadType" type="regex" priority="HIGH" behavior="HARDSTOP"/>
</AnalyzeRules>
)";

// Rules are built from their definitions; a supplement loads after its group's own file, into
// that group. Unparsable groups lists, rule files and supplements are traced and skipped.
TEST(LogAnalyzerRulesManagerTest, BuildsRulesFromDefinitionsAndSupplements) {
  test::TraceCapture trace;
  LogAnalyzer(Texts({})).Init(false);
  EXPECT_EQ(trace.Count("[DBG] LogAnalyzer rules manager> Error read groups xml file"), 1u);
  constexpr int32_t kOffset = LogAnalyzerRulesManager::kSupplementOffset;
  LogAnalyzer analyzer(
      Texts({{1, R"(<Groups><Group id="100"/><Group id="200"/><group id="300"/><Group id="800"/>
              </Groups>)"},
             {3, R"(<AnalyzeRules id="200" group="CMD"><AnalyzeRule id="9" name="Own"
                type="REGEX" priority="HIGH" behavior="HARDSTOP"/></AnalyzeRules>)"},
             {kOffset + 3, R"(<AnalyzeRules id="2200" group="CMD"><AnalyzeRule id="1"
                name="Platform" type="REGEX" priority="HIGH" behavior="HARDSTOP"/>
              </AnalyzeRules>)"},
             {4, kOracleFile},
             {kOffset + 4, "not xml"}}));
  ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  auto manager = analyzer.GetRulesManager();
  EXPECT_EQ(Ids(manager->GetGroupRules(RuleGroup::kCmd)), (std::vector<int32_t>{209, 2201}));
  const RuleList rules = manager->GetGroupRules(RuleGroup::kOracle);
  ASSERT_EQ(Ids(rules), (std::vector<int32_t>{307, -1}));
  const auto seven = std::dynamic_pointer_cast<RegexAnalyzeRule>(rules.front());
  const auto custom = std::dynamic_pointer_cast<CustomAnalyzeRule>(rules.back());
  ASSERT_TRUE(seven && custom);
  // Entities and CDATA are unescaped. The nested Action is not a sibling of the first one; an
  // unknown name binds nothing.
  EXPECT_EQ(seven->GetDescribe(), "Find <things>");
  EXPECT_EQ(seven->GetMatch(), "^(ORA)-([0-9]*): (.*)\\n");
  EXPECT_EQ(seven->GetActionNames(), (Names{"DoNothing", "NoSuchAction", "LoadRules"}));
  EXPECT_TRUE(seven->GetActions().at(0));
  EXPECT_FALSE(seven->GetActions().at(1));
  // ID is not id; the nested Action comes first in document order, so it counts, and its
  // sibling-less position hides the later SkipLines.
  EXPECT_EQ(custom->GetName() + custom->GetCheckName(), "---CheckNotEmptyString");
  EXPECT_EQ(custom->GetActionNames(), Names{"ReturnChunk"});
  EXPECT_TRUE(custom->HasCheck());
  // Rules without a known type are not added. COMMON (file 2) does not parse; ORACLE is loaded
  // but not active.
  EXPECT_EQ(trace.Count("Analyze rules load> Added rule "), 4u);
  EXPECT_EQ(trace.Count("[DBG] Analyze rules load> Can't load rules group id = 800"), 1u);
  EXPECT_EQ(trace.Count("Analyze action manager> Can't find action NoSuchAction"), 1u);
  EXPECT_EQ(trace.Count("LogAnalyzer rules manager> Error parse rules xml file"), 2u);
  EXPECT_EQ(Ids(manager->GetRules()), (std::vector<int32_t>{209, 2201}));

  // A source of the eight files keeps the embedded supplement.
  LogAnalyzer eight([](int32_t id) { return GetResource(id); });
  eight.Init(false);
  EXPECT_GE(Ids(eight.GetRulesManager()->GetGroupRules(RuleGroup::kCmd)).back(), 2000);
}

// Keywords map to values and back (one template serves every table); outside a table, none.
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
