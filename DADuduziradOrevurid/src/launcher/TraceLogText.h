// -EXPLAIN reads the trace file (movarin_imp.log) as well as the script's raw output: the
// trace's own parts of each line are recognised and removed, so the rules see the texts.
#pragma once

#include <string>
#include <string_view>

namespace Qva {

// Whether `log` is a trace file: its first line starts with a trace time stamp
// ("Dec 07 02:44:57 2026 ").
bool IsTraceLog(std::string_view log);

// The texts of a trace file, one line per trace line, so that line numbers stay those of the
// file. From a line with a time stamp the stamp, the level tag ("[ERR] ", or the blank of an
// untagged line) and the source title ("tables::sqlplus(f.sql)> ") are removed. Lines of the
// program's own (tagged debug, info, notice, critical and above, or from its "Action begin",
// "Action end" and "Action time" sources) become empty lines: they are not the script's. A
// line without a time stamp (the rest of a message of several lines) is kept as it is. Line
// ends become "\n".
std::string TraceLogToOutput(std::string_view log);

}  // namespace Qva
