#include <unistd.h>

#include "events/ProcessId.h"

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }
