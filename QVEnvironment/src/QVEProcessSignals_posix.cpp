// Stop requests on POSIX: sigaction handlers that only touch lock-free atomics and make
// async-signal-safe calls (kill, alarm, clock_gettime).
#include <errno.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "QVEOutputBatch.h"
#include "QVEProcessSignals.h"

namespace Qve {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_stop_signal{0};
// The stop the program asked for itself (RequestStop); 0 when none.
std::atomic<int> g_requested_stop{0};
// The watched group; 0 when none. Groups 1 and below are never signalled.
std::atomic<pid_t> g_group{0};
std::atomic<int> g_grace_seconds{kQVStopGraceSeconds};
// Monotonic time (ns) of the first stop passed on to the watched group; 0 when none was.
std::atomic<int64_t> g_forwarded_at{0};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free &&
                  std::atomic<int64_t>::is_always_lock_free,
              "signal handlers may only use lock-free atomics");

int64_t MonotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Passes `signal` on to the watched group; the first time, starts the grace time.
void PassOn(int signal) {
  const pid_t group = g_group.load();
  if (group <= 1) return;
  kill(-group, signal);
  kill(-group, SIGCONT);
  int64_t none = 0;
  if (g_forwarded_at.compare_exchange_strong(none, MonotonicNow())) alarm(g_grace_seconds.load());
}

void OnStopSignal(int signal) {
  const int saved_errno = errno;
  int none = 0;
  if (g_stop_signal.compare_exchange_strong(none, signal)) {
    PassOn(signal);
  } else {
    // Asked again: stop at once, the import's processes first. The signal, raised with its
    // default action, ends the program as soon as this handler returns.
    const pid_t group = g_group.load();
    if (group > 1) kill(-group, SIGKILL);
    // What was analyzed but is still gathered for its block is written before the end.
    WriteGatheredOnSignal();
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigaction(signal, &default_action, nullptr);
    raise(signal);
  }
  errno = saved_errno;
}

void OnGraceOver(int) {
  const int saved_errno = errno;
  const pid_t group = g_group.load();
  if (group > 1) kill(-group, SIGKILL);
  errno = saved_errno;
}

// Blocks the stop signals and SIGALRM while it lives, so that the main line and a handler
// never act on the watched group at the same time.
class HandlersBlocked {
 public:
  HandlersBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals) sigaddset(&set, signal);
    sigaddset(&set, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~HandlersBlocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  HandlersBlocked(const HandlersBlocked&) = delete;
  HandlersBlocked& operator=(const HandlersBlocked&) = delete;

 private:
  sigset_t old_;
};

bool GroupHasProcesses(pid_t group) { return kill(-group, 0) == 0 || errno == EPERM; }

void Install(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int stop : kStopSignals) sigaddset(&action.sa_mask, stop);
  sigaddset(&action.sa_mask, SIGALRM);
  // Reads and waits go on after a handler ran; the handler has done what the signal asks.
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallStopHandlers() {
  for (int signal : kStopSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) continue;
    if (current.sa_handler == SIG_IGN || current.sa_handler == OnStopSignal) continue;
    Install(signal, OnStopSignal);
  }
  Install(SIGALRM, OnGraceOver);
  // Past a file-size limit a write fails with EFBIG, reported like a full disk, instead of the
  // signal ending the program in the middle of a save.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, nullptr);
  // A reader that goes away (a pager, `timeout N cat`, a lost ssh session) must not end the
  // import unobserved: the console write fails (EPIPE) and is dropped.
  sigaction(SIGPIPE, &ignore, nullptr);
}

int GetStopSignal() {
  const int caught = g_stop_signal.load();
  return caught != 0 ? caught : g_requested_stop.load();
}

void RequestStop() {
  HandlersBlocked blocked;
  int none = 0;
  if (!g_requested_stop.compare_exchange_strong(none, SIGTERM)) return;
  // A caught stop was passed on already.
  if (g_stop_signal.load() == 0) PassOn(SIGTERM);
}

void LeadNewProcessGroup() {
  setsid();
  // The import's own tools keep the default: an ignored signal would outlive exec.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(SIGXFSZ, &default_action, nullptr);
  sigaction(SIGPIPE, &default_action, nullptr);
}

QVStopForwarding::QVStopForwarding(pid_t group, int grace_seconds) : group_(group) {
  HandlersBlocked blocked;
  g_grace_seconds = grace_seconds;
  g_forwarded_at = 0;
  g_group = group;
  if (int stop = GetStopSignal()) PassOn(stop);
}

QVStopForwarding::~QVStopForwarding() {
  const int64_t forwarded_at = g_forwarded_at.load();
  if (forwarded_at != 0 && group_ > 1) {
    const int64_t deadline = forwarded_at + int64_t{g_grace_seconds.load()} * 1'000'000'000;
    while (GroupHasProcesses(group_) && MonotonicNow() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (GroupHasProcesses(group_)) kill(-group_, SIGKILL);
  }
  HandlersBlocked blocked;
  alarm(0);
  g_group = 0;
  g_forwarded_at = 0;
}

}  // namespace Qve
