// The import's results as a JUnit XML report, for CI servers: built from the JSON report's
// "objects" after the run.
#pragma once

#include <rapidjson/document.h>

#include <string>

namespace Qva {

// The JUnit XML text of `report` (the data.js document): one <testsuite> per "object_type" (in
// order of first appearance; "Object" when an entry has none), one <testcase> per entry of
// "objects" with a string "object_name", named by it, its classname the type, its time the
// entry's "time_import". "Failed": a <failure> whose message is "error_message" and whose text
// holds that message and the log anchor `log_path` + "#" + the id of "error_link". "Warning": a
// passed case with "comments" in <system-out>. No "import_status": <skipped message="not
// imported"/>. Suites and the root <testsuites> carry the counts and summed times.
std::string FormatJUnitReport(const rapidjson::Value& report, const std::string& log_path);

// Writes FormatJUnitReport of the process-wide JSON report to `path`. False (and nothing
// written) when the JSON report was never loaded (no -RPT) or the file cannot be written.
bool WriteJUnitReport(const std::string& path, const std::string& log_path);

}  // namespace Qva
