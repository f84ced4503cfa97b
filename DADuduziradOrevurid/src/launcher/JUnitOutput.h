// -JUNIT=FILE: where the run's JUnit XML report goes.
#pragma once

#include <optional>

#include "actions/RunOutputs.h"

namespace Qva {

struct RunConfig;

// With -JUNIT, the file to write and this run's HTML import log that its anchors point into;
// none without -JUNIT.
std::optional<JUnitTarget> JUnitTargetFor(const RunConfig& config);

}  // namespace Qva
