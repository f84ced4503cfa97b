#include "launcher/JUnitOutput.h"

#include "launcher/LauncherOptions.h"
#include "records/ImportStatistics.h"
#include "reports/JUnitReport.h"
#include "reports/JsonImportReport.h"

namespace Qva {

void WriteJUnitOnRequest(const ImportStatistics* records) {
  if (!HasOption(kOptJunit)) return;
  const Qve::QVEstring log = GetReportBaseFolder(NormaliseScriptPath(GetOptionText(kOptBat))) +
                             "/" + GetOptionText(kOptRptDir) + "/Import/import_log.html";
  const JsonImportReport& report = JsonImportReport::Instance();
  std::string text;
  if (report.IsEnabled()) {
    text = FormatJUnitReport(report.GetDocument(), log);
  } else {
    text =
        FormatJUnitReport(DescribeRunObjects(records ? *records : ImportStatistics(), report), log);
  }
  WriteJUnitFile(GetOptionText(kOptJunit), text);
}

}  // namespace Qva
