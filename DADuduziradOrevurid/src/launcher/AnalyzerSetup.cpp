#include "launcher/AnalyzerSetup.h"

#include <utility>

#include "launcher/LauncherOptions.h"
#include "launcher/MigrationLauncher.h"

namespace Qva {

RunSettings RunSettingsFromOptions(const Qve::QVEstring& version_info, bool report) {
  RunSettings settings;
  settings.report = report;
  settings.analyze_file = NormaliseScriptPath(GetOptionText(kOptBat));
  settings.command =
      MigrationLauncher::BuildArgumentText(SplitArgumentText(GetOptionText(kOptArg)));
  settings.version_info = version_info;
  settings.target_db = GetOptionText(kOptD);
  settings.target_host = GetOptionText(kOptH);
  settings.export_path = GetScriptDirectory(settings.analyze_file);
  settings.report_dir = GetOptionText(kOptRptDir);
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
