// -JUNIT=FILE: the run's JUnit XML report, written after the JSON report.
#pragma once

namespace Qva {

class ImportStatistics;
struct RunConfig;

// With -JUNIT, writes the JUnit report (FormatJUnitReport, WriteJUnitFile) of the process-wide
// JSON report when it was loaded (-RPT), else of the run's objects (`records`; none when null),
// its log anchors pointing into this run's HTML import log. Throws the QVException* of the
// write. Without -JUNIT it does nothing.
void WriteJUnitOnRequest(const RunConfig& config, const ImportStatistics* records);

}  // namespace Qva
