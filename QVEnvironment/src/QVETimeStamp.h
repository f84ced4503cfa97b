// Seconds-and-milliseconds time stamp used for trace lines and durations.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qve {

class QVTimeStamp {
 public:
  QVTimeStamp() = default;
  QVTimeStamp(int64_t seconds, uint16_t milliseconds) : seconds_(seconds), ms_(milliseconds) {}

  void Clear();
  // Reads the wall clock with millisecond resolution.
  void SetNow();
  // (later.seconds - seconds) + (later.ms - ms) / 1000.0
  double ElapsedSeconds(const QVTimeStamp& later) const;
  // The ctime text of the seconds in local time without weekday and newline: 20 characters,
  // e.g. "Dec 04 22:36:11 2026". No milliseconds. Each thread keeps the text of the last second
  // it converted, so a change of the process's time zone shows from the next other second.
  QVEstring Text() const;
  // Appends Text() to `out` without a temporary text.
  void AppendText(QVEstring& out) const;

  int64_t Seconds() const { return seconds_; }
  uint16_t Milliseconds() const { return ms_; }

  static QVTimeStamp Now();

 private:
  int64_t seconds_ = 0;
  uint16_t ms_ = 0;
};

// The C library's ctime rendering of `seconds` in local time, as the banner and the launch
// mode's closing line show it: "Thu Dec  4 22:36:11 2026\n" (with its line feed). Empty when
// the time cannot be rendered.
QVEstring CTimeText(int64_t seconds);

// The current calendar time in seconds.
int64_t CurrentCalendarTime();

}  // namespace Qve
