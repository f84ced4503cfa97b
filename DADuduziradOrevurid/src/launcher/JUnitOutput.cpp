#include "launcher/JUnitOutput.h"

#include <cstdio>

#include "launcher/LauncherOptions.h"
#include "reports/JUnitReport.h"

namespace Qva {

void WriteJUnitOnRequest() {
  if (!HasOption(kOptJunit)) return;
  const Qve::QVEstring path = GetOptionText(kOptJunit);
  const Qve::QVEstring log = GetReportBaseFolder(NormaliseScriptPath(GetOptionText(kOptBat))) +
                             "/" + GetOptionText(kOptRptDir) + "/Import/import_log.html";
  if (!WriteJUnitReport(path, log)) {
    std::fprintf(stderr, "-JUNIT: %s not written: it needs -RPT and a file it can write\n",
                 path.c_str());
  }
}

}  // namespace Qva
