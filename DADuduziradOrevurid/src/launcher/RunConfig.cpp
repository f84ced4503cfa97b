#include "launcher/RunConfig.h"

#include <algorithm>
#include <boost/program_options/variables_map.hpp>
#include <filesystem>
#include <sstream>
#include <string>

#include "reports/JsonImportReport.h"

namespace Qva {

namespace po = boost::program_options;

namespace {

// The options that every successful parse stores, given or not.
constexpr const char* kDefaultedOptions[] = {
    kOptBat, kOptArg, kOptEchoLog, kOptLog, kOptD, kOptH, kOptRptDir, kOptEventPort, kOptMessaging};

Qve::QVEstring Text(const po::variables_map& options, const char* name) {
  const auto found = options.find(name);
  return found == options.end() ? Qve::QVEstring() : found->second.as<std::string>();
}

Qve::QVEstring NormaliseScriptPath(const Qve::QVEstring& bat) {
  Qve::QVEstring path = bat;
  Qve::ReplaceAll(path, "\\", "/");
  Qve::ReplaceAll(path, "\"", "");
  return path;
}

Qve::QVEstring DirectoryOf(const Qve::QVEstring& script_path) {
  size_t slash = script_path.rfind('/');
  if (slash == Qve::QVEstring::npos) return Qve::QVEstring();
  return script_path.substr(0, slash);
}

// A "\" does not count as a separator here.
Qve::QVEstring AnalyzedLogPath(const Qve::QVEstring& log, const Qve::QVEstring& script_dir) {
  if (log.find('/') != Qve::QVEstring::npos || script_dir.empty()) return log;
  return Qve::FormatText("%s/%s", script_dir.c_str(), log.c_str());
}

Qve::QVEstring CurrentFolder() {
  // The product reads the folder into a buffer of 1025 bytes: a longer one reads as empty.
  constexpr size_t kMaxFolderLength = 1024;
  std::error_code error;
  Qve::QVEstring folder = std::filesystem::current_path(error).string();
  if (error || folder.size() > kMaxFolderLength) return Qve::QVEstring();
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

Qve::QVEstring ArgumentText(const std::vector<Qve::QVEstring>& arguments) {
  Qve::QVEstring text = "echo ";
  for (const Qve::QVEstring& argument : arguments) text += argument + " ";
  return text;
}

// The paths built from the given options.
void DerivePaths(RunConfig& config, const Qve::QVEstring& cf, const Qve::QVEstring& log) {
  config.script_dir = DirectoryOf(config.script_path);
  config.analyzed_log = AnalyzedLogPath(log, config.script_dir);
  config.working_folder = !cf.empty()                  ? cf
                          : !config.script_dir.empty() ? config.script_dir
                                                       : CurrentFolder();
  config.data_folder = config.working_folder + "/" + config.report_dir;
  config.data_file = config.data_folder + "/" + kReportDataFile;
  const bool bare_script = config.script_path.find('/') == Qve::QVEstring::npos;
  config.report_base = bare_script ? Qve::QVEstring(".") : config.script_dir;
  config.html_log_folder = config.report_base + "/" + config.report_dir;
  // Where the HTML log (DedezuLogger::Open) puts it.
  config.html_log = config.html_log_folder + "/Import/" + kHtmlLogName;
}

}  // namespace

RunConfig BuildRunConfig(const po::variables_map& options) {
  RunConfig config;
  for (const char* name : kDefaultedOptions) {
    if (options.count(name) == 0) return config;
  }
  config.complete = true;
  config.debug = options.count(kOptDebug) != 0;
  config.report = options.count(kOptRpt) != 0;
  config.check_rules = options.count(kOptCheckRules) != 0;
  config.target_db = Text(options, kOptD);
  config.target_host = Text(options, kOptH);
  config.report_dir = Text(options, kOptRptDir);
  config.event_port = Text(options, kOptEventPort);
  config.message_prefix = Text(options, kOptMessaging);
  config.user_rules = Text(options, kOptRules);
  config.explain_log = Text(options, kOptExplain);
  config.junit_file = Text(options, kOptJunit);
  config.arguments = SplitArgumentText(Text(options, kOptArg));

  const std::vector<Qve::QVEstring>& names = GetAnalyzedDatabaseNames();
  config.analyzed_target = std::find(names.begin(), names.end(), config.target_db) != names.end();
  config.script_path = NormaliseScriptPath(Text(options, kOptBat));
  config.argument_text = ArgumentText(config.arguments);
  DerivePaths(config, Text(options, kOptCf), Text(options, kOptLog));
  return config;
}

const std::vector<Qve::QVEstring>& GetAnalyzedDatabaseNames() {
  static const std::vector<Qve::QVEstring> names = {
      "PostgreSQL on-premise or cloud (GCP, AWS, Azure etc.)",
      "PostgreSQL",
      "Postgres Pro",
      "AlloyDB",
      "Microsoft SQL Server",
      "Oracle",
      "Microsoft Azure SQL Database",
      "Google Cloud SQL for SQL Server",
      "Azure Synapse Analytics",
      "MySQL",
      "MariaDB",
      "Google Cloud SQL for MySQL",
      "GoogleCloudSQLforPostgreSQL",
      "AmazonAuroraPostgreSQL",
      "Amazon Aurora (compatibility with MySQL)",
  };
  return names;
}

std::vector<Qve::QVEstring> SplitArgumentText(const Qve::QVEstring& text) {
  std::vector<Qve::QVEstring> pieces;
  std::istringstream stream(text);
  Qve::QVEstring piece;
  while (std::getline(stream, piece, ';')) pieces.push_back(piece);
  return pieces;
}

}  // namespace Qva
