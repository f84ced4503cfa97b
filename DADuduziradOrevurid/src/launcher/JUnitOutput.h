// -JUNIT=FILE: the run's JUnit XML report, written after the JSON report.
#pragma once

namespace Qva {

// With -JUNIT, writes the JUnit report of the process-wide JSON report (WriteJUnitReport), its
// log anchors pointing into this run's HTML import log; says on stderr when it cannot (no -RPT,
// or the file cannot be written). Without -JUNIT it does nothing.
void WriteJUnitOnRequest();

}  // namespace Qva
