// Rules manager that loads the rule definitions from the embedded XML resources, then the
// user's own rule files.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "analyzer/IAnalyzeActionManager.h"
#include "analyzer/PriorityOrderRulesManager.h"
#include "analyzer/UserRuleLoader.h"
#include "analyzer/XmlElementWalker.h"

namespace Qva {

class LogAnalyzer;

// Source of the rule definition texts by resource number: 1 the groups list, 2..8 the rule
// files (see RuleResources.h), kSupplementOffset + n the platform supplement of rule file n
// (an empty text: none). May throw for an unknown number; throwing for a supplement number
// leaves that file with the platform's own supplement (Qva::GetPlatformSupplement).
using RuleSource = std::function<std::string(int32_t id)>;

class LogAnalyzerRulesManager : public PriorityOrderRulesManager {
 public:
  static constexpr int32_t kSupplementOffset = 100;

  // `analyzer` owns this manager (not owned here; may be null). `actions` is the registry the rules
  // bind their check and actions from (null: every name binds an empty callable). An empty `source`
  // reads the embedded resources and the platform supplements (Qva::GetResource,
  // Qva::GetPlatformSupplement); tests pass their own texts.
  LogAnalyzerRulesManager(LogAnalyzer* analyzer, std::shared_ptr<IAnalyzeActionManager> actions,
                          RuleSource source = {});
  ~LogAnalyzerRulesManager() override;

  // Calls the action manager's Init (the flag is the run's report flag, which the action
  // manager was given when it was created); parses the
  // groups list (resource 1) and loads each Group's rule file (ids 100..700 -> resources 2..8),
  // then that file's platform supplement, if any, binding checks and actions by name; activates
  // COMMON then CMD (also when loading failed). Problems are traced at Debug level and never
  // thrown. Then loads the user rule files set with SetUserRuleFiles (see LoadUserRuleFiles):
  // their faults throw UserRuleFault unless `keep_going` was set.
  void Init(bool flag) override;

  // Rule files of the user, loaded by Init after the embedded rules, in this order. With
  // `keep_going` every file is checked and its verdict kept (GetUserRuleVerdicts) instead of
  // the first fault being thrown.
  void SetUserRuleFiles(std::vector<std::string> paths, bool keep_going = false);
  const std::vector<UserRuleFileVerdict>& GetUserRuleVerdicts() const { return verdicts_; }

  // The rule of one AnalyzeRule element, its check and actions bound by name (unknown names give
  // empty callables), not yet filed; null for a type other than REGEX and CUSTOM. `group` (when
  // given) receives the group of the enclosing AnalyzeRules element. Needs Init's action manager.
  std::shared_ptr<IAnalyzeRule> BuildRule(xmlNode* element, int32_t* group = nullptr);
  // The Action names of an AnalyzeRule element as BuildRule binds them.
  static std::vector<Qve::QVEstring> ActionNamesOf(xmlNode* element);

  const std::shared_ptr<IAnalyzeActionManager>& GetActionManager() const { return actions_; }
  LogAnalyzer* GetAnalyzer() const { return analyzer_; }
  // Resource number of a Group element's id (100 -> 2 ... 700 -> 8), 0 for any other id.
  static int32_t ResourceOfGroupId(int32_t group_id);

 private:
  LogAnalyzer* analyzer_;
  std::shared_ptr<IAnalyzeActionManager> actions_;
  RuleSource source_;
  std::vector<std::string> user_files_;
  bool keep_going_ = false;
  std::vector<UserRuleFileVerdict> verdicts_;
};

}  // namespace Qva
