#include "analyzer/RuleSamples.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "QVEString.h"
#include "analyzer/RegexAnalyzeRule.h"

namespace Qva {
namespace {

// From this many pending rules on, the prefilter's database (compiled once per file) costs less
// than trying every earlier rule on every sample.
constexpr size_t kPrefilterFrom = 64;

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

// A rule of the walk and the order the manager would give it: by (priority, group, id); a rule
// inserted later goes in front of those with an equal key (PriorityOrderRulesManager).
struct Placed {
  std::shared_ptr<IAnalyzeRule> rule;
  size_t inserted;
  uint32_t sequence;
};

bool WalkLess(const Placed& a, const Placed& b) {
  const auto key = [](const Placed& p) {
    return std::make_tuple(p.rule->GetPriority(), p.rule->GetGroup(), p.rule->GetId());
  };
  const auto ka = key(a), kb = key(b);
  if (ka != kb) return ka < kb;
  return a.inserted > b.inserted;
}

}  // namespace

SampleWalk::SampleWalk(PriorityOrderRulesManager& manager, int32_t group,
                       const RuleVector& pending) {
  std::vector<Placed> placed;
  std::vector<int32_t> active = {RuleGroup::kCommon, RuleGroup::kCmd};
  if (group != RuleGroup::kCommon && group != RuleGroup::kCmd) active.push_back(group);
  for (int32_t each : active) {
    for (const auto& rule : manager.GetGroupRules(each)) placed.push_back({rule, placed.size(), 0});
  }
  for (size_t i = 0; i < pending.size(); ++i) {
    placed.push_back({pending[i], placed.size(), static_cast<uint32_t>(i + 1)});
  }
  std::sort(placed.begin(), placed.end(), WalkLess);
  auto order = std::make_shared<RuleVector>();
  position_of_.resize(pending.size());
  for (size_t at = 0; at < placed.size(); ++at) {
    order->push_back(placed[at].rule);
    sequence_.push_back(placed[at].sequence);
    if (placed[at].sequence > 0) position_of_[placed[at].sequence - 1] = at;
  }
  order_ = std::move(order);
  if (pending.size() >= kPrefilterFrom) {
    prefilter_ = std::make_unique<RulePrefilter>();
    prefilter_->Follow(order_);
  }
}

const IAnalyzeRule* SampleWalk::Taker(size_t index, std::string_view line) {
  const RuleVector& rules = *order_;
  const auto own = static_cast<uint32_t>(index + 1);
  const size_t target = position_of_[index];
  if (prefilter_) prefilter_->NewText();
  auto next_candidate = [this](size_t at) {
    return prefilter_ ? prefilter_->NextCandidate(at) : at;
  };
  for (size_t at = next_candidate(0); at < rules.size(); at = next_candidate(at + 1)) {
    if (!InWalk(at, own)) continue;
    if (prefilter_ && !prefilter_->MayMatch(at, [line] { return line; })) continue;
    IAnalyzeRule& rule = *rules[at];
    if (!PatternsMatch(rule, line)) continue;
    if (at == target || rule.GetBehavior() == RuleBehavior::kHardStop) return &rule;
    if (rule.GetBehavior() == RuleBehavior::kSoftStop) {
      // Skipped: the rest of its priority run and the first rule after it, among the rules of
      // the walk.
      size_t next = at + 1;
      while (next < rules.size() &&
             (!InWalk(next, own) || rules[next]->GetPriority() == rule.GetPriority())) {
        ++next;
      }
      if (target > at && target <= next) return &rule;
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
