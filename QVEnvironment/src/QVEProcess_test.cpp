#include "QVEProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "QVEException.h"
#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace Qve {
namespace {

using ::testing::ElementsAre;

using test::TempFolder;

std::string WriteFile(const TempFolder& folder, const std::string& name, const std::string& text,
                      mode_t mode) {
  const std::string file = folder.File(name);
  std::ofstream(file) << text;
  chmod(file.c_str(), mode);
  return file;
}

std::string ReadAll(QVFile& file) {
  std::string text;
  char block[16383];
  while (uint64_t got = file.Read(block, sizeof(block))) text.append(block, got);
  return text;
}

// Runs a command with pipes, reads everything it prints and waits for it.
std::string RunAndRead(const std::string& command_line, const std::string& folder = "") {
  QVEProcess process;
  process.Start(command_line, folder, true);
  std::string text = ReadAll(*process.GetOutputFile());
  process.Wait(UINT32_MAX);
  return text;
}

bool IsReaped(pid_t pid) {
  int status;
  return waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD;
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

TEST(QVEProcessTest, StandardErrorArrivesThroughTheOutputFileAndTheEndStays) {
  QVEProcess process;
  process.Start("/bin/sh -c \"echo only-error >&2\"", "", true);
  std::shared_ptr<QVFile> output = process.GetOutputFile();
  EXPECT_EQ(output->GetFileName(), "cmd ouput read");
  EXPECT_EQ(process.GetInputFile()->GetFileName(), "cmd input write");
  EXPECT_EQ(ReadAll(*output), "only-error\n");
  char byte;
  EXPECT_EQ(output->Read(&byte, 1), 0u);
  EXPECT_EQ(output->Read(&byte, 1), 0u);
  process.Wait(UINT32_MAX);
}

TEST(QVEProcessTest, WaitReapsOnceAndTheInputPipeReachesTheChild) {
  QVEProcess process;
  process.Start("cat", "", true);
  // cat cannot end before its input is closed: a finite wait comes back without reaping.
  process.Wait(0);
  EXPECT_EQ(process.GetExitStatus(), -1);
  process.GetInputFile()->Write("ping\n", 5);
  process.GetInputFile()->Close();
  EXPECT_EQ(ReadAll(*process.GetOutputFile()), "ping\n");
  process.Wait(60000);
  ASSERT_TRUE(WIFEXITED(process.GetExitStatus()));
  EXPECT_EQ(WEXITSTATUS(process.GetExitStatus()), 0);
  EXPECT_TRUE(IsReaped(process.GetPid()));
  process.Wait(UINT32_MAX);  // a second wait is harmless
}

// Ignores and blocks SIGPIPE in the launcher for one scope, as a launcher might.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old_action_);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, &old_mask_);
  }
  ~SigpipeBlocked() {
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
    sigaction(SIGPIPE, &old_action_, nullptr);
  }

 private:
  struct sigaction old_action_;
  sigset_t old_mask_;
};

TEST(QVEProcessTest, FiftyMegabytesOnBothStreamsAreReadToTheEnd) {
  // "yes" ends by SIGPIPE when "head" is done; if the child inherited the launcher's ignored or
  // blocked SIGPIPE it would print an error into the pipe and spoil the count.
  SigpipeBlocked sigpipe;
  constexpr uint64_t kHalf = 25 * 1024 * 1024;
  QVEProcess process;
  process.Start("/bin/sh -c \"yes out | head -c 26214400 & yes err | head -c 26214400 >&2; wait\"",
                "", true);
  // The two streams interleave in no fixed order, so compare the count of every byte value.
  std::array<uint64_t, 256> counts{};
  uint64_t total = 0;
  std::vector<unsigned char> block(16383);
  while (uint64_t got = process.GetOutputFile()->Read(block.data(), block.size())) {
    for (uint64_t i = 0; i < got; ++i) ++counts[block[i]];
    total += got;
  }
  process.Wait(UINT32_MAX);
  EXPECT_EQ(total, 2 * kHalf);
  EXPECT_EQ(counts['o'], kHalf / 4);
  EXPECT_EQ(counts['u'], kHalf / 4);
  EXPECT_EQ(counts['t'], kHalf / 4);
  EXPECT_EQ(counts['e'], kHalf / 4);
  EXPECT_EQ(counts['r'], kHalf / 2);
  EXPECT_EQ(counts['\n'], kHalf / 2);
  EXPECT_EQ(process.GetExitStatus(), 0);
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
  for (const auto& [command_line, working_folder] : cases) {
    SCOPED_TRACE(command_line);
    QVEProcess process;
    std::unique_ptr<QVException> e =
        test::CatchQV([&] { process.Start(command_line, working_folder, true); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetCode(), -994);
    EXPECT_EQ(e->GetMessage(), "resource unavailable: " + command_line);
    EXPECT_EQ(e->GetLine(), 67u);
    EXPECT_EQ(process.GetPid(), 0);
    int status;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);  // no child of ours, running or ended
    EXPECT_EQ(errno, ECHILD);
  }
}

