// One child process with standard input, output and error redirected to pipes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "QVEFile.h"
#include "QVEOptions.h"
#include "QVEString.h"

namespace Qve {

// Splits a command line into words the Windows way: blanks (space, tab) separate words outside
// double quotes; quotes group and are removed ("" gives an empty word); 2n backslashes before a
// quote give n backslashes, 2n+1 give n and a literal quote; other backslashes are literal.
std::vector<QVEstring> SplitCommandLine(const QVEstring& command_line);

// The interpreter that runs a script the system cannot run as a program.
inline constexpr const char* kQVShellProgram = "/bin/sh";

// A program as the launcher runs it.
struct QVResolvedProgram {
  // Absolute path; empty when a bare name is found nowhere.
  QVEstring path;
  // A regular file without execute permission: run as "/bin/sh <path> <arguments>". A file the
  // kernel refuses as a program (ENOEXEC, a script without "#!") also goes to /bin/sh, which
  // only the start itself can tell.
  bool through_shell = false;
};

// Resolves one program word the platform's way: a word with "/" is a path relative to the
// current folder; a bare name is taken from the current folder first, then along PATH, where an
// executable file wins over an earlier non-executable one.
QVResolvedProgram ResolveProgram(const QVEstring& word);

// The id of this process (getpid), as the wizard's progress events carry it.
uint32_t GetCurrentProcessId();

// The system's description of signal `signal` ("Terminated", "Killed"), in English.
QVEstring DescribeSignal(int signal);

// The child's standard output and standard error share one pipe, so both arrive interleaved as
// written. Used by one thread; Start is called once per object. The caller must keep reading
// the output file while the child runs: a full pipe blocks the child.
class QVEProcess : public QVOption {
 public:
  QVEProcess();
  ~QVEProcess() override;
  QVEProcess(const QVEProcess&) = delete;
  QVEProcess& operator=(const QVEProcess&) = delete;

  // Splits `command_line` into words (blanks separate, double quotes group and are removed),
  // resolves the program with ResolveProgram and starts it in `working_folder` (empty: the
  // current one). When the first word names no existing file, the first two, three, ... words
  // joined by single blanks are tried in turn and the first that does is the program (a path
  // with blanks written without quotes); the words after it are its arguments. A file that is
  // not executable, or that the kernel refuses as a program, runs through /bin/sh.
  // Without pipes the child inherits fd 0, 1 and 2. The child leads a new session and process
  // group, without a controlling terminal. Any failure to start is known here and
  // throws QVException* -994 "resource unavailable: <command line>"; nothing is left running.
  // A command line past the system's limit (E2BIG) is not repeated: the message says "the
  // argument list is too long (N arguments, M bytes) to start PROGRAM" instead.
  void Start(const QVEstring& command_line, const QVEstring& working_folder, bool with_pipes);

  // Writes to the child's standard input ("cmd input write").
  std::shared_ptr<QVFile> GetInputFile() const { return input_file_; }
  // Reads the child's standard output and error ("cmd ouput read"); 0 at the end.
  std::shared_ptr<QVFile> GetOutputFile() const { return output_file_; }

  // Waits up to `timeout_ms` milliseconds (UINT32_MAX: no limit) for the child to end and reaps
  // it once.
  void Wait(uint32_t timeout_ms);

  // The child leads a process group (and session) of its own, whose id is its pid.
  pid_t GetPid() const { return pid_; }
  // Whether the child has ended and was reaped (by Wait).
  bool HasEnded() const { return reaped_; }
  // Exit status as waitpid reported it, once reaped; -1 before.
  int GetExitStatus() const { return exit_status_; }
  // Once reaped: true when the child ended by exiting, with GetExitCode its status (0-255).
  // False before, and when its status could not be read.
  bool HasExited() const;
  // The status the child exited with; -1 unless HasExited.
  int GetExitCode() const;
  // The number of the signal that ended the child; 0 when none did or before it was reaped.
  int GetEndSignal() const;
  // Once reaped, the line a POSIX shell prints for a command that a signal ended: the signal's
  // description ("Killed", "Terminated", "Segmentation fault"), with " (core dumped)" when it
  // dumped core. Empty otherwise, and for SIGINT and SIGPIPE, which shells leave unreported.
  QVEstring GetShellEndNotice() const;

 private:
  // waitpid with `options`; true once the child is reaped (or is no longer ours to reap).
  bool Reap(int options);
  void CloseChildEnds();

  // The child's ends of the pipes, open only while Start runs.
  int child_input_ = -1;
  int child_output_ = -1;
  pid_t pid_ = 0;
  bool reaped_ = false;
  int exit_status_ = -1;
  std::shared_ptr<QVFile> input_file_;
  std::shared_ptr<QVFile> output_file_;
};

}  // namespace Qve
