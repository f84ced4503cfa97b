// Where the user's own rule files are found, in the order they are loaded.
#pragma once

#include <string>
#include <vector>

namespace Qva {

// Rule files every user of the machine gets.
inline constexpr const char* kSystemRulesFolder = "/etc/migrationlauncher/rules.d";

// "${XDG_CONFIG_HOME:-$HOME/.config}/migrationlauncher/rules.d"; empty when neither variable is
// set (or XDG_CONFIG_HOME is not an absolute path and HOME is unset).
std::string GetUserRulesFolder();

// The rule files to load after the embedded rules: the "*.xml" files of `system_folder`, then
// those of `user_folder`, each folder in name order, then each entry of `rules_option`
// (";"-separated files or folders, in the order given; a folder gives its "*.xml" files in name
// order, a file is taken whatever its name). A default folder that does not exist gives nothing;
// an entry of `rules_option` that does not exist is listed as given, so that loading it fails
// with its name.
std::vector<std::string> ListUserRuleFiles(const std::string& system_folder,
                                           const std::string& user_folder,
                                           const std::string& rules_option);

// ListUserRuleFiles with the system folder, the user's folder and `rules_option`.
std::vector<std::string> ListUserRuleFiles(const std::string& rules_option);

}  // namespace Qva
