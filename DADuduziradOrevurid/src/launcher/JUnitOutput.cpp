#include "launcher/JUnitOutput.h"

#include "launcher/RunConfig.h"

namespace Qva {

std::optional<JUnitTarget> JUnitTargetFor(const RunConfig& config) {
  if (!config.WritesJUnit()) return std::nullopt;
  return JUnitTarget{config.junit_file, config.html_log};
}

}  // namespace Qva
