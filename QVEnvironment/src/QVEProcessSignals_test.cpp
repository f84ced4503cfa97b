#include "QVEProcessSignals.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "QVEProcess.h"
#include "gtest/gtest.h"

namespace Qve {
namespace {

// In a child process, since the handlers and the remembered stop hold for the whole process.
TEST(StopSignalsTest, TheFirstStopIsPassedOnToTheGroupTheSecondEndsTheProgram) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As from a terminal: a shell's background job starts with SIGINT ignored, and an ignored
    // stop signal is left ignored.
    signal(SIGINT, SIG_DFL);
    InstallStopHandlers();
    QVEProcess sleeper;
    sleeper.Start("/bin/sleep 30", "", false);
    { QVStopForwarding idle(sleeper.GetPid(), 1); }  // without a stop the group is left alone
    {
      QVStopForwarding forwarding(sleeper.GetPid(), 1);
      raise(SIGTERM);
      sleeper.Wait(UINT32_MAX);
      if (GetStopSignal() != SIGTERM || sleeper.GetShellEndNotice() != "Terminated") _exit(1);
    }
    raise(SIGINT);
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

}  // namespace
}  // namespace Qve
