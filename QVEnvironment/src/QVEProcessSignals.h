// Stop requests: SIGINT, SIGTERM and SIGHUP stop the whole import, the processes of the import
// script included, instead of leaving them behind without the program that reads them.
#pragma once

#include <sys/types.h>

namespace Qve {

// Seconds a stopped import's processes get to end after the stop was passed on to them.
inline constexpr int kQVStopGraceSeconds = 5;

// Catches SIGINT, SIGTERM and SIGHUP from now on; a signal ignored when the program started (as
// under nohup) stays ignored. The first caught signal is remembered as the stop request and
// passed on to the watched process group (QVStopForwarding); the program itself goes on, so that
// it can end its run in order. A second one kills the watched group and ends the program at
// once, by that signal. SIGXFSZ is ignored, so that a write past a file-size limit fails (EFBIG)
// instead of ending the program; SIGPIPE too, so that a console that goes away (a closed pipe)
// only makes console writes fail. Call once, early; calling again changes nothing.
void InstallStopHandlers();

// The first stop signal caught, else the signal of RequestStop, 0 while neither happened.
int GetStopSignal();

// Stops the import from within, as a caught SIGTERM would (the watched group gets it and its
// grace time), without taking the place of a stop signal still to come. For a failure that
// leaves the run nothing to do but end in order. Later calls change nothing.
void RequestStop();

// In a child process between fork and exec: makes it the leader of a new session and process
// group, without a controlling terminal, so that a stop reaches everything the child starts and
// no tool of the import can wait at the terminal. SIGXFSZ and SIGPIPE get their default action
// back.
void LeadNewProcessGroup();

// Watches the process group `group` (led by a child started with QVEProcess or
// LeadNewProcessGroup) while it lives: every stop signal is passed on to the group, followed by
// SIGCONT for members that are stopped; a stop caught before is passed on at once. From the
// first passed-on stop, the group gets `grace_seconds` to end before it is killed (SIGKILL),
// also while the program is blocked reading the group's output. One group at a time.
class QVStopForwarding {
 public:
  explicit QVStopForwarding(pid_t group, int grace_seconds = kQVStopGraceSeconds);
  // Call after the group's leader was reaped. When a stop was passed on, waits until the group
  // has no process left or its grace time is over, and kills what is left; then stops watching.
  ~QVStopForwarding();
  QVStopForwarding(const QVStopForwarding&) = delete;
  QVStopForwarding& operator=(const QVStopForwarding&) = delete;

 private:
  pid_t group_;
};

}  // namespace Qve
