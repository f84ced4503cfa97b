// The example lines a rule carries (<Sample>): which rule of the walk takes a line.
#pragma once

#include <memory>
#include <string_view>

#include "analyzer/PriorityOrderRulesManager.h"

namespace Qva {

// The rules a line of `group` meets, in walk order: COMMON, CMD and `group` as the manager
// holds them, with `extra` (a rule not filed yet) in its place.
RuleVector SampleWalkOrder(PriorityOrderRulesManager& manager, int32_t group,
                           const std::shared_ptr<IAnalyzeRule>& extra);

// The rule that takes `line` (its text with the line feed) on a walk over `rules`, judged by
// the patterns alone: actions do not run. The first regex rule that matches and stops the walk
// before `target` is reached takes it (HARDSTOP; SOFTSTOP when `target` lies in what it skips);
// `target` takes it when it is reached and matches. Rules that match and let the walk go on are
// passed over with the line unchanged, as their actions would decide what follows. Custom rules
// are not tried. Null when no rule takes the line.
const IAnalyzeRule* SampleTaker(const RuleVector& rules, const IAnalyzeRule& target,
                                std::string_view line);

// "rule 9001 FatalLine (ORACLE, HIGH, HARDSTOP)".
std::string DescribeRule(const IAnalyzeRule& rule);

}  // namespace Qva
