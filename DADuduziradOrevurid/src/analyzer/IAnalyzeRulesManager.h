// Keeps the loaded rules by group and the active list the analyzer walks.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "analyzer/IAnalyzeRule.h"

namespace Qva {

using RuleList = std::list<std::shared_ptr<IAnalyzeRule>>;
using RuleVector = std::vector<std::shared_ptr<IAnalyzeRule>>;

class IAnalyzeRulesManager {
 public:
  // Loads the rule definitions (the plain priority manager does nothing).
  virtual void Init(bool flag) = 0;
  // A copy of the active list, in the order the analyzer tries the rules.
  virtual RuleList GetRules() = 0;
  // Files `rule` under `group` (0..6); other groups are traced and the rule is dropped.
  virtual void AddRule(int32_t group, const std::shared_ptr<IAnalyzeRule>& rule) = 0;
  // Inserts `rule` into the active list at its order position.
  virtual void AddActiveRule(const std::shared_ptr<IAnalyzeRule>& rule) = 0;
  // Merges the rules of `group` into the active list; a bad group is traced, nothing changes.
  virtual void ActivateGroup(int32_t group) = 0;
  // Remove from the active list only; the group lists are unchanged.
  virtual void RemoveRuleById(int32_t id) = 0;
  virtual void RemoveGroup(int32_t group) = 0;
  virtual ~IAnalyzeRulesManager() = default;
};

}  // namespace Qva
