#include "analyzer/CustomAnalyzeRule.h"

#include "analyzer/RuleKeywords.h"

namespace Qva {

CustomAnalyzeRule::CustomAnalyzeRule(int32_t id, const Qve::QVEstring& name, int32_t group,
                                     int32_t priority, int32_t behavior,
                                     const Qve::QVEstring& describe, const Qve::QVEstring& output,
                                     const ActionFunction& check,
                                     const ActionFunction& first_action)
    : IAnalyzeRule(id, name, group, priority, behavior, describe, output), check_(check) {
  if (first_action) AddAction(first_action);
}

CustomAnalyzeRule::~CustomAnalyzeRule() = default;

int32_t CustomAnalyzeRule::GetType() const { return RuleType::kCustom; }

int32_t CustomAnalyzeRule::RunActions(void* context, const TextLines& lines, TextLines& groups) {
  return IAnalyzeRule::RunActions(context, lines, groups);
}

int32_t CustomAnalyzeRule::Analyze(IAnalyzer* /*analyzer*/, const TextLines& lines,
                                   TextLines& groups) {
  if (!check_) return 0;
  // Actions read the context back as IAnalyzeRule*: hand over exactly that pointer.
  IAnalyzeRule* context = static_cast<IAnalyzeRule*>(this);
  int32_t result = check_(context, lines, groups);
  if (result != 0) RunActions(context, lines, groups);
  return result;
}

}  // namespace Qva
