// The id of this process, as the progress events carry it.
#pragma once

#include <cstdint>

uint32_t CurrentProcessId();
