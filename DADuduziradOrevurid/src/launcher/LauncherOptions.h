// The names of the command line's options, their defaults, and the keys under which the
// analyzed run hands its settings to the log analyzer.
#pragma once

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

// Defaults of the valued options that have one, as the help shows them.
inline constexpr const char* kDefaultBat = "movarin_all.bat";
inline constexpr const char* kDefaultArg = "all";
inline constexpr const char* kDefaultEchoLog = "echo_imp.log";
inline constexpr const char* kDefaultLog = "movarin_imp.log";
inline constexpr const char* kDefaultTarget = "NA";  // -D and -H
inline constexpr const char* kDefaultRptDir = "reports";
inline constexpr const char* kDefaultEventPort = "0";
inline constexpr const char* kDefaultMessaging = "";

// Keys of the settings the analyzed run hands to the log analyzer.
inline constexpr const char* kAnalyzeFileKey = "ANALYZE_FILE";
inline constexpr const char* kImportVerInfoKey = "import_ver_info";
inline constexpr const char* kImportDbKey = "import_db";
inline constexpr const char* kImportHostKey = "import_host";
inline constexpr const char* kExportPathKey = "export_path";
inline constexpr const char* kReportDirKey = "report_dir";

}  // namespace Qva
