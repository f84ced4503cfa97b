// Waiting on a pipe with a time limit, and naming the processes that hold a pipe open.
#pragma once

#include <cstdint>
#include <vector>

#include "QVEFile.h"
#include "QVEString.h"

namespace Qve {

// Waits up to `timeout_ms` milliseconds (0: only looks) until reading `file` would not block:
// data has arrived or every writer has closed the pipe. False when the time passed first, or a
// signal cut the wait short; the caller looks again.
bool WaitReadable(const QVFile& file, uint32_t timeout_ms);

// The processes other than this one that hold the pipe `file` reads from open, each as
// "<pid> (<program name>)", in ascending pid order. Empty where the platform cannot tell.
std::vector<QVEstring> FindPipeHolders(const QVFile& file);

}  // namespace Qve
