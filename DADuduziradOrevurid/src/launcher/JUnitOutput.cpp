#include "launcher/JUnitOutput.h"

#include "launcher/LauncherOptions.h"

namespace Qva {

std::optional<JUnitTarget> JUnitTargetFromOptions() {
  if (!HasOption(kOptJunit)) return std::nullopt;
  const Qve::QVEstring log = GetReportBaseFolder(NormaliseScriptPath(GetOptionText(kOptBat))) +
                             "/" + GetOptionText(kOptRptDir) + "/Import/import_log.html";
  return JUnitTarget{GetOptionText(kOptJunit), log};
}

}  // namespace Qva
