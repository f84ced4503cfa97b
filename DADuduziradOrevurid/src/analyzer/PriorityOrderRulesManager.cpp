#include "analyzer/PriorityOrderRulesManager.h"

#include "QVETrace.h"

namespace Qva {
namespace {

constexpr const char* kTraceSource = "Rules manager";

bool ValidGroup(int32_t group) {
  return static_cast<uint32_t>(group) < static_cast<uint32_t>(RuleGroup::kCount);
}

void TraceBadGroup(int32_t group) {
  Qve::QVTracer::Instance().Debug(kTraceSource, "Can't find rules group (%d)", group);
}

// Order key (priority, group, id), read through the virtual getters, each only when the
// previous ones are equal.
bool KeyLess(const IAnalyzeRule& a, const IAnalyzeRule& b) {
  int32_t pa = a.GetPriority();
  int32_t pb = b.GetPriority();
  if (pa != pb) return pa < pb;
  int32_t ga = a.GetGroup();
  int32_t gb = b.GetGroup();
  if (ga != gb) return ga < gb;
  return a.GetId() < b.GetId();
}

}  // namespace

PriorityOrderRulesManager::PriorityOrderRulesManager() = default;
PriorityOrderRulesManager::~PriorityOrderRulesManager() = default;

void PriorityOrderRulesManager::Init(bool /*flag*/) {}

RuleList PriorityOrderRulesManager::GetRules() { return active_; }

void PriorityOrderRulesManager::AddRule(int32_t group, const std::shared_ptr<IAnalyzeRule>& rule) {
  AddRuleToGroup(groups_, group, rule);
}

void PriorityOrderRulesManager::AddActiveRule(const std::shared_ptr<IAnalyzeRule>& rule) {
  snapshot_.reset();
  InsertOrdered(active_, rule);
}

void PriorityOrderRulesManager::ActivateGroup(int32_t group) {
  ActivateGroupInto(groups_, group, active_);
}

void PriorityOrderRulesManager::RemoveRuleById(int32_t id) {
  active_.remove_if([id](const auto& rule) { return rule->GetId() == id; });
  snapshot_.reset();
}

void PriorityOrderRulesManager::RemoveGroup(int32_t group) {
  active_.remove_if([group](const auto& rule) { return rule->GetGroup() == group; });
  snapshot_.reset();
}

void PriorityOrderRulesManager::AddRuleToGroup(RuleGroupLists& lists, int32_t group,
                                               const std::shared_ptr<IAnalyzeRule>& rule) {
  if (!ValidGroup(group)) {
    TraceBadGroup(group);
    return;
  }
  lists[group].push_back(rule);
}

void PriorityOrderRulesManager::InsertOrdered(RuleList& list,
                                              const std::shared_ptr<IAnalyzeRule>& rule) {
  if (&list == &active_) snapshot_.reset();
  auto it = list.end();
  while (it != list.begin()) {
    auto previous = std::prev(it);
    if (KeyLess(**previous, *rule)) break;
    it = previous;
  }
  list.insert(it, rule);
}

void PriorityOrderRulesManager::ActivateGroupInto(RuleGroupLists& lists, int32_t group,
                                                  RuleList& list) {
  if (!ValidGroup(group)) {
    TraceBadGroup(group);
    return;
  }
  if (&list == &active_) snapshot_.reset();
  // A copy: `list` may be the group's own list.
  const RuleList rules = lists[group];
  for (const auto& rule : rules) InsertOrdered(list, rule);
}

std::shared_ptr<const RuleVector> PriorityOrderRulesManager::GetRuleSnapshot() {
  if (!snapshot_) snapshot_ = std::make_shared<const RuleVector>(active_.begin(), active_.end());
  return snapshot_;
}

RuleList PriorityOrderRulesManager::GetGroupRules(int32_t group) const {
  if (!ValidGroup(group)) return {};
  return groups_[group];
}

void PriorityOrderRulesManager::ClearRules() {
  active_.clear();
  for (RuleList& list : groups_) list.clear();
  snapshot_.reset();
}

}  // namespace Qva
