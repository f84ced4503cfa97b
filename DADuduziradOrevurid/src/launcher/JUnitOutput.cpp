#include "launcher/JUnitOutput.h"

#include "launcher/RunConfig.h"
#include "records/ImportStatistics.h"
#include "reports/JUnitReport.h"
#include "reports/JsonImportReport.h"

namespace Qva {

void WriteJUnitOnRequest(const RunConfig& config, const ImportStatistics* records) {
  if (!config.WritesJUnit()) return;
  const JsonImportReport& report = JsonImportReport::Instance();
  std::string text;
  if (report.IsEnabled()) {
    text = FormatJUnitReport(report.GetDocument(), config.html_log);
  } else {
    text = FormatJUnitReport(DescribeRunObjects(records ? *records : ImportStatistics(), report),
                             config.html_log);
  }
  WriteJUnitFile(config.junit_file, text);
}

}  // namespace Qva
