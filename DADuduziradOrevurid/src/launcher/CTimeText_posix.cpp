#include <time.h>

#include "launcher/CTimeText.h"

namespace Qva {

Qve::QVEstring CTimeText(int64_t seconds) {
  char text[256] = {};
  time_t value = static_cast<time_t>(seconds);
  if (ctime_r(&value, text) == nullptr) return Qve::QVEstring();
  return text;
}

int64_t CurrentCalendarTime() { return static_cast<int64_t>(time(nullptr)); }

}  // namespace Qva
