// Loading rules: from definitions and supplements, the compiled-in files (byte for byte as
// released, every rule loads and binds), and the order of the active list.
#include "analyzer/LogAnalyzerRulesManager.h"

#include <gtest/gtest.h>

#include <boost/crc.hpp>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "QVETestSupport.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/PriorityOrderRulesManager.h"
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

// A rule file of tests/data/analyzer/rule-source.
std::string SourceFile(const std::string& name) {
  const std::string text =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/data/analyzer/rule-source/" + name);
  EXPECT_FALSE(text.empty()) << name;
  return text;
}

// Rules are built from their definitions (rule-source: the groups list, CMD's file and
// supplement, ORACLE's file); a supplement loads after its group's own file, into that group.
// Unparsable groups lists, rule files and supplements are traced and skipped.
TEST(LogAnalyzerRulesManagerTest, BuildsRulesFromDefinitionsAndSupplements) {
  test::TraceCapture trace;
  LogAnalyzer(Texts({})).Init(false);
  EXPECT_EQ(trace.Count("[DBG] LogAnalyzer rules manager> Error read groups xml file"), 1u);
  constexpr int32_t kOffset = LogAnalyzerRulesManager::kSupplementOffset;
  LogAnalyzer analyzer(Texts({{1, SourceFile("groups.xml")},
                              {3, SourceFile("cmd.xml")},
                              {kOffset + 3, SourceFile("cmd-posix.xml")},
                              {4, SourceFile("oracle.xml")},
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

// The eight rule files are byte for byte as released; platform rules belong in
// res/AnalyzeRules/posix.
TEST(EmbeddedRulesTest, TheEightRuleFilesAreUnchanged) {
  const std::vector<std::pair<size_t, uint32_t>> fingerprints = {
      {484, 0xbc76bcc7},  {953, 0xe77851b6},  {5167, 0x52be02f7}, {3908, 0x57c75fd4},
      {9698, 0x7f4833d5}, {2815, 0x90484047}, {1850, 0x341507a1}, {1951, 0x31062f38}};
  for (int id = 1; id <= 8; ++id) {
    const std::string text = GetResource(id);
    boost::crc_32_type crc;
    crc.process_bytes(text.data(), text.size());
    EXPECT_EQ(std::make_pair(text.size(), crc.checksum()), fingerprints[id - 1])
        << GetResourceTable()[id - 1].name;
  }
  for (int id : {0, 9, -1}) EXPECT_THROW(GetResource(id), std::runtime_error) << id;
  for (int id : {2, 3, 4, 5}) EXPECT_FALSE(GetPlatformSupplement(id).empty()) << id;
  for (int id : {1, 9}) EXPECT_TRUE(GetPlatformSupplement(id).empty()) << id;
}

// Every group loads without a traced problem; ids are unique; every action and check binds (a
// misspelt one is an empty callable); patterns compile; platform ids are their file's + 2000.
TEST(EmbeddedRulesTest, EveryRuleLoadsAndBinds) {
  LogAnalyzer analyzer;
  ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  const std::string trace = analyzer.GetTraceText();
  for (const char* problem : {"Error read", "Error parse", "Can't load", "Can't find"}) {
    EXPECT_EQ(trace.find(problem), std::string::npos) << problem;
  }
  std::set<int32_t> ids;
  size_t platform = 0;
  std::vector<std::shared_ptr<IAnalyzeRule>> rules;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    const RuleList list = analyzer.GetRulesManager()->GetGroupRules(group);
    EXPECT_FALSE(list.empty()) << group;
    rules.insert(rules.end(), list.begin(), list.end());
  }
  for (const auto& rule : rules) {
    SCOPED_TRACE(std::to_string(rule->GetId()) + " " + rule->GetName());
    EXPECT_TRUE(ids.insert(rule->GetId()).second);
    if (rule->GetId() >= 2000) {
      EXPECT_EQ(rule->GetId() / 100, 21 + rule->GetGroup());
      ++platform;
    }
    ASSERT_EQ(rule->GetActions().size(), rule->GetActionNames().size());
    for (const auto& action : rule->GetActions()) EXPECT_TRUE(action);
    const auto* custom = dynamic_cast<CustomAnalyzeRule*>(rule.get());
    EXPECT_TRUE(custom == nullptr || custom->HasCheck());
    if (auto* regex = dynamic_cast<RegexAnalyzeRule*>(rule.get())) {
      EXPECT_TRUE(regex->MatchPattern().Compiles());
      EXPECT_TRUE(regex->PrematchPattern().Compiles());
    }
  }
  EXPECT_EQ(ids.size(), 116u);
  EXPECT_EQ(platform, 48u);
  // Every group's keyword is read in the rule files; outside the table there is none.
  EXPECT_EQ(RuleGroup::Keyword(RuleGroup::kCount), nullptr);
  EXPECT_EQ(RuleGroup::Keyword(-1), nullptr);
}

std::shared_ptr<IAnalyzeRule> MakeRule(int32_t id, int32_t group, int32_t priority) {
  return std::make_shared<CustomAnalyzeRule>(id, Qve::FormatText("r%d", id), group, priority,
                                             RuleBehavior::kNonStop, "", "", ActionFunction(),
                                             ActionFunction());
}

// Active rules by priority (unknown first), group and id, an equal one in front; group lists keep
// load order; a group activated twice is in the list twice, an unknown one is ignored. A walk's
// snapshot keeps its list; a change rebuilds it.
TEST(PriorityOrderRulesManagerTest, ActiveListIsOrderedByPriorityGroupAndId) {
  using namespace RuleGroup;
  using namespace RulePriority;
  PriorityOrderRulesManager manager;
  const std::vector<std::tuple<int32_t, int32_t, int32_t>> rules = {
      {305, kOracle, kHigh}, {1100, kCommon, kVeryLow}, {202, kCmd, kHigh}, {201, kCmd, kHigh},
      {102, kCommon, kHigh}, {101, kCommon, kVeryHigh}, {7, kMySql, -1}};
  for (const auto& [id, group, priority] : rules) {
    manager.AddActiveRule(MakeRule(id, group, priority));
  }
  EXPECT_EQ(Ids(manager.GetRules()), (std::vector<int32_t>{7, 101, 102, 201, 202, 305, 1100}));
  auto newer = MakeRule(201, kCmd, kHigh);
  manager.AddActiveRule(newer);
  EXPECT_EQ(*std::next(manager.GetRules().begin(), 3), newer);

  PriorityOrderRulesManager groups;
  groups.AddRule(kCmd, MakeRule(201, kCmd, kHigh));
  groups.AddRule(kOracle, MakeRule(302, kOracle, kHigh));
  groups.AddRule(kOracle, MakeRule(311, kOracle, kLow));
  groups.AddRule(kOracle, MakeRule(301, kOracle, kHigh));
  EXPECT_EQ(Ids(groups.GetGroupRules(kOracle)), (std::vector<int32_t>{302, 311, 301}));
  groups.ActivateGroup(kCmd);
  const auto snapshot = groups.GetRuleSnapshot();
  EXPECT_EQ(groups.GetRuleSnapshot(), snapshot);  // not rebuilt while nothing changed
  groups.ActivateGroup(kOracle);
  groups.ActivateGroup(kOracle);
  groups.ActivateGroup(RuleGroup::kCount);  // unknown: ignored
  EXPECT_EQ(snapshot->size(), 1u);
  EXPECT_EQ(Ids(groups.GetRules()), (std::vector<int32_t>{201, 301, 301, 302, 302, 311, 311}));
  EXPECT_EQ(groups.GetRuleSnapshot()->size(), 7u);
}

}  // namespace
}  // namespace Qva
