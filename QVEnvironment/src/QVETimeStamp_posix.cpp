#include <time.h>

#include <climits>
#include <cstring>

#include "QVETimeStamp.h"

namespace Qve {

namespace {

// Trace lines and the HTML log stamp every line; the local-time conversion is the expensive
// part and changes once a second.
struct SecondText {
  int64_t seconds = INT64_MIN;
  size_t size = 0;
  char text[32] = {};
};

thread_local SecondText last_text;

const SecondText& TextOf(int64_t seconds) {
  SecondText& cached = last_text;
  if (cached.seconds == seconds) return cached;
  // "Wed Dec  4 22:36:11 2026\n": drop the weekday and the newline. The C library pads the day
  // with a blank where the product's form has a zero.
  char text[64] = {};
  time_t value = static_cast<time_t>(seconds);
  size_t size = 0;
  if (ctime_r(&value, text) != nullptr) size = std::strlen(text);
  if (size < 5) {
    size = 0;
  } else {
    std::memmove(text, text + 4, size - 4 + 1);
    size -= 4;
    if (text[size - 1] == '\n') text[--size] = '\0';
    if (size > 4 && text[4] == ' ') text[4] = '0';
  }
  if (size >= sizeof(cached.text)) size = 0;  // never for a ctime text
  std::memcpy(cached.text, text, size);
  cached.size = size;
  cached.seconds = seconds;
  return cached;
}

}  // namespace

void QVTimeStamp::SetNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  seconds_ = now.tv_sec;
  ms_ = static_cast<uint16_t>(now.tv_nsec / 1000000);
}

QVEstring QVTimeStamp::Text() const {
  const SecondText& text = TextOf(seconds_);
  return QVEstring(text.text, text.size);
}

void QVTimeStamp::AppendText(QVEstring& out) const {
  const SecondText& text = TextOf(seconds_);
  out.append(text.text, text.size);
}

QVEstring CTimeText(int64_t seconds) {
  char text[256] = {};
  time_t value = static_cast<time_t>(seconds);
  if (ctime_r(&value, text) == nullptr) return QVEstring();
  return text;
}

int64_t CurrentCalendarTime() { return static_cast<int64_t>(time(nullptr)); }

}  // namespace Qve
