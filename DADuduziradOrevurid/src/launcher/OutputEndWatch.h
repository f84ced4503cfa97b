// When to stop reading the script's output although its pipe is still open.
#pragma once

#include <chrono>

namespace Qva {

// Descendants of the script (a tool under `timeout`, a `setsid` child, `sleep 1000 &`) may keep
// the output pipe open long after the script itself has ended. Reading stops once the script
// has ended and the pipe has been quiet for kQuietAfterEnd; after a stop request it stops at
// the latest kStoppedEndLimit after the script's end, whatever still writes.
class OutputEndWatch {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kQuietAfterEnd{300};
  static constexpr std::chrono::milliseconds kStoppedEndLimit{600};
  // How long one wait for output lasts before the watch is asked again.
  static constexpr std::chrono::milliseconds kWaitStep{100};

  explicit OutputEndWatch(Clock::time_point now);

  void OnOutput(Clock::time_point now);
  // The first call counts; later ones change nothing.
  void OnScriptEnded(Clock::time_point now);
  bool ScriptEnded() const { return script_ended_; }
  // Whether to stop reading now; `stop_requested` when a stop signal was caught.
  bool ShouldStop(Clock::time_point now, bool stop_requested) const;

 private:
  Clock::time_point last_output_;
  Clock::time_point ended_at_{};
  bool script_ended_ = false;
};

}  // namespace Qva
