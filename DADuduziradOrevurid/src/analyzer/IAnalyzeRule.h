// A rule: recognises one kind of line (or chunk of lines) and runs its bound actions on it.
#pragma once

#include <cstdint>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class IAnalyzer;

// Rules are shared objects: the rules manager's group lists and its active list hold
// shared pointers to them. Getters return copies; text setters copy their argument.
class IAnalyzeRule {
 public:
  IAnalyzeRule() = default;
  IAnalyzeRule(int32_t id, Qve::QVEstring name, int32_t group, int32_t priority, int32_t behavior,
               Qve::QVEstring describe, Qve::QVEstring output);
  virtual ~IAnalyzeRule();
  IAnalyzeRule(const IAnalyzeRule&) = delete;
  IAnalyzeRule& operator=(const IAnalyzeRule&) = delete;

  // Tries the rule on `lines`. On a match the rule appends its groups to `groups`, runs its
  // actions with them and returns non-zero; otherwise returns 0. `analyzer` is the analyzer
  // whose walk tries the rule.
  virtual int32_t Analyze(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups) = 0;
  // RuleType value: 0 regex, 1 custom.
  virtual int32_t GetType() const = 0;

  virtual int32_t GetId() const;
  virtual void SetId(int32_t id);
  virtual int32_t GetPriority() const;
  virtual void SetPriority(int32_t priority);
  virtual int32_t GetGroup() const;
  virtual void SetGroup(int32_t group);
  virtual int32_t GetBehavior() const;
  virtual void SetBehavior(int32_t behavior);
  virtual Qve::QVEstring GetName() const;
  // The name without a copy, for checks on the hot path.
  const Qve::QVEstring& NameText() const { return name_; }
  virtual void SetName(const Qve::QVEstring& name);
  virtual Qve::QVEstring GetDescribe() const;
  virtual void SetDescribe(const Qve::QVEstring& describe);
  virtual void SetOutput(const Qve::QVEstring& output);
  // Output template; "[#n]" stands for group n and is filled in by the actions.
  virtual Qve::QVEstring GetOutput() const;
  // The output template without a copy, for the hot path.
  const Qve::QVEstring& OutputText() const { return output_; }
  // Appends a copy; an empty callable is kept and skipped when the rule fires.
  virtual void AddAction(const ActionFunction& action);
  // RuleKind value; -1 here, regex rules return their Type element's value.
  virtual int32_t GetKind() const;
  // Index in the text storage of the first line the rule is tried on; set by the analyzer
  // before each try, read by actions (-1 before the first line).
  virtual void SetLineIndex(int64_t index) { line_index_ = index; }
  virtual int64_t GetLineIndex() const { return line_index_; }
  // Calls each non-empty action in order with (this rule, lines, groups); results are ignored.
  // Returns 0. Both rule kinds use the shared body defined for this class.
  virtual int32_t RunActions(void* context, const TextLines& lines, TextLines& groups) = 0;

  // Action names as written in the rule definition (one per AddNamedAction, in order), kept for
  // diagnostics and tests: the callables themselves cannot tell their name.
  void AddNamedAction(const Qve::QVEstring& name, const ActionFunction& action);
  const std::vector<Qve::QVEstring>& GetActionNames() const { return action_names_; }
  const std::vector<ActionFunction>& GetActions() const { return actions_; }

 private:
  int32_t id_ = -1;
  Qve::QVEstring name_;
  int32_t group_ = -1;
  int32_t priority_ = -1;
  int32_t behavior_ = -1;
  Qve::QVEstring describe_;
  Qve::QVEstring output_;
  int64_t line_index_ = -1;
  std::vector<ActionFunction> actions_;
  std::vector<Qve::QVEstring> action_names_;
};

}  // namespace Qva
