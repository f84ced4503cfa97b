#include <time.h>

#include "QVETimeStamp.h"

namespace Qve {

void QVTimeStamp::SetNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  seconds_ = now.tv_sec;
  ms_ = static_cast<uint16_t>(now.tv_nsec / 1000000);
}

QVEstring QVTimeStamp::Text() const {
  // "Wed Dec  4 22:36:11 2026\n": drop the weekday and the newline. The C library pads the day
  // with a blank where the product's form has a zero.
  char text[64] = {};
  time_t seconds = static_cast<time_t>(seconds_);
  if (ctime_r(&seconds, text) == nullptr) return QVEstring();
  QVEstring result(text);
  if (result.size() < 5) return QVEstring();
  result.erase(0, 4);
  if (!result.empty() && result.back() == '\n') result.pop_back();
  if (result.size() > 4 && result[4] == ' ') result[4] = '0';
  return result;
}

}  // namespace Qve
