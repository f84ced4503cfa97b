// The C library's ctime rendering, which the banner and the launch mode's closing line show.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

// Local-time ctime form of `seconds`, e.g. "Thu Dec  4 22:36:11 2026\n" (ends with a line
// feed). Empty when the time cannot be rendered.
Qve::QVEstring CTimeText(int64_t seconds);

// The current calendar time in seconds.
int64_t CurrentCalendarTime();

}  // namespace Qva
