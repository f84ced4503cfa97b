#include "analyzer/IAnalyzeRule.h"

#include <utility>

namespace Qva {

IAnalyzeRule::IAnalyzeRule(int32_t id, Qve::QVEstring name, int32_t group, int32_t priority,
                           int32_t behavior, Qve::QVEstring describe, Qve::QVEstring output)
    : id_(id),
      name_(std::move(name)),
      group_(group),
      priority_(priority),
      behavior_(behavior),
      describe_(std::move(describe)),
      output_(std::move(output)) {}

IAnalyzeRule::~IAnalyzeRule() = default;

int32_t IAnalyzeRule::GetId() const { return id_; }
void IAnalyzeRule::SetId(int32_t id) { id_ = id; }
int32_t IAnalyzeRule::GetPriority() const { return priority_; }
void IAnalyzeRule::SetPriority(int32_t priority) { priority_ = priority; }
int32_t IAnalyzeRule::GetGroup() const { return group_; }
void IAnalyzeRule::SetGroup(int32_t group) { group_ = group; }
int32_t IAnalyzeRule::GetBehavior() const { return behavior_; }
void IAnalyzeRule::SetBehavior(int32_t behavior) { behavior_ = behavior; }
Qve::QVEstring IAnalyzeRule::GetName() const { return name_; }
void IAnalyzeRule::SetName(const Qve::QVEstring& name) { name_ = name; }
Qve::QVEstring IAnalyzeRule::GetDescribe() const { return describe_; }
void IAnalyzeRule::SetDescribe(const Qve::QVEstring& describe) { describe_ = describe; }
void IAnalyzeRule::SetOutput(const Qve::QVEstring& output) { output_ = output; }
Qve::QVEstring IAnalyzeRule::GetOutput() const { return output_; }
void IAnalyzeRule::AddAction(const ActionFunction& action) { actions_.push_back(action); }
int32_t IAnalyzeRule::GetKind() const { return -1; }

int32_t IAnalyzeRule::RunActions(void* context, const TextLines& lines, TextLines& groups) {
  for (const ActionFunction& action : actions_) {
    if (action) action(context, lines, groups);
  }
  return 0;
}

void IAnalyzeRule::AddNamedAction(const Qve::QVEstring& name, const ActionFunction& action) {
  action_names_.push_back(name);
  AddAction(action);
}

}  // namespace Qva
