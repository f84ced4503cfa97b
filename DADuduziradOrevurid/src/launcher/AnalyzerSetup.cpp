#include "launcher/AnalyzerSetup.h"

#include <utility>

#include "launcher/LauncherOptions.h"

namespace Qva {

RunSettings RunSettingsFor(const RunConfig& config, const Qve::QVEstring& version_info,
                           bool report) {
  RunSettings settings;
  settings.report = report;
  settings.junit = config.WritesJUnit();
  settings.analyze_file = config.script_path;
  settings.command = config.argument_text;
  settings.version_info = version_info;
  settings.target_db = config.target_db;
  settings.target_host = config.target_host;
  settings.export_path = config.script_dir;
  settings.report_dir = config.report_dir;
  return settings;
}

std::shared_ptr<ImpLogAnalyzerActionManager> SetUpAnalyzer(LogAnalyzer& analyzer,
                                                           const RunSettings& settings) {
  const std::pair<const char*, const Qve::QVEstring*> options[] = {
      {kAnalyzeFileKey, &settings.analyze_file}, {kImportVerInfoKey, &settings.version_info},
      {kImportDbKey, &settings.target_db},       {kImportHostKey, &settings.target_host},
      {kExportPathKey, &settings.export_path},   {kReportDirKey, &settings.report_dir}};
  for (const auto& [key, value] : options) {
    analyzer.SetOption(Qve::kQVOptCString, key, value->c_str());
  }
  return ImpLogAnalyzerActionManager::AttachTo(analyzer, settings);
}

std::vector<UserRuleFileVerdict> CheckUserRules(const std::vector<std::string>& paths,
                                                bool keep_going) {
  return CheckUserRuleFiles(std::make_shared<ImpLogAnalyzerActionManager>(nullptr, RunSettings{}),
                            paths, keep_going);
}

}  // namespace Qva
