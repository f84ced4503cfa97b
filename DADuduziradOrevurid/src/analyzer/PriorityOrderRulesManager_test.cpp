#include "analyzer/PriorityOrderRulesManager.h"

#include <gtest/gtest.h>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

std::shared_ptr<IAnalyzeRule> MakeRule(int32_t id, int32_t group, int32_t priority) {
  return std::make_shared<CustomAnalyzeRule>(id, Qve::FormatText("r%d", id), group, priority,
                                             RuleBehavior::kNonStop, "", "", ActionFunction(),
                                             ActionFunction());
}

std::vector<int32_t> Ids(const RuleList& list) {
  std::vector<int32_t> ids;
  for (const auto& rule : list) ids.push_back(rule->GetId());
  return ids;
}

TEST(PriorityOrderRulesManagerTest, ActiveListIsOrderedByPriorityGroupAndId) {
  PriorityOrderRulesManager manager;
  manager.AddActiveRule(MakeRule(305, RuleGroup::kOracle, RulePriority::kHigh));
  manager.AddActiveRule(MakeRule(1100, RuleGroup::kCommon, RulePriority::kVeryLow));
  manager.AddActiveRule(MakeRule(202, RuleGroup::kCmd, RulePriority::kHigh));
  manager.AddActiveRule(MakeRule(201, RuleGroup::kCmd, RulePriority::kHigh));
  manager.AddActiveRule(MakeRule(102, RuleGroup::kCommon, RulePriority::kHigh));
  manager.AddActiveRule(MakeRule(101, RuleGroup::kCommon, RulePriority::kVeryHigh));
  manager.AddActiveRule(MakeRule(7, RuleGroup::kMySql, -1));  // unknown priority: first of all
  EXPECT_EQ(Ids(manager.GetRules()), (std::vector<int32_t>{7, 101, 102, 201, 202, 305, 1100}));
}

TEST(PriorityOrderRulesManagerTest, EqualKeysGoInFrontAndGroupsActivateTwice) {
  PriorityOrderRulesManager manager;
  auto older = MakeRule(5, RuleGroup::kCmd, RulePriority::kHigh);
  auto newer = MakeRule(5, RuleGroup::kCmd, RulePriority::kHigh);
  manager.AddActiveRule(older);
  manager.AddActiveRule(newer);
  EXPECT_EQ(manager.GetRules().front(), newer);

  PriorityOrderRulesManager groups;
  auto a = MakeRule(301, RuleGroup::kOracle, RulePriority::kHigh);
  auto b = MakeRule(302, RuleGroup::kOracle, RulePriority::kHigh);
  auto low = MakeRule(311, RuleGroup::kOracle, RulePriority::kLow);
  groups.AddRule(RuleGroup::kOracle, b);  // group lists keep load order
  groups.AddRule(RuleGroup::kOracle, low);
  groups.AddRule(RuleGroup::kOracle, a);
  EXPECT_EQ(Ids(groups.GetGroupRules(RuleGroup::kOracle)), (std::vector<int32_t>{302, 311, 301}));
  groups.ActivateGroup(RuleGroup::kOracle);
  groups.ActivateGroup(RuleGroup::kOracle);
  EXPECT_EQ(Ids(groups.GetRules()), (std::vector<int32_t>{301, 301, 302, 302, 311, 311}));
}

// The merge of a DBMS group behind equal priorities is checked on the embedded rules.
TEST(PriorityOrderRulesManagerTest, SnapshotsKeepTheirListAndRemovalsRebuildIt) {
  PriorityOrderRulesManager manager;
  manager.AddRule(RuleGroup::kCmd, MakeRule(201, RuleGroup::kCmd, RulePriority::kHigh));
  manager.AddRule(RuleGroup::kOracle, MakeRule(305, RuleGroup::kOracle, RulePriority::kHigh));
  manager.AddRule(RuleGroup::kOracle, MakeRule(311, RuleGroup::kOracle, RulePriority::kLow));
  manager.ActivateGroup(RuleGroup::kCmd);
  const RuleList before = manager.GetRules();
  const auto snapshot = manager.GetRuleSnapshot();
  EXPECT_EQ(manager.GetRuleSnapshot(), snapshot);  // not rebuilt while nothing changed
  manager.ActivateGroup(RuleGroup::kOracle);
  EXPECT_EQ(Ids(before), (std::vector<int32_t>{201}));
  EXPECT_EQ(snapshot->size(), 1u);
  EXPECT_EQ(manager.GetRuleSnapshot()->size(), 3u);

  manager.RemoveRuleById(201);
  EXPECT_EQ(manager.GetRuleSnapshot()->size(), 2u);
  manager.RemoveGroup(RuleGroup::kOracle);
  EXPECT_TRUE(manager.GetRules().empty());
  EXPECT_TRUE(manager.GetRuleSnapshot()->empty());
  EXPECT_EQ(manager.GetGroupRules(RuleGroup::kOracle).size(), 2u);  // the group list stays
}

TEST(PriorityOrderRulesManagerTest, UnknownGroupsAreTracedAndIgnored) {
  PriorityOrderRulesManager manager;
  manager.AddRule(RuleGroup::kCmd, MakeRule(201, RuleGroup::kCmd, RulePriority::kHigh));
  manager.ActivateGroup(RuleGroup::kCmd);
  test::TraceCapture trace;
  manager.ActivateGroup(7);
  manager.ActivateGroup(-1);
  manager.AddRule(9, MakeRule(901, 9, RulePriority::kHigh));
  EXPECT_EQ(trace.Count("[DBG] Rules manager> Can't find rules group (7)"), 1u) << trace.Text();
  EXPECT_EQ(trace.Count("Rules manager> Can't find rules group (-1)"), 1u);
  EXPECT_EQ(trace.Count("Rules manager> Can't find rules group (9)"), 1u);
  EXPECT_EQ(Ids(manager.GetRules()), (std::vector<int32_t>{201}));
  EXPECT_TRUE(manager.GetGroupRules(9).empty());
}

}  // namespace
}  // namespace Qva
