// How many objects an import script will announce, told from its text before it runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Qva {

// A script that the scanned script runs.
struct ScriptCall {
  std::string path;       // as written
  bool repeated = false;  // inside a loop or a function: it may run any number of times
};

// What the text of one script tells.
struct ScriptScan {
  // Announcement lines ("Importing Table public.orders to PostgreSQL", as echoed, printed or
  // in a here-document) that run once.
  uint64_t announcements = 0;
  // False when an announcement may print any number of objects: one inside a loop or a
  // function, or one whose object type is made while the script runs.
  bool countable = true;
  std::vector<ScriptCall> calls;
};

// Scans shell script text, or with `windows` a command-shell batch file ("call x.bat",
// "for ... do", "goto"). Only what the script itself prints and runs is looked at; a call whose
// path is made while the script runs makes it not countable.
ScriptScan ScanScriptText(std::string_view text, bool windows);

// The objects `script` announces together with the scripts it calls, found beside the calling
// script or in `working_folder` (a called script that is not there announces nothing). Empty
// when that cannot be counted: a loop, a function, a made name, a script calling itself, a
// script that cannot be read or is too large.
std::optional<uint64_t> CountAnnouncedObjects(const std::filesystem::path& script,
                                              const std::filesystem::path& working_folder);

}  // namespace Qva
