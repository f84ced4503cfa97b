// The plain launch mode: runs the import script and echoes its output without analysis.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "QVEString.h"
#include "launcher/IMigrationLauncher.h"
#include "launcher/RunConfig.h"

namespace Qva {

// The launch mode's own syntax, read from the raw arguments.
struct LaunchArguments {
  Qve::QVEstring script;  // after "/BAT=" in argument 1
  Qve::QVEstring out;     // last "/OUT=" value; not used
  Qve::QVEstring args;    // last "/ARG=" value, ";"-separated
};

// Parses argv: argument 1 must start with "/BAT=" and later ones may be "/OUT=" or "/ARG="
// (prefixes up to the first "=" compared without regard to case; anything else is ignored).
// On failure writes the usage text to `out` or "/BAT argument is empty" to `err`, then
// "ERROR: Couldn't process command line arguments" to `err`, and returns false.
bool ParseLaunchArguments(int argc, char** argv, LaunchArguments& result, std::ostream& out,
                          std::ostream& err);

// "no_echo", each non-empty ";"-separated piece of `arg_text`, then "2>&1".
std::vector<Qve::QVEstring> BuildLaunchArgumentList(const Qve::QVEstring& arg_text);

class DBLaunch : public IMigrationLauncher {
 public:
  // Keeps `config` and argc/argv (not copied: they outlive the launcher).
  DBLaunch(const RunConfig& config, int argc, char** argv)
      : config_(config), argc_(argc), argv_(argv) {}

  // With RPT, loads the JSON import report and returns its result; else 0. The analyzer name
  // is not used.
  int32_t Initialize(const Qve::QVEstring& analyzer_name) override;
  // 1 on a syntax error or a missing script, else 0 whatever the script returns. Launch
  // failures are shown as "Unhandled error: ..." and do not change the result.
  int32_t Run() override;

 private:
  const RunConfig& config_;
  int32_t argc_;
  char** argv_;
};

}  // namespace Qva
