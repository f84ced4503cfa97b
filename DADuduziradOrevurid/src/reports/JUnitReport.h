// The import's results as a JUnit XML report, for CI servers: built from the JSON report's
// "objects" after the run.
#pragma once

#include <rapidjson/document.h>

#include <string>

namespace Qva {

class ImportStatistics;
class JsonImportReport;

// The JUnit XML text of `report` (the data.js document): one <testsuite> per "object_type" (in
// order of first appearance; "Object" when an entry has none), one <testcase> per entry of
// "objects" with a string "object_name", named by it, its classname the type, its time the
// entry's "time_import". "Failed": a <failure> whose message is "error_message" and whose text
// holds that message and, with an "error_link", a line with the log anchor `log_path` + "#" +
// the link's id. "Warning": a
// passed case with "comments" in <system-out>. No "import_status": <skipped message="not
// imported"/>. Suites and the root <testsuites> carry the counts and summed times.
// The text is well-formed XML 1.0 whatever the texts hold: bytes that are not UTF-8 and
// characters XML does not allow (control characters but tab, line feed and carriage return;
// U+FFFE, U+FFFF) become U+FFFD.
std::string FormatJUnitReport(const rapidjson::Value& report, const std::string& log_path);

// The run's objects (`records`) as a document of "objects" entries that FormatJUnitReport
// reads, for a run without a data file (and so without an HTML log to link to): per object its
// name, its kind name as "object_type", and the status, message (when `report` has its text)
// and import time that JsonImportReport::UpdateObjects would set.
rapidjson::Document DescribeRunObjects(const ImportStatistics& records,
                                       const JsonImportReport& report);

// Writes `text` to `path` as every output of the run is written: never through another user's
// link, and replaced whole (Qve::QVFile::ReplaceContents), so that a reader never finds half of
// it. A file that did not exist is created first. Throws the QVException* of the failing step.
void WriteJUnitFile(const std::string& path, const std::string& text);

}  // namespace Qva
