#include "QVEProcess.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "QVEProcessSignals.h"
#include "QVEStartFailure.h"
#include "QVETestSupport.h"
#include "gmock/gmock.h"

namespace Qve {
namespace {

using test::TempFolder;
using ::testing::ElementsAre;

std::string ReadAll(QVFile& file) {
  std::string text;
  char block[16383];
  while (uint64_t got = file.Read(block, sizeof(block))) text.append(block, got);
  return text;
}

std::string RunAndRead(const std::string& command_line, const std::string& folder = "") {
  QVEProcess process;
  process.Start(command_line, folder, true);
  std::string text = ReadAll(*process.GetOutputFile());
  process.Wait(UINT32_MAX);
  return text;
}

TEST(SplitCommandLineTest, FollowsTheWindowsConvention) {
  EXPECT_THAT(SplitCommandLine("a \"b c\"\td"), ElementsAre("a", "b c", "d"));
  EXPECT_THAT(SplitCommandLine("  lead   trail  "), ElementsAre("lead", "trail"));
  EXPECT_THAT(SplitCommandLine("x\"y z\"w \"\""), ElementsAre("xy zw", ""));
  EXPECT_THAT(SplitCommandLine(R"(a\"b c\\d "e\\" f\\\"g)"),
              ElementsAre("a\"b", "c\\\\d", "e\\", "f\\\"g"));
  EXPECT_THAT(SplitCommandLine("\"unclosed quote"), ElementsAre("unclosed quote"));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(QVEProcessTest, PipesReachTheChildAndWaitReapsOnce) {
  QVEProcess process;
  process.Start("cat", "", true);
  // cat cannot end before its input is closed: a finite wait comes back without reaping.
  process.Wait(0);
  EXPECT_EQ(process.GetExitStatus(), -1);
  process.GetInputFile()->Write("ping\n", 5);
  process.GetInputFile()->Close();
  EXPECT_EQ(ReadAll(*process.GetOutputFile()), "ping\n");
  char byte;
  EXPECT_EQ(process.GetOutputFile()->Read(&byte, 1), 0u);  // the end stays
  process.Wait(60000);
  EXPECT_EQ(process.GetExitStatus(), 0);
  int status;
  EXPECT_EQ(waitpid(process.GetPid(), &status, WNOHANG), -1);  // reaped
  process.Wait(UINT32_MAX);                                    // a second wait is harmless
}

// "yes" ends by SIGPIPE when "head" is done; a child that inherited the ignored or blocked
// SIGPIPE would print an error into the pipe and spoil the count of each byte value.
TEST(QVEProcessTest, BothStreamsAreReadToTheEndWhateverTheLauncherDoesWithSigpipe) {
  const auto old_handler = signal(SIGPIPE, SIG_IGN);
  sigset_t pipe, old_mask;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &old_mask);
  const size_t bytes = 512 * 1024, quarter = bytes / 4;  // many times a pipe's buffer
  const std::string head = "head -c " + std::to_string(bytes);
  std::string out =
      RunAndRead("/bin/sh -c \"yes out | " + head + " & yes err | " + head + " >&2; wait\"");
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  signal(SIGPIPE, old_handler);
  std::sort(out.begin(), out.end());  // the streams interleave in no fixed order
  EXPECT_TRUE(out == std::string(2 * quarter, '\n') + std::string(quarter, 'e') +
                         std::string(quarter, 'o') + std::string(2 * quarter, 'r') +
                         std::string(quarter, 't') + std::string(quarter, 'u'));
}

// A child that something else reaped (SIGCHLD ignored, another waitpid) has ended, how unknown.
TEST(QVEProcessTest, AChildReapedElsewhereHasEndedWithoutAStatus) {
  QVEProcess process;
  process.Start("/bin/true", "", false);
  int status;
  ASSERT_EQ(waitpid(process.GetPid(), &status, 0), process.GetPid());
  process.Wait(60000);
  EXPECT_TRUE(process.HasEnded());
  EXPECT_FALSE(process.HasExited());
  EXPECT_EQ(process.GetExitCode(), -1);
}

TEST(QVEProcessTest, StartFailuresThrowAtOnceAndLeaveNoChild) {
  TempFolder folder;
  const std::string cases[][2] = {
      {"no-such-program-qve \"an argument\"", ""},
      {folder.File("missing.sh"), ""},
      {folder.File("."), ""},  // a folder is not a program
      {"", ""},
      {"/bin/true", folder.File("no-such-folder")},
      {folder.File("no such folder/run.sh") + " a", ""},
  };
  for (const auto& start : cases) {
    SCOPED_TRACE(start[0]);
    QVEProcess process;
    EXPECT_EQ(test::ErrorOf([&] { process.Start(start[0], start[1], true); }),
              "code -994, message resource unavailable: " + start[0]);
    EXPECT_EQ(process.GetPid(), 0);
    int status;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);  // no child of ours, running or ended
    EXPECT_EQ(errno, ECHILD);
  }
}

// Past the kernel's limit on arguments the message stays one short line that says why.
TEST(QVEProcessTest, AnArgumentListTooLongIsSaidInOneShortLine) {
  std::string command_line = "/bin/true";
  for (int i = 0; i < 400'000; ++i) command_line += " piece";
  QVEProcess process;
  EXPECT_EQ(test::ErrorOf([&] { process.Start(command_line, "", true); }),
            "code -994, message resource unavailable: the argument list is too long (400000 "
            "arguments, 2400009 bytes) to start /bin/true");
  EXPECT_EQ(process.GetPid(), 0);
}

TEST(QVEProcessTest, ProgramResolution) {
  TempFolder folder;
  std::filesystem::create_directories(folder.File("my dir/sub dir"));
  const std::string body = "echo \"[$1][$2]\"\n";
  // Scripts the kernel does not run (no execute permission, no "#!") go through the shell.
  const std::string plain = test::WriteText(folder.File("my dir/not executable.cmd"), body, 0644);
  const std::string bare = test::WriteText(folder.File("no-hash-bang.sh"), body, 0755);
  EXPECT_EQ(RunAndRead("\"" + plain + "\" \"two words\" x"), "[two words][x]\n");
  EXPECT_EQ(RunAndRead(bare + " \"\" y"), "[][y]\n");
  // Unquoted paths with blanks take the shortest name that exists.
  const std::string script =
      test::WriteText(folder.File("my dir/sub dir/run.sh"), "#!/bin/sh\n" + body, 0755);
  EXPECT_EQ(RunAndRead(script + " a \"b c\""), "[a][b c]\n");
  // A program's argv[0] is its whole path (dash -c shows it as $0).
  const std::string shell = folder.File("my dir/sub dir/a shell");
  std::filesystem::copy_file("/bin/dash", shell);
  EXPECT_EQ(RunAndRead(shell + " -c \"echo [$0]\""), "[" + shell + "]\n");
  test::WriteText(folder.File("my"), "#!/bin/sh\necho \"short [$1]\"\n", 0755);
  EXPECT_EQ(RunAndRead(folder.File("my") + " dir/x"), "short [dir/x]\n");
}

// How the child ended, and the line for a script that a signal ended: what dash itself prints
// for the same command in the same environment (core size limit included), captured live.
TEST(QVEProcessTest, EndStatusAndShellEndNoticeAreWhatDashSees) {
  // Two exits (the status negated), a signal shells report, one that dumps core, two unreported.
  for (int end : {0, -3, SIGTERM, SIGSEGV, SIGINT, SIGPIPE}) {
    const std::string command = end > 0 ? "kill -" + std::string(sigabbrev_np(end)) + " $$"
                                        : "exit " + std::to_string(-end);
    SCOPED_TRACE(command);
    TempFolder folder;  // any core file lands here
    QVEProcess process;
    process.Start("/bin/sh -c \"" + command + "\"", folder.File(""), true);
    EXPECT_FALSE(process.HasExited());  // not reaped yet
    EXPECT_EQ(process.GetEndSignal(), 0);
    EXPECT_EQ(process.GetShellEndNotice(), "");
    ReadAll(*process.GetOutputFile());
    process.Wait(UINT32_MAX);
    EXPECT_EQ(process.HasExited(), end <= 0);
    EXPECT_EQ(process.GetExitCode(), end <= 0 ? -end : -1);
    EXPECT_EQ(process.GetEndSignal(), std::max(end, 0));
    std::string printed = RunAndRead("dash -c \"sh -c '" + command + "'\"", folder.File(""));
    if (!printed.empty() && printed.back() == '\n') printed.pop_back();
    EXPECT_EQ(process.GetShellEndNotice(), printed);
  }
}

// Scripts the kernel refuses, with the cause their first line gives; other first lines and errors
// give none. causes.tsv: script, cause, error. ("#!/bin/sh" CR is the launcher tests'.)
TEST(QVEStartFailureTest, TheScriptsFirstLineNamesTheCause) {
  const std::map<std::string, int> errors = {{"ENOENT", ENOENT}, {"EACCES", EACCES}, {"EIO", EIO}};
  const std::string folder = "QVEnvironment/start-failure/";
  const auto rows = test::Split(test::ReadTestData(folder + "causes.tsv"));
  ASSERT_EQ(rows.size(), 6u);
  for (const std::string& row : rows) {
    const auto field = test::Split(row, '\t');
    SCOPED_TRACE(field.at(0));
    ASSERT_EQ(field.size(), 3u);
    test::ReadTestData(folder + field[0]);  // the script is there
    EXPECT_EQ(DescribeStartFailure(test::kTestData + folder + field[0], errors.at(field[2])),
              field[1]);
  }
  // A FIFO (never opened: it would wait for a writer), a device or a missing file: nothing, at
  // once.
  test::TempFolder temp;
  const std::string fifo = temp.File("fifo.sh");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0700), 0);
  EXPECT_EQ(DescribeStartFailure(fifo, EACCES), "");
  EXPECT_EQ(DescribeStartFailure("/dev/zero", EACCES), "");
  EXPECT_EQ(DescribeStartFailure(temp.File("absent.sh"), ENOENT), "");
}

// In a child process, since the handlers and the remembered stop hold for the whole process.
TEST(StopSignalsTest, TheFirstStopIsPassedOnToTheGroupTheSecondEndsTheProgram) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As from a terminal: a background job starts with SIGINT ignored, and that is kept.
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
