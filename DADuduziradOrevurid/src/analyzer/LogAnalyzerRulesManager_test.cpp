#include "analyzer/LogAnalyzerRulesManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
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

  // Field by field the embedded rule table covers the loader; here only unescaping and CDATA.
  auto seven = std::dynamic_pointer_cast<RegexAnalyzeRule>(rules.front());
  ASSERT_TRUE(seven);
  EXPECT_EQ(seven->GetDescribe(), "Find <things>");
  EXPECT_EQ(seven->GetMatch(), "^(ORA)-([0-9]*): (.*)\\n");
  // The nested Action is not a sibling of the first one; an unknown name binds nothing.
  EXPECT_EQ(seven->GetActionNames(),
            (std::vector<Qve::QVEstring>{"DoNothing", "NoSuchAction", "LoadRules"}));
  ASSERT_EQ(seven->GetActions().size(), 3u);
  EXPECT_TRUE(seven->GetActions()[0]);
  EXPECT_FALSE(seven->GetActions()[1]);

  // A comment or processing instruction in front of a text hides it: the match pattern is
  // empty, so the rule matches every line with an empty whole match.
  auto no_id = std::dynamic_pointer_cast<RegexAnalyzeRule>(*std::next(rules.begin()));
  ASSERT_TRUE(no_id);
  EXPECT_EQ(no_id->GetKind(), -1);  // "Warning" is not a kind
  EXPECT_EQ(no_id->GetDescribe(), "");
  EXPECT_EQ(no_id->GetMatch(), "");
  TextLines groups;
  EXPECT_EQ(no_id->Analyze(&analyzer, {"b\n"}, groups), 1);
  EXPECT_EQ(groups, TextLines{""});

  // ID is not id; the nested Action comes first in document order, so it counts, and its
  // sibling-less position hides the later SkipLines.
  auto custom = std::dynamic_pointer_cast<CustomAnalyzeRule>(*std::next(rules.begin(), 2));
  ASSERT_TRUE(custom);
  EXPECT_EQ(custom->GetName(), "---");
  EXPECT_EQ(custom->GetCheckName(), "CheckNotEmptyString");
  EXPECT_TRUE(custom->HasCheck());
  EXPECT_EQ(custom->GetActionNames(), (std::vector<Qve::QVEstring>{"ReturnChunk"}));

  auto bad_check = std::dynamic_pointer_cast<CustomAnalyzeRule>(rules.back());
  ASSERT_TRUE(bad_check);
  EXPECT_FALSE(bad_check->HasCheck());
  groups.clear();
  EXPECT_EQ(bad_check->Analyze(&analyzer, {"x\n"}, groups), 0);

  EXPECT_EQ(trace.Count("[DBG] Analyze rules load> Can't load rules group id = 800"), 1u)
      << trace.Text();
  EXPECT_EQ(trace.Count("Analyze action manager> Can't find action NoSuchAction"), 1u);
  EXPECT_EQ(trace.Count("Can't find action checknotemptystring"), 1u);
  EXPECT_EQ(trace.Count("Analyze rules load> Added rule "), 4u);
  // ORACLE is loaded but not active; COMMON and CMD are empty here.
  EXPECT_TRUE(analyzer.GetRulesManager()->GetRules().empty());
}

TEST(LogAnalyzerRulesManagerTest, UnparsableTextsAreTracedAndSkipped) {
  test::TraceCapture trace;
  LogAnalyzer(Texts({})).Init(false);
  EXPECT_EQ(trace.Count("[DBG] LogAnalyzer rules manager> Error read groups xml file"), 1u)
      << trace.Text();
  LogAnalyzer analyzer(Texts({{1, R"(<Groups><Group id="100"/><Group id="200"/></Groups>)"},
                              {3, R"(<AnalyzeRules id="200" group="CMD">
                                       <AnalyzeRule id="1" name="Echo" type="REGEX"
                                         priority="LOW" behavior="NONSTOP"/>
                                     </AnalyzeRules>)"}}));
  analyzer.Init(false);
  EXPECT_EQ(trace.Count("LogAnalyzer rules manager> Error parse rules xml file"), 1u);
  EXPECT_EQ(Ids(analyzer.GetRulesManager()->GetRules()), (std::vector<int32_t>{201}));
}

TEST(LogAnalyzerRulesManagerTest, SupplementFollowsItsGroupsOwnFile) {
  const std::string groups = R"(<Groups><Group id="200"/><Group id="300"/></Groups>)";
  const char cmd_file[] = R"(<AnalyzeRules id="200" group="CMD">
      <AnalyzeRule id="9" name="Own" type="REGEX" priority="HIGH" behavior="HARDSTOP"/>
    </AnalyzeRules>)";
  const char cmd_supplement[] = R"(<AnalyzeRules id="2200" group="CMD">
      <AnalyzeRule id="1" name="Platform" type="REGEX" priority="HIGH" behavior="HARDSTOP"/>
    </AnalyzeRules>)";
  constexpr int32_t kOffset = LogAnalyzerRulesManager::kSupplementOffset;
  test::TraceCapture trace;
  LogAnalyzer analyzer(Texts({{1, groups},
                              {3, cmd_file},
                              {kOffset + 3, cmd_supplement},
                              {4, kOracleFile},
                              {kOffset + 4, "not xml"}}));
  analyzer.Init(false);
  auto manager = analyzer.GetRulesManager();
  EXPECT_EQ(Ids(manager->GetGroupRules(RuleGroup::kCmd)), (std::vector<int32_t>{209, 2201}));
  EXPECT_EQ(manager->GetGroupRules(RuleGroup::kOracle).size(), 4u);
  EXPECT_EQ(trace.Count("LogAnalyzer rules manager> Error parse rules xml file"), 1u);
  // Filed under their group, the platform rules are active exactly when the group is.
  EXPECT_EQ(Ids(manager->GetRules()), (std::vector<int32_t>{209, 2201}));
}

// A source that rewrites only the eight files (as the benchmark does) keeps the platform rules.
TEST(LogAnalyzerRulesManagerTest, SourceOfTheEightFilesKeepsThePlatformRules) {
  LogAnalyzer analyzer([](int32_t id) { return GetResource(id); });
  analyzer.Init(false);
  const std::vector<int32_t> cmd = Ids(analyzer.GetRulesManager()->GetGroupRules(RuleGroup::kCmd));
  EXPECT_NE(std::find(cmd.begin(), cmd.end(), 2201), cmd.end());
}

}  // namespace
}  // namespace Qva
