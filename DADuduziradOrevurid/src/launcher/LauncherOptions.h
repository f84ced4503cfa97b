// The process-wide option map, the names of its options, and the path rules that both
// launchers apply to them.
#pragma once

#include <boost/program_options/variables_map.hpp>
#include <vector>

#include "QVEString.h"

namespace Qva {

// Option names, in the order the help text shows them. Matched case-sensitively.
inline constexpr const char* kOptHelp = "HELP";               // switch
inline constexpr const char* kOptRsp = "RSP";                 // response file
inline constexpr const char* kOptBat = "BAT";                 // import script path
inline constexpr const char* kOptArg = "ARG";                 // script arguments, ";"-separated
inline constexpr const char* kOptEchoLog = "ECHOLOG";         // accepted, unused
inline constexpr const char* kOptLog = "LOG";                 // analyzed log (the trace file)
inline constexpr const char* kOptDebug = "DEBUG";             // switch
inline constexpr const char* kOptCf = "CF";                   // child's working folder
inline constexpr const char* kOptRpt = "RPT";                 // switch: write the reports
inline constexpr const char* kOptD = "D";                     // target database display name
inline constexpr const char* kOptH = "H";                     // target host
inline constexpr const char* kOptRptDir = "RPT_DIR";          // report directory
inline constexpr const char* kOptEventPort = "EVENTPORT";     // wizard event port, 0 for none
inline constexpr const char* kOptMessaging = "MESSAGING";     // wizard message prefix
inline constexpr const char* kOptRules = "RULES";             // user rule files, ";"-separated
inline constexpr const char* kOptCheckRules = "CHECK_RULES";  // switch: check them, run nothing
inline constexpr const char* kOptExplain = "EXPLAIN";         // saved log to explain line by line
inline constexpr const char* kOptJunit = "JUNIT";             // JUnit XML report to write

// Keys of the settings the analyzed run hands to the log analyzer.
inline constexpr const char* kAnalyzeFileKey = "ANALYZE_FILE";
inline constexpr const char* kImportVerInfoKey = "import_ver_info";
inline constexpr const char* kImportDbKey = "import_db";
inline constexpr const char* kImportHostKey = "import_host";
inline constexpr const char* kExportPathKey = "export_path";
inline constexpr const char* kReportDirKey = "report_dir";

// The map filled by ParseCommandLine. Options with a default are always present after a
// successful parse; a failed parse leaves it empty. Values are UTF-8 strings.
boost::program_options::variables_map& GetOptionMap();

// The value of a valued option. Throws boost::bad_any_cast when the option is absent or holds
// no string, as after a failed parse.
Qve::QVEstring GetOptionText(const char* name);
// The value of a valued option, or empty when it is absent.
Qve::QVEstring GetOptionTextOrEmpty(const char* name);
// Whether an option (a switch in particular) was given or defaulted.
bool HasOption(const char* name);

// Path of the analyzed log file, named by ParseCommandLine.
Qve::QVEstring& GetAnalyzedLogPath();

// Every "\" becomes "/" and every double quote is removed.
Qve::QVEstring NormaliseScriptPath(const Qve::QVEstring& bat);
// The path up to (not including) its last "/"; empty when there is none.
Qve::QVEstring GetScriptDirectory(const Qve::QVEstring& script_path);
// The folder that report paths are built under: the script directory, or "." for a bare script
// name, so that "-BAT=movarin_all.sh" writes beside the script in the current directory rather
// than at the file-system root. A script directly under "/" keeps the empty directory (the root).
Qve::QVEstring GetReportBaseFolder(const Qve::QVEstring& script_path);
// `log` unchanged when it contains a "/" or the script directory is empty, else placed in the
// script directory. A "\" does not count as a separator here.
Qve::QVEstring MakeAnalyzedLogPath(const Qve::QVEstring& log, const Qve::QVEstring& script_dir);
// The child's working folder: `cf` when not empty, else the script directory when not empty,
// else the current directory (see GetCurrentFolder).
Qve::QVEstring ChooseWorkingFolder(const Qve::QVEstring& cf, const Qve::QVEstring& script_dir);
// The current directory without a trailing separator; empty when it cannot be read or is
// longer than 1024 bytes.
Qve::QVEstring GetCurrentFolder();
// Splits at every ";": an empty text gives no entry, an empty piece between two separators is
// an empty entry, a trailing ";" adds nothing.
std::vector<Qve::QVEstring> SplitArgumentText(const Qve::QVEstring& text);

}  // namespace Qva
