#include "launcher/OutputEndWatch.h"

namespace Qva {

OutputEndWatch::OutputEndWatch(Clock::time_point now) : last_output_(now) {}

void OutputEndWatch::OnOutput(Clock::time_point now) { last_output_ = now; }

void OutputEndWatch::OnScriptEnded(Clock::time_point now) {
  if (!script_ended_) ended_at_ = now;
  script_ended_ = true;
}

bool OutputEndWatch::ShouldStop(Clock::time_point now, bool stop_requested) const {
  if (!script_ended_) return false;
  if (stop_requested && now - ended_at_ >= kStoppedEndLimit) return true;
  return now - last_output_ >= kQuietAfterEnd;
}

}  // namespace Qva
