// Wiring an analyzer to the import actions: the launchers own both.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/RunSettings.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/UserRuleLoader.h"

namespace Qva {

// Sets the analyzer's six string options from `settings` and gives it a new import action
// manager created with them (before the analyzer's Init); returns that manager.
std::shared_ptr<ImpLogAnalyzerActionManager> SetUpAnalyzer(LogAnalyzer& analyzer,
                                                           const RunSettings& settings);

// CheckUserRuleFiles with the import actions' registry.
std::vector<UserRuleFileVerdict> CheckUserRules(const std::vector<std::string>& paths,
                                                bool keep_going);

}  // namespace Qva
