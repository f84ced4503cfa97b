// Starts the import script for the plain launch mode and echoes what it prints.
#pragma once

#include <vector>

#include "QVEString.h"

namespace Qva {

// The command interpreter's notation for "error output goes where standard output goes". No
// interpreter stands between this program and the script, so the runner applies it itself.
inline constexpr const char* kMergeErrorOutput = "2>&1";

// Shows "\n movarin_all.bat arguments: " with each argument and a blank, starts `script` with
// `arguments` (a "2>&1" among them is applied, not passed), echoes every non-empty output line
// with the trace's Output and waits for the script. A bare script name is looked up in the
// current folder, then along PATH; a file that is not executable, or not a program the system
// can run directly, runs through /bin/sh. Standard exceptions while launching, reading or
// waiting are shown on standard output as "Unhandled error: ..." and not rethrown. The script
// leads a process group of its own, to which stop signals are passed on (Qve::QVStopForwarding).
void RunScriptEchoingOutput(const Qve::QVEstring& script,
                            const std::vector<Qve::QVEstring>& arguments);

}  // namespace Qva
