#include "QVETimeStamp.h"

namespace Qve {

void QVTimeStamp::Clear() {
  seconds_ = 0;
  ms_ = 0;
}

double QVTimeStamp::ElapsedSeconds(const QVTimeStamp& later) const {
  return static_cast<double>(later.seconds_ - seconds_) +
         (static_cast<int32_t>(later.ms_) - static_cast<int32_t>(ms_)) / 1000.0;
}

QVTimeStamp QVTimeStamp::Now() {
  QVTimeStamp stamp;
  stamp.SetNow();
  return stamp;
}

}  // namespace Qve
