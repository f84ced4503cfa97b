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

// The run's settings as the option map gives them: the normalised -BAT= script and its folder,
// "echo " and the -ARG= pieces, -D=, -H=, -RPT_DIR=, and `version_info` and `report`.
RunSettings RunSettingsFromOptions(const Qve::QVEstring& version_info, bool report);

// Sets the analyzer's six string options from `settings` and gives it a new import action
// manager created with them (before the analyzer's Init); returns that manager.
std::shared_ptr<ImpLogAnalyzerActionManager> SetUpAnalyzer(LogAnalyzer& analyzer,
                                                           const RunSettings& settings);

// CheckUserRuleFiles with the import actions' registry.
std::vector<UserRuleFileVerdict> CheckUserRules(const std::vector<std::string>& paths,
                                                bool keep_going);

}  // namespace Qva
