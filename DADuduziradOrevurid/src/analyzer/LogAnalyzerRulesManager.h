// Rules manager that loads the rule definitions from the embedded XML resources.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "analyzer/PriorityOrderRulesManager.h"

namespace Qva {

class LogAnalyzer;
class ImpLogAnalyzerActionManager;

// Source of the rule definition texts by resource number: 1 the groups list, 2..8 the rule
// files (see RuleResources.h), kSupplementOffset + n the platform supplement of rule file n
// (an empty text: none). May throw for an unknown number; throwing for a supplement number
// leaves that file with the platform's own supplement (Qva::GetPlatformSupplement).
using RuleSource = std::function<std::string(int32_t id)>;

class LogAnalyzerRulesManager : public PriorityOrderRulesManager {
 public:
  static constexpr int32_t kSupplementOffset = 100;

  // `analyzer` owns this manager (not owned here). An empty `source` reads the embedded
  // resources and the platform supplements (Qva::GetResource, Qva::GetPlatformSupplement);
  // tests pass their own texts.
  explicit LogAnalyzerRulesManager(LogAnalyzer* analyzer, RuleSource source = {});
  ~LogAnalyzerRulesManager() override;

  // Creates the ImpLogAnalyzerActionManager (analyzer, flag) and calls its Init; parses the
  // groups list (resource 1) and loads each Group's rule file (ids 100..700 -> resources 2..8),
  // then that file's platform supplement, if any, binding checks and actions by name; activates
  // COMMON then CMD (also when loading failed). Problems are traced at Debug level and never
  // thrown.
  void Init(bool flag) override;

  std::shared_ptr<ImpLogAnalyzerActionManager> GetActionManager() const { return actions_; }
  // Resource number of a Group element's id (100 -> 2 ... 700 -> 8), 0 for any other id.
  static int32_t ResourceOfGroupId(int32_t group_id);

 private:
  LogAnalyzer* analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions_;
  RuleSource source_;
};

}  // namespace Qva
