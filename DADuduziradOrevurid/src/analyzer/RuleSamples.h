// The example lines a rule carries (<Sample>): which rule of the walk takes a line.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "analyzer/PriorityOrderRulesManager.h"
#include "analyzer/RulePrefilter.h"

namespace Qva {

// The walk a line of `group` meets, for the samples of one rule file's rules: COMMON, CMD and
// `group` as the manager holds them, and `pending` (the file's rules of `group`, not filed yet,
// in load order) where each would be filed. Built once per file, so that checking the samples
// of N rules costs no N walks rebuilt; with many rules a prefilter picks the rules that may
// match a sample, so that each sample is not tried against every earlier rule.
class SampleWalk {
 public:
  SampleWalk(PriorityOrderRulesManager& manager, int32_t group, const RuleVector& pending);

  // The rule that takes `line` (its text with the line feed) on the walk as it is when pending
  // rule `index` is checked: the manager's rules and the pending rules before `index`, with
  // rule `index` in its place. Judged by the patterns alone: actions do not run. The first regex
  // rule that matches and stops the walk before the rule is reached takes it (HARDSTOP; SOFTSTOP
  // when the rule lies in what it skips: the rest of its priority run and the first rule after
  // it); the rule takes it when it is reached and matches. Rules that match and let the walk go
  // on are passed over with the line unchanged, as their actions would decide what follows.
  // Custom rules are not tried. Null when no rule takes the line.
  const IAnalyzeRule* Taker(size_t index, std::string_view line);
  // Pending rule `index`.
  const IAnalyzeRule* Rule(size_t index) const { return (*order_)[position_of_[index]].get(); }

 private:
  bool InWalk(size_t position, uint32_t own) const {
    return sequence_[position] == 0 || sequence_[position] <= own;
  }

  std::shared_ptr<const RuleVector> order_;
  std::vector<uint32_t> sequence_;   // per position: 0 for a filed rule, else pending index + 1
  std::vector<size_t> position_of_;  // per pending rule
  std::unique_ptr<RulePrefilter> prefilter_;  // only for many pending rules
};

// "rule 9001 FatalLine (ORACLE, HIGH, HARDSTOP)".
std::string DescribeRule(const IAnalyzeRule& rule);

}  // namespace Qva
