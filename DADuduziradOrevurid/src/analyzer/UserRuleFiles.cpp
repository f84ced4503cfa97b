#include "analyzer/UserRuleFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace Qva {
namespace {

namespace fs = std::filesystem;

// The "*.xml" regular files of `folder` in name order; nothing when it is not a folder.
void AppendFolder(const std::string& folder, std::vector<std::string>& files) {
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) return;
  std::vector<std::string> found;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (path.extension() == ".xml" && it->is_regular_file(error)) found.push_back(path.string());
  }
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

}  // namespace

std::string GetUserRulesFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  // A relative XDG_CONFIG_HOME is to be ignored, as XDG says.
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.config";
  }
  return base.empty() ? base : base + "/migrationlauncher/rules.d";
}

std::vector<std::string> ListUserRuleFiles(const std::string& system_folder,
                                           const std::string& user_folder,
                                           const std::string& rules_option) {
  std::vector<std::string> files;
  AppendFolder(system_folder, files);
  AppendFolder(user_folder, files);
  size_t start = 0;
  while (start <= rules_option.size()) {
    size_t end = rules_option.find(';', start);
    if (end == std::string::npos) end = rules_option.size();
    const std::string entry = rules_option.substr(start, end - start);
    std::error_code error;
    if (!entry.empty()) {
      if (fs::is_directory(entry, error)) {
        AppendFolder(entry, files);
      } else {
        files.push_back(entry);
      }
    }
    start = end + 1;
  }
  return files;
}

std::vector<std::string> ListUserRuleFiles(const std::string& rules_option) {
  return ListUserRuleFiles(kSystemRulesFolder, GetUserRulesFolder(), rules_option);
}

}  // namespace Qva
