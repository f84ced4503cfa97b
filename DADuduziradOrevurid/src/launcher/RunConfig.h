// The run's configuration: the options of the command line (or response file), read once, and
// every path the run derives from them. Built by BuildRunConfig when the command line has been
// parsed, then passed by reference to whatever needs a setting.
#pragma once

#include <vector>

#include "QVEString.h"
#include "launcher/LauncherOptions.h"

namespace boost::program_options {
class variables_map;
}  // namespace boost::program_options

namespace Qva {

struct RunConfig {
  // False after a failed parse, which stores no option, not even a default: there is nothing
  // to run with, and choosing a launcher fails (CreateLauncher).
  bool complete = false;

  // Given on the command line; values are UTF-8. Each comment names the option and its
  // default; a valued option without a default is "" when not given (an empty value does not
  // parse).

  bool debug = false;        // -DEBUG (off): the trace file gets Debug messages too
  bool report = false;       // -RPT (off): the HTML log and data.js (launch mode: data.js only)
  bool check_rules = false;  // -CHECK_RULES (off): check the user's rule files, run nothing
  Qve::QVEstring target_db = kDefaultTarget;    // -D ("NA"): display name of the target
  Qve::QVEstring target_host = kDefaultTarget;  // -H ("NA")
  // -RPT_DIR ("reports"): under working_folder for data.js, under report_base for the HTML log.
  Qve::QVEstring report_dir = kDefaultRptDir;
  Qve::QVEstring event_port = kDefaultEventPort;      // -EVENTPORT ("0": no event channel)
  Qve::QVEstring message_prefix = kDefaultMessaging;  // -MESSAGING ("")
  Qve::QVEstring user_rules;   // -RULES: ";"-separated rule files or folders of the user's own
  Qve::QVEstring explain_log;  // -EXPLAIN: the saved log to explain instead of a run
  Qve::QVEstring junit_file;   // -JUNIT: the JUnit report to write after the run
  // -ARG ("all") split at ";" (SplitArgumentText).
  std::vector<Qve::QVEstring> arguments = {kDefaultArg};

  // Derived by BuildRunConfig, each in one place.

  // Whether target_db is one of the analyzed systems (GetAnalyzedDatabaseNames).
  bool analyzed_target = false;
  // -BAT ("movarin_all.bat") with every "\" made "/" and every double quote removed.
  Qve::QVEstring script_path = kDefaultBat;
  // The script path up to its last "/"; "" when it has none.
  Qve::QVEstring script_dir;
  // "echo " and every argument followed by a blank: what the analyzed run gives the script.
  Qve::QVEstring argument_text = "echo all ";
  // The trace file: -LOG ("movarin_imp.log"), placed in script_dir when it has no "/" and
  // script_dir is not "".
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
