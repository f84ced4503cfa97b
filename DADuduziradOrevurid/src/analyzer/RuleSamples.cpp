#include "analyzer/RuleSamples.h"

#include <stdexcept>

#include "QVEString.h"
#include "analyzer/RegexAnalyzeRule.h"

namespace Qva {
namespace {

bool PatternsMatch(IAnalyzeRule& rule, std::string_view text) {
  auto* regex = dynamic_cast<RegexAnalyzeRule*>(&rule);
  if (regex == nullptr) return false;
  try {
    if (!regex->PrematchPattern().GetPattern().empty() &&
        regex->PrematchPattern().Search(text) != RegexPattern::Result::kMatch) {
      return false;
    }
    return regex->MatchPattern().Search(text) == RegexPattern::Result::kMatch;
  } catch (const std::runtime_error&) {
    return false;  // a pattern that does not compile never takes a line
  }
}

const char* KeywordOr(const char* keyword) { return keyword != nullptr ? keyword : "-"; }

}  // namespace

RuleVector SampleWalkOrder(PriorityOrderRulesManager& manager, int32_t group,
                           const std::shared_ptr<IAnalyzeRule>& extra) {
  RuleList order;
  std::vector<int32_t> active = {RuleGroup::kCommon, RuleGroup::kCmd};
  if (group != RuleGroup::kCommon && group != RuleGroup::kCmd) active.push_back(group);
  for (int32_t each : active) {
    for (const auto& rule : manager.GetGroupRules(each)) manager.InsertOrdered(order, rule);
  }
  if (extra) manager.InsertOrdered(order, extra);
  return RuleVector(order.begin(), order.end());
}

const IAnalyzeRule* SampleTaker(const RuleVector& rules, const IAnalyzeRule& target,
                                std::string_view line) {
  for (size_t at = 0; at < rules.size(); ++at) {
    IAnalyzeRule& rule = *rules[at];
    if (!PatternsMatch(rule, line)) continue;
    if (&rule == &target) return &rule;
    if (rule.GetBehavior() == RuleBehavior::kHardStop) return &rule;
    if (rule.GetBehavior() == RuleBehavior::kSoftStop) {
      // Skipped: the rest of its priority run and the first rule after it.
      size_t next = at + 1;
      while (next < rules.size() && rules[next]->GetPriority() == rule.GetPriority()) ++next;
      for (size_t skipped = at + 1; skipped <= next && skipped < rules.size(); ++skipped) {
        if (rules[skipped].get() == &target) return &rule;
      }
      at = next;
    }
  }
  return nullptr;
}

std::string DescribeRule(const IAnalyzeRule& rule) {
  return Qve::FormatText("rule %d %s (%s, %s, %s)", rule.GetId(), rule.NameText().c_str(),
                         KeywordOr(RuleGroup::Keyword(rule.GetGroup())),
                         KeywordOr(RulePriority::Keyword(rule.GetPriority())),
                         KeywordOr(RuleBehavior::Keyword(rule.GetBehavior())));
}

}  // namespace Qva
