// Wiring an analyzer to the import actions: the launchers own both.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/RunSettings.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/UserRuleLoader.h"
#include "launcher/RunConfig.h"

namespace Qva {

// What the import actions need of `config` (the script and its folder, the argument text, the
// target, the report directory and whether a JUnit report is written), with `version_info` and
// `report`.
RunSettings RunSettingsFor(const RunConfig& config, const Qve::QVEstring& version_info,
                           bool report);

// Sets the analyzer's six string options from `settings` and gives it a new import action
// manager created with them (before the analyzer's Init); returns that manager.
std::shared_ptr<ImpLogAnalyzerActionManager> SetUpAnalyzer(LogAnalyzer& analyzer,
                                                           const RunSettings& settings);

// CheckUserRuleFiles with the import actions' registry.
std::vector<UserRuleFileVerdict> CheckUserRules(const std::vector<std::string>& paths,
                                                bool keep_going);

}  // namespace Qva
