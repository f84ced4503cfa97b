// Child process on POSIX: pipe2 pipes, posix_spawn, waitpid.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "QVEException.h"
#include "QVEProcess.h"
#include "QVEStartFailure.h"
#include "QVETrace.h"

namespace Qve {

namespace {

constexpr const char* kSourceFile = "Sources/Libraries/Static/QVEnvironment/src/QVEProcess";

// "the argument list is too long (N arguments, M bytes) to start PROGRAM".
QVEstring TooLongText(const QVEstring& program, const std::vector<QVEstring>& words, size_t bytes) {
  return FormatText("the argument list is too long (%zu arguments, %zu bytes) to start %s",
                    words.empty() ? 0 : words.size() - 1, bytes, program.c_str());
}
constexpr const char* kTraceSource = "QVEProcess";
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

bool IsRegularFile(const QVEstring& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutable(const QVEstring& path) { return access(path.c_str(), X_OK) == 0; }

// The child changes into the working folder before it executes the program, so a relative
// program path must be fixed against the launcher's folder first.
QVEstring MakeAbsolute(const QVEstring& path) {
  if (!path.empty() && path[0] == '/') return path;
  char buffer[4096];
  if (getcwd(buffer, sizeof(buffer)) == nullptr) return path;
  QVEstring absolute = buffer;
  if (absolute.back() != '/') absolute += '/';
  return absolute + path;
}

// Stops the search for a program name with blanks: no longer name can be a path.
constexpr size_t kMaxPathLength = 4096;

// An absolute path, or an empty text when a bare name is found nowhere. An executable file along
// PATH wins over an earlier non-executable one (as with execvp).
QVEstring FindProgram(const QVEstring& word) {
  if (word.empty()) return QVEstring();
  if (word.find('/') != QVEstring::npos) return MakeAbsolute(word);
  if (IsRegularFile(word)) return MakeAbsolute(word);

  const char* env = std::getenv("PATH");
  const QVEstring search = env != nullptr ? env : kDefaultPath;
  QVEstring fallback;
  size_t begin = 0;
  for (;;) {
    const size_t end = std::min(search.find(':', begin), search.size());
    QVEstring candidate = search.substr(begin, end - begin);
    if (candidate.empty()) candidate += '.';  // an empty PATH entry is the current folder
    candidate += '/';
    candidate += word;
    if (IsRegularFile(candidate)) {
      if (IsExecutable(candidate)) return MakeAbsolute(candidate);
      if (fallback.empty()) fallback = MakeAbsolute(candidate);
    }
    if (end == search.size()) break;
    begin = end + 1;
  }
  return fallback;
}

// The program named by the leading words and how many words it took (see QVEProcess::Start).
QVResolvedProgram ResolveLeadingWords(const std::vector<QVEstring>& words, size_t& used) {
  used = words.empty() ? 0 : 1;
  if (words.empty()) return QVResolvedProgram();
  QVResolvedProgram first = ResolveProgram(words[0]);
  if (IsRegularFile(first.path)) return first;
  QVEstring joined = words[0];
  for (size_t n = 1; n < words.size() && joined.size() <= kMaxPathLength; ++n) {
    joined += ' ';
    joined += words[n];
    QVResolvedProgram candidate = ResolveProgram(joined);
    if (IsRegularFile(candidate.path)) {
      used = n + 1;
      return candidate;
    }
  }
  return first;
}

// Moves a descriptor above 2, so that placing the child's 0, 1 and 2 cannot overwrite it
// (possible when the launcher runs with a standard descriptor closed).
bool LiftAboveStandard(int& fd) {
  if (fd > 2) return true;
  const int lifted = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (lifted < 0) return false;
  close(fd);
  fd = lifted;
  return true;
}

// Creates a close-on-exec pipe whose child end sits above the standard descriptors. Throws -999
// with `name` and `line` on failure, leaving nothing open.
void CreatePipe(int fds[2], int child_end, const char* name, uint32_t line) {
  if (pipe2(fds, O_CLOEXEC) != 0) {
    ThrowQVException(kQVErrFileOpen, kSourceFile, line, "cannot open file: %s", name);
  }
  if (!LiftAboveStandard(fds[child_end])) {
    close(fds[0]);
    close(fds[1]);
    ThrowQVException(kQVErrFileOpen, kSourceFile, 131, "cannot open file: %s",
                     "Child process duplicate pipe");
  }
}

// The attributes and file actions of one spawn, released on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_init(&actions_);
    // Whatever the launcher ignores or blocks for itself, the child starts clean.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr_, &all);
    posix_spawnattr_setsigmask(&attr_, &none);
    // A session and process group of its own: a stop reaches all the child starts, and no tool
    // of the import can wait for the terminal (it has none).
    posix_spawnattr_setflags(&attr_,
                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // Returns 0 or an errno value.
  int RedirectStandard(int input, int output) {
    int err = posix_spawn_file_actions_adddup2(&actions_, input, STDIN_FILENO);
    if (err == 0) err = posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO);
    if (err == 0) err = posix_spawn_file_actions_adddup2(&actions_, output, STDERR_FILENO);
    return err;
  }
  int ChangeFolder(const QVEstring& folder) {
    return posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str());
  }
  // Returns 0 or an errno value; on failure no child is left.
  int Spawn(pid_t* pid, const QVEstring& program, const std::vector<QVEstring>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const QVEstring& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return posix_spawn(pid, program.c_str(), &actions_, &attr_, argv.data(), environ);
  }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

// Runs the program itself, or through /bin/sh when it is a regular file without execute
// permission or the kernel does not take it as a program (a script without "#!"). `argv` starts
// with the program as written.
int SpawnProgram(SpawnSetup& setup, pid_t* pid, const QVResolvedProgram& program,
                 const std::vector<QVEstring>& argv) {
  int err = ENOEXEC;
  if (!program.through_shell) err = setup.Spawn(pid, program.path, argv);
  if (err != ENOEXEC || !IsRegularFile(program.path)) return err;
  std::vector<QVEstring> shell_words;
  shell_words.reserve(argv.size() + 1);
  shell_words.push_back(kQVShellProgram);
  shell_words.push_back(program.path);
  shell_words.insert(shell_words.end(), argv.begin() + 1, argv.end());
  return setup.Spawn(pid, kQVShellProgram, shell_words);
}

}  // namespace

QVResolvedProgram ResolveProgram(const QVEstring& word) {
  QVResolvedProgram program;
  program.path = FindProgram(word);
  program.through_shell = IsRegularFile(program.path) && !IsExecutable(program.path);
  return program;
}

uint32_t GetCurrentProcessId() { return static_cast<uint32_t>(getpid()); }

QVEProcess::~QVEProcess() {
  CloseChildEnds();
  // A child still running is left to run, as closing its handles would on Windows; one that
  // has ended is not left behind as a zombie.
  if (pid_ > 0 && !reaped_) Reap(WNOHANG);
}

void QVEProcess::CloseChildEnds() {
  if (child_input_ >= 0) close(child_input_);
  if (child_output_ >= 0) close(child_output_);
  child_input_ = -1;
  child_output_ = -1;
}

void QVEProcess::Start(const QVEstring& command_line, const QVEstring& working_folder,
                       bool with_pipes) {
  SpawnSetup setup;
  int err = 0;
  if (with_pipes) {
    int output_pipe[2];
    CreatePipe(output_pipe, 1, "Child process input pipe", 122);
    output_file_->Attach(output_pipe[0], "cmd ouput read");
    child_output_ = output_pipe[1];

    int input_pipe[2];
    CreatePipe(input_pipe, 0, "Child process input pipe", 138);
    input_file_->Attach(input_pipe[1], "cmd input write");
    child_input_ = input_pipe[0];

    err = setup.RedirectStandard(child_input_, child_output_);
  }
  if (err == 0 && !working_folder.empty()) err = setup.ChangeFolder(working_folder);

  std::vector<QVEstring> words = SplitCommandLine(command_line);
  size_t used = 0;
  const QVResolvedProgram program = ResolveLeadingWords(words, used);
  if (used > 1) {
    for (size_t i = 1; i < used; ++i) words[0] += ' ' + words[i];
    words.erase(words.begin() + 1, words.begin() + static_cast<std::ptrdiff_t>(used));
  }
  if (err == 0) {
    err = program.path.empty() ? ENOENT : SpawnProgram(setup, &pid_, program, words);
  }

  // The parent keeps only its own ends, so the reader sees the end once the child is gone.
  CloseChildEnds();
  if (err != 0) {
    pid_ = 0;
    QVTracer::Instance().Debug(kTraceSource, "cannot start \"%s\" in \"%s\": %s",
                               program.path.c_str(), working_folder.c_str(),
                               std::generic_category().message(err).c_str());
    // The exception names only the command line: say why, when the script itself tells.
    const QVEstring cause = DescribeStartFailure(program.path, err);
    if (!cause.empty()) {
      QVTracer::Instance().Trace(kQVTraceError, kTraceSource, "cannot start %s: %s",
                                 program.path.c_str(), cause.c_str());
    }
    // The kernel refuses a command line past its limit; naming the whole of it would repeat
    // megabytes without saying why.
    if (err == E2BIG) {
      ThrowQVException(kQVErrResource, kSourceFile, 67, "resource unavailable: %s",
                       TooLongText(program.path, words, command_line.size()).c_str());
    }
    ThrowQVException(kQVErrResource, kSourceFile, 67, "resource unavailable: %s",
                     command_line.c_str());
  }
  reaped_ = false;
  exit_status_ = -1;
}

bool QVEProcess::Reap(int options) {
  for (;;) {
    int status = 0;
    const pid_t result = waitpid(pid_, &status, options);
    if (result == pid_) {
      reaped_ = true;
      exit_status_ = status;
      return true;
    }
    if (result == 0) return false;
    if (errno == EINTR) continue;
    // ECHILD: not ours to wait for any more (SIGCHLD ignored, or reaped elsewhere).
    reaped_ = true;
    return true;
  }
}

void QVEProcess::Wait(uint32_t timeout_ms) {
  if (pid_ <= 0 || reaped_) return;
  if (timeout_ms == UINT32_MAX) {
    Reap(0);
    return;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::chrono::milliseconds pause(1);
  while (!Reap(WNOHANG)) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

}  // namespace Qve

namespace Qve {

QVEstring DescribeSignal(int signal) {
  // The program never sets a locale, so the description is the C locale's English one.
  const char* text = strsignal(signal);
  return text != nullptr ? QVEstring(text) : QVEstring("Signal ") + std::to_string(signal);
}

bool QVEProcess::HasExited() const {
  return reaped_ && exit_status_ >= 0 && WIFEXITED(exit_status_);
}

int QVEProcess::GetExitCode() const { return HasExited() ? WEXITSTATUS(exit_status_) : -1; }

int QVEProcess::GetEndSignal() const {
  return reaped_ && exit_status_ >= 0 && WIFSIGNALED(exit_status_) ? WTERMSIG(exit_status_) : 0;
}

QVEstring QVEProcess::GetShellEndNotice() const {
  const int signal = GetEndSignal();
  // Shells leave these two unreported: an interrupt was seen at the terminal, and a broken pipe
  // is the ordinary end of a reader that stopped early.
  if (signal == 0 || signal == SIGINT || signal == SIGPIPE) return QVEstring();
  QVEstring notice = DescribeSignal(signal);
  if (WCOREDUMP(exit_status_)) notice += " (core dumped)";
  return notice;
}

}  // namespace Qve
