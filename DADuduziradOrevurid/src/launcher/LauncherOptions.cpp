#include "launcher/LauncherOptions.h"

#include <filesystem>
#include <sstream>

namespace Qva {

namespace po = boost::program_options;

po::variables_map& GetOptionMap() {
  static po::variables_map options;
  return options;
}

Qve::QVEstring GetOptionText(const char* name) { return GetOptionMap()[name].as<std::string>(); }

Qve::QVEstring GetOptionTextOrEmpty(const char* name) {
  if (!HasOption(name)) return Qve::QVEstring();
  return GetOptionText(name);
}

bool HasOption(const char* name) { return GetOptionMap().count(name) != 0; }

Qve::QVEstring& GetAnalyzedLogPath() {
  static Qve::QVEstring path;
  return path;
}

Qve::QVEstring NormaliseScriptPath(const Qve::QVEstring& bat) {
  Qve::QVEstring path = bat;
  Qve::ReplaceAll(path, "\\", "/");
  Qve::ReplaceAll(path, "\"", "");
  return path;
}

Qve::QVEstring GetScriptDirectory(const Qve::QVEstring& script_path) {
  size_t slash = script_path.rfind('/');
  if (slash == Qve::QVEstring::npos) return Qve::QVEstring();
  return script_path.substr(0, slash);
}

Qve::QVEstring GetReportBaseFolder(const Qve::QVEstring& script_path) {
  if (script_path.find('/') == Qve::QVEstring::npos) return ".";
  return GetScriptDirectory(script_path);
}

Qve::QVEstring MakeAnalyzedLogPath(const Qve::QVEstring& log, const Qve::QVEstring& script_dir) {
  if (log.find('/') != Qve::QVEstring::npos || script_dir.empty()) return log;
  return Qve::FormatText("%s/%s", script_dir.c_str(), log.c_str());
}

Qve::QVEstring ChooseWorkingFolder(const Qve::QVEstring& cf, const Qve::QVEstring& script_dir) {
  if (!cf.empty()) return cf;
  if (!script_dir.empty()) return script_dir;
  return GetCurrentFolder();
}

Qve::QVEstring GetCurrentFolder() {
  // The product reads the folder into a buffer of 1025 bytes: a longer one reads as empty.
  constexpr size_t kMaxFolderLength = 1024;
  std::error_code error;
  Qve::QVEstring folder = std::filesystem::current_path(error).string();
  if (error || folder.size() > kMaxFolderLength) return Qve::QVEstring();
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::vector<Qve::QVEstring> SplitArgumentText(const Qve::QVEstring& text) {
  std::vector<Qve::QVEstring> pieces;
  std::istringstream stream(text);
  Qve::QVEstring piece;
  while (std::getline(stream, piece, ';')) pieces.push_back(piece);
  return pieces;
}

}  // namespace Qva
