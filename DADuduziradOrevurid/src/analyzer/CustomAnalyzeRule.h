// A rule decided by a named check action instead of a pattern.
#pragma once

#include "analyzer/IAnalyzeRule.h"

namespace Qva {

class CustomAnalyzeRule : public IAnalyzeRule {
 public:
  // `first_action` is added only when it is not empty.
  CustomAnalyzeRule(int32_t id, const Qve::QVEstring& name, int32_t group, int32_t priority,
                    int32_t behavior, const Qve::QVEstring& describe, const Qve::QVEstring& output,
                    const ActionFunction& check, const ActionFunction& first_action);
  ~CustomAnalyzeRule() override;

  // 0 when the check is empty. Otherwise calls check(this, lines, groups); when its result is
  // non-zero, runs the actions with the same vectors. Returns the check's result.
  int32_t Analyze(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups) override;
  int32_t GetType() const override;  // 1
  int32_t RunActions(void* context, const TextLines& lines, TextLines& groups) override;

  // Name of the check action as written in the rule definition (diagnostics and tests).
  void SetCheckName(const Qve::QVEstring& name) { check_name_ = name; }
  const Qve::QVEstring& GetCheckName() const { return check_name_; }
  bool HasCheck() const { return static_cast<bool>(check_); }

 private:
  ActionFunction check_;
  Qve::QVEstring check_name_;
};

}  // namespace Qva
