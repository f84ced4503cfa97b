// The whole life of the program: banner, command line, launcher, end-of-run step, exit code.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

// "%s - %s\nTimestamp: %s" from the application name, the product text and `time_text` (the
// ctime rendering, which brings its own line feed).
Qve::QVEstring FormatBanner(const Qve::QVEstring& time_text);

// Runs the program and returns its exit code: what Initialize returns when that is not 0, else
// what Run returns; 2 without a launcher or when a QVException escapes (then at once); -1 when
// any other exception escapes. Every exit but the QVException one waits two seconds first. The
// QVException's code and message are traced, or, when the console would not show them (the trace
// is not set up yet, or failed), written to standard error.
// SIGINT, SIGTERM and SIGHUP stop the import (see Qve::InstallStopHandlers); the run still
// ends in order (HTML footer, data.js) and the exit code is then 128 + the signal's number; a
// stop while the command line or response file is read ends the run before any launcher.
// A failed write of the trace file or the HTML log stops the import the same way
// (Qve::RecordOutputFailure); the run then ends with that failure's QVException (exit 2).
int32_t RunMigrationLauncher(int argc, char** argv);

// Sleeps until two seconds have passed on the monotonic clock, also after early wake-ups.
void WaitBeforeExit();

}  // namespace Qva
