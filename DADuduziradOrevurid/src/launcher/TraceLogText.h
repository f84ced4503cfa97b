// -EXPLAIN reads the trace file (movarin_imp.log) as well as the script's raw output: the
// trace's own parts of each line are recognised and removed, so the rules see the texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Qva {

// Whether `log` is a trace file: its first line starts with a trace time stamp
// ("Dec 07 02:44:57 2026 ").
bool IsTraceLog(std::string_view log);

// The texts of a trace file that the analyzer reads, one line each. From a line with a time
// stamp the stamp, the level tag ("[ERR] ", or the blank of an untagged line) and the source
// title ("tables::sqlplus(f.sql)> ") are removed. Lines of the program's own (tagged debug,
// info, notice, critical and above, or from its "Action begin", "Action end" and "Action time"
// sources) are left out, as are lines empty but for blanks (the analyzer stores none). A line
// without a time stamp (the rest of a message of several lines) is kept as it is. Line ends
// become "\n".
std::string TraceLogToOutput(std::string_view log);

// What the run that wrote a trace line made of it: the level tag of the line.
enum class TraceVerdict : char { kNone, kError, kWarning };

// TraceLogToOutput, with the verdict of each line it gives in `verdicts` ("[ERR]": an error,
// "[WRN]": a warning), so that verdicts[i] belongs to the analyzer's line i.
std::string TraceLogToOutput(std::string_view log, std::vector<TraceVerdict>& verdicts);

}  // namespace Qva
