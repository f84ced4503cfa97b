#include "analyzer/PriorityOrderRulesManager.h"

#include <gtest/gtest.h>

#include <tuple>

#include "analyzer/CustomAnalyzeRule.h"

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

// Active rules by priority (unknown first), group and id, an equal one in front; group lists keep
// load order; a group activated twice is in the list twice.
TEST(PriorityOrderRulesManagerTest, ActiveListIsOrderedByPriorityGroupAndId) {
  PriorityOrderRulesManager manager;
  for (const auto& [id, group, priority] : std::vector<std::tuple<int32_t, int32_t, int32_t>>{
           {305, RuleGroup::kOracle, RulePriority::kHigh},
           {1100, RuleGroup::kCommon, RulePriority::kVeryLow},
           {202, RuleGroup::kCmd, RulePriority::kHigh},
           {201, RuleGroup::kCmd, RulePriority::kHigh},
           {102, RuleGroup::kCommon, RulePriority::kHigh},
           {101, RuleGroup::kCommon, RulePriority::kVeryHigh},
           {7, RuleGroup::kMySql, -1}}) {
    manager.AddActiveRule(MakeRule(id, group, priority));
  }
  EXPECT_EQ(Ids(manager.GetRules()), (std::vector<int32_t>{7, 101, 102, 201, 202, 305, 1100}));
  auto newer = MakeRule(201, RuleGroup::kCmd, RulePriority::kHigh);
  manager.AddActiveRule(newer);
  EXPECT_EQ(*std::next(manager.GetRules().begin(), 3), newer);

  PriorityOrderRulesManager groups;
  groups.AddRule(RuleGroup::kOracle, MakeRule(302, RuleGroup::kOracle, RulePriority::kHigh));
  groups.AddRule(RuleGroup::kOracle, MakeRule(311, RuleGroup::kOracle, RulePriority::kLow));
  groups.AddRule(RuleGroup::kOracle, MakeRule(301, RuleGroup::kOracle, RulePriority::kHigh));
  EXPECT_EQ(Ids(groups.GetGroupRules(RuleGroup::kOracle)), (std::vector<int32_t>{302, 311, 301}));
  groups.ActivateGroup(RuleGroup::kOracle);
  groups.ActivateGroup(RuleGroup::kOracle);
  EXPECT_EQ(Ids(groups.GetRules()), (std::vector<int32_t>{301, 301, 302, 302, 311, 311}));
}

// A walk's snapshot keeps its list; a change rebuilds it. Unknown groups are ignored.
TEST(PriorityOrderRulesManagerTest, SnapshotsKeepTheirList) {
  PriorityOrderRulesManager manager;
  manager.AddRule(RuleGroup::kCmd, MakeRule(201, RuleGroup::kCmd, RulePriority::kHigh));
  manager.AddRule(RuleGroup::kOracle, MakeRule(305, RuleGroup::kOracle, RulePriority::kHigh));
  manager.AddRule(RuleGroup::kOracle, MakeRule(311, RuleGroup::kOracle, RulePriority::kLow));
  manager.ActivateGroup(RuleGroup::kCmd);
  const RuleList before = manager.GetRules();
  const auto snapshot = manager.GetRuleSnapshot();
  EXPECT_EQ(manager.GetRuleSnapshot(), snapshot);  // not rebuilt while nothing changed
  manager.ActivateGroup(RuleGroup::kOracle);
  manager.ActivateGroup(RuleGroup::kCount);  // unknown: ignored
  EXPECT_EQ(Ids(before), (std::vector<int32_t>{201}));
  EXPECT_EQ(snapshot->size(), 1u);
  EXPECT_EQ(manager.GetRuleSnapshot()->size(), 3u);
}

}  // namespace
}  // namespace Qva
