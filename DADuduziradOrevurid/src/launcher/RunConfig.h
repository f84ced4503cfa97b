// The run's configuration: the options of the command line (or response file), read once, and
// every path the run derives from them. Built by BuildRunConfig when the command line has been
// parsed, then passed by reference to whatever needs a setting.
#pragma once

#include <boost/program_options/variables_map.hpp>
#include <vector>

#include "QVEString.h"
#include "launcher/LauncherOptions.h"

namespace Qva {

struct RunConfig {
  // False after a failed parse, which stores no option, not even a default: there is nothing
  // to run with, and choosing a launcher fails (CreateLauncher).
  bool complete = false;

  // Given on the command line; values are UTF-8. A valued option without a default is "" when
  // not given (an empty value is a parse error).

  bool debug = false;        // -DEBUG: the trace file gets Debug messages too
  bool report = false;       // -RPT: write the HTML log and data.js (data.js only, launch mode)
  bool check_rules = false;  // -CHECK_RULES: check the user's rule files, run nothing
  Qve::QVEstring target_db = kDefaultTarget;              // -D, display name of the target system
  Qve::QVEstring target_host = kDefaultTarget;            // -H
  Qve::QVEstring report_dir = kDefaultRptDir;             // -RPT_DIR, relative to its base folders
  Qve::QVEstring event_port = kDefaultEventPort;          // -EVENTPORT as text; "0": no channel
  Qve::QVEstring message_prefix = kDefaultMessaging;      // -MESSAGING
  Qve::QVEstring user_rules;                              // -RULES, ";"-separated files or folders
  Qve::QVEstring explain_log;                             // -EXPLAIN: the saved log to explain
  Qve::QVEstring junit_file;                              // -JUNIT: the JUnit report to write
  std::vector<Qve::QVEstring> arguments = {kDefaultArg};  // -ARG split (SplitArgumentText)

  // Derived by BuildRunConfig, each in one place.

  // Whether target_db is one of the analyzed systems (GetAnalyzedDatabaseNames).
  bool analyzed_target = false;
  // -BAT with every "\" made "/" and every double quote removed.
  Qve::QVEstring script_path = kDefaultBat;
  // The script path up to its last "/"; "" when it has none.
  Qve::QVEstring script_dir;
  // "echo " and every argument followed by a blank: what the analyzed run gives the script.
  Qve::QVEstring argument_text = "echo all ";
  // The trace file: -LOG, placed in script_dir when it has no "/" and script_dir is not "".
  Qve::QVEstring analyzed_log = kDefaultLog;
  // Where the script runs and data.js is kept: -CF, else script_dir, else the current folder
  // (without a trailing separator; "" when it cannot be read or is longer than 1024 bytes).
  Qve::QVEstring working_folder;
  // working_folder/report_dir: data.js, its lock and the report page beside it.
  Qve::QVEstring data_folder;
  Qve::QVEstring data_file;  // data_folder/data.js
  // The folder the HTML log's report folder is under: script_dir, or "." for a bare script
  // name (beside it in the current folder, not at the root); "" for a script directly under "/".
  Qve::QVEstring report_base = ".";
  Qve::QVEstring html_log_folder;  // report_base/report_dir: its stylesheet
  Qve::QVEstring html_log;         // html_log_folder/Import/import_log.html

  bool Explains() const { return !explain_log.empty(); }
  bool WritesJUnit() const { return !junit_file.empty(); }
};

// The configuration that the parsed `options` give. A map without the options that have
// defaults (a failed parse) gives a RunConfig that is not complete. Reads the current folder
// when neither -CF nor the script names a folder.
RunConfig BuildRunConfig(const boost::program_options::variables_map& options);

// The fifteen target database display names that select the analyzed run (exact match).
const std::vector<Qve::QVEstring>& GetAnalyzedDatabaseNames();

// Splits at every ";": an empty text gives no entry, an empty piece between two separators is
// an empty entry, a trailing ";" adds nothing.
std::vector<Qve::QVEstring> SplitArgumentText(const Qve::QVEstring& text);

// The HTML log's file name in its folder.
inline constexpr const char* kHtmlLogName = "import_log.html";

}  // namespace Qva
