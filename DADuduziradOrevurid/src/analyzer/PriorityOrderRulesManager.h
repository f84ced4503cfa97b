// Rules manager that keeps the active list ordered by (priority, group, id).
#pragma once

#include <array>

#include "analyzer/IAnalyzeRulesManager.h"
#include "analyzer/RuleKeywords.h"

namespace Qva {

using RuleGroupLists = std::array<RuleList, RuleGroup::kCount>;

class PriorityOrderRulesManager : public IAnalyzeRulesManager {
 public:
  PriorityOrderRulesManager();
  ~PriorityOrderRulesManager() override;

  void Init(bool flag) override;  // nothing
  RuleList GetRules() override;
  void AddRule(int32_t group, const std::shared_ptr<IAnalyzeRule>& rule) override;
  void AddActiveRule(const std::shared_ptr<IAnalyzeRule>& rule) override;
  void ActivateGroup(int32_t group) override;
  void RemoveRuleById(int32_t id) override;
  void RemoveGroup(int32_t group) override;

  // Appends `rule` to lists[group] for group 0..6; otherwise traces (Debug, "Rules manager")
  // "Can't find rules group (%d)" and drops the rule.
  virtual void AddRuleToGroup(RuleGroupLists& lists, int32_t group,
                              const std::shared_ptr<IAnalyzeRule>& rule);
  // Walks `list` from its end to its front and inserts `rule` right after the first element
  // whose key (priority, group, id) is strictly smaller, else at the front. A rule therefore
  // goes in front of every rule with an equal key.
  virtual void InsertOrdered(RuleList& list, const std::shared_ptr<IAnalyzeRule>& rule);
  // InsertOrdered of each rule of lists[group] in group-list order; a group outside 0..6
  // (compared unsigned) is traced as in AddRuleToGroup and changes nothing.
  virtual void ActivateGroupInto(RuleGroupLists& lists, int32_t group, RuleList& list);

  // The active list as an immutable vector, rebuilt only after the active list changed. The
  // analyzer holds one snapshot per unit of lines, so changes made by actions during the unit
  // (LoadRules) take effect from the next unit, as with GetRules, without copying the list for
  // every line.
  std::shared_ptr<const RuleVector> GetRuleSnapshot();
  // A copy of one group list in load order (empty for a group outside 0..6).
  RuleList GetGroupRules(int32_t group) const;

 protected:
  // Drops every rule (group lists and active list).
  void ClearRules();

 private:
  RuleList active_;
  RuleGroupLists groups_;
  std::shared_ptr<const RuleVector> snapshot_;
};

}  // namespace Qva
