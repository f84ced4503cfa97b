#include "analyzer/PriorityOrderRulesManager.h"

#include <gtest/gtest.h>

#include <tuple>

#include "analyzer/CustomAnalyzeRule.h"

namespace Qva {
namespace {

using namespace RuleGroup;
using namespace RulePriority;

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
  groups.AddRule(kOracle, MakeRule(302, kOracle, kHigh));
  groups.AddRule(kOracle, MakeRule(311, kOracle, kLow));
  groups.AddRule(kOracle, MakeRule(301, kOracle, kHigh));
  EXPECT_EQ(Ids(groups.GetGroupRules(kOracle)), (std::vector<int32_t>{302, 311, 301}));
  groups.ActivateGroup(kOracle);
  groups.ActivateGroup(kOracle);
  EXPECT_EQ(Ids(groups.GetRules()), (std::vector<int32_t>{301, 301, 302, 302, 311, 311}));
}

// A walk's snapshot keeps its list; a change rebuilds it. Unknown groups are ignored.
TEST(PriorityOrderRulesManagerTest, SnapshotsKeepTheirList) {
  PriorityOrderRulesManager manager;
  manager.AddRule(kCmd, MakeRule(201, kCmd, kHigh));
  manager.AddRule(kOracle, MakeRule(305, kOracle, kHigh));
  manager.AddRule(kOracle, MakeRule(311, kOracle, kLow));
  manager.ActivateGroup(kCmd);
  const RuleList before = manager.GetRules();
  const auto snapshot = manager.GetRuleSnapshot();
  EXPECT_EQ(manager.GetRuleSnapshot(), snapshot);  // not rebuilt while nothing changed
  manager.ActivateGroup(kOracle);
  manager.ActivateGroup(RuleGroup::kCount);  // unknown: ignored
  EXPECT_EQ(Ids(before), (std::vector<int32_t>{201}));
  EXPECT_EQ(snapshot->size(), 1u);
  EXPECT_EQ(manager.GetRuleSnapshot()->size(), 3u);
}

}  // namespace
}  // namespace Qva