TEST(QVEProcessTest, ScriptsTheKernelDoesNotRunGoThroughTheShell) {
  TempFolder folder;
  const std::string body = "echo \"[$1][$2]\"\n";
  const std::string plain = WriteFile(folder, "not executable.cmd", body, 0644);
  const std::string bare = WriteFile(folder, "no-hash-bang.sh", body, 0755);
  EXPECT_EQ(RunAndRead("\"" + plain + "\" \"two words\" x"), "[two words][x]\n");
  EXPECT_EQ(RunAndRead(bare + " \"\" y"), "[][y]\n");
}

TEST(QVEProcessTest, UnquotedProgramPathsWithBlanksTakeTheShortestNameThatExists) {
  TempFolder folder;
  std::filesystem::create_directories(folder.File("my dir/sub dir"));
  const std::string body = "#!/bin/sh\necho \"[$0][$1][$2]\"\n";
  const std::string script = WriteFile(folder, "my dir/sub dir/run.sh", body, 0755);
  EXPECT_EQ(RunAndRead(script + " a \"b c\""), "[" + script + "][a][b c]\n");
  // Without execute permission it goes through the shell, with the same arguments.
  const std::string plain = WriteFile(folder, "my dir/plain.sh", body, 0644);
  EXPECT_EQ(RunAndRead(plain + " x"), "[" + plain + "][x][]\n");
  // A file named by the first word wins over the longer name.
  const std::string my = WriteFile(folder, "my", "#!/bin/sh\necho \"short [$1]\"\n", 0755);
  EXPECT_EQ(RunAndRead(my + " dir/plain.sh x"), "short [dir/plain.sh]\n");
}

TEST(QVEProcessTest, ResolveProgramTellsWhatRunsThroughTheShell) {
  TempFolder folder;
  const std::string plain = WriteFile(folder, "plain.sh", "echo\n", 0644);
  const std::string program = WriteFile(folder, "program.sh", "echo\n", 0755);
  EXPECT_TRUE(ResolveProgram(plain).through_shell);
  EXPECT_FALSE(ResolveProgram(program).through_shell);
  EXPECT_EQ(ResolveProgram(program).path, program);
  EXPECT_EQ(ResolveProgram("sh").path.front(), '/');  // along PATH
  const QVResolvedProgram missing = ResolveProgram("no-such-program-qve");
  EXPECT_EQ(missing.path, "");
  EXPECT_FALSE(missing.through_shell);
}

// Changes the launcher's current folder for one scope.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(QVEProcessTest, ProgramsResolveFromTheLauncherFolderAndRunInTheWorkingFolder) {
  TempFolder launcher;
  TempFolder work;
  WriteFile(launcher, "where.sh", "pwd -P\n", 0644);
  const std::string work_path = work.File("");
  const std::string expected = std::filesystem::canonical(work_path).string() + "\n";
  CurrentFolder in_launcher(launcher.File(""));
  EXPECT_EQ(RunAndRead("where.sh", work_path), expected);
  EXPECT_EQ(RunAndRead("./where.sh", work_path), expected);
  EXPECT_EQ(RunAndRead("pwd -P", work_path), expected);  // found along PATH
}

TEST(QVEProcessTest, WithoutPipesTheChildInheritsTheStandardDescriptors) {
  TempFolder folder;
  const std::string capture = folder.File("stdout.txt");
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int file = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(file, 0);
  dup2(file, STDOUT_FILENO);
  close(file);
  QVEProcess process;
  process.Start("/bin/echo inherited", "", false);
  process.Wait(UINT32_MAX);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  EXPECT_FALSE(process.GetOutputFile()->IsOpen());
  EXPECT_FALSE(process.GetInputFile()->IsOpen());
  std::ifstream in(capture);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "inherited");
}

// The line for a script that a signal ended is what dash itself prints for the same command in
// the same environment (core size limit included), captured live.
TEST(QVEProcessTest, ShellEndNoticeIsWhatDashPrints) {
  for (const char* signal : {"KILL", "TERM", "SEGV", "ABRT", "HUP", "USR1", "INT", "PIPE"}) {
    TempFolder folder;  // any core file lands here
    const std::string command = std::string("kill -") + signal + " $$";
    QVEProcess process;
    process.Start("/bin/sh -c \"" + command + "\"", folder.File(""), true);
    EXPECT_EQ(process.GetShellEndNotice(), "");  // not reaped yet
    ReadAll(*process.GetOutputFile());
    process.Wait(UINT32_MAX);
    std::string printed = RunAndRead("dash -c \"sh -c '" + command + "'\"", folder.File(""));
    if (!printed.empty() && printed.back() == '\n') printed.pop_back();
    EXPECT_EQ(process.GetShellEndNotice(), printed) << signal;
  }
  QVEProcess exited;
  exited.Start("/bin/sh -c \"exit 3\"", "", true);
  exited.Wait(UINT32_MAX);
  EXPECT_EQ(exited.GetShellEndNotice(), "");
}

}  // namespace
}  // namespace Qve
