// The analyzed run on a terminal: the program runs under a pseudo-terminal, and what it writes
// is replayed on a small screen model.
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScenarioRun.h"

namespace Qva::test {
namespace {

// What a terminal shows after `bytes`: the lines that scrolled by, and the cursor's line. It
// knows the carriage return, the line feed, erase to the end of the line, and colours (which
// show as nothing here).
struct Screen {
  std::vector<std::string> lines;
  std::string current;
};

Screen Replay(std::string_view bytes) {
  Screen screen;
  size_t column = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      screen.lines.push_back(screen.current);
      screen.current.clear();
      column = 0;
    } else if (bytes.substr(i, 2) == "\x1b[" && i + 2 < bytes.size()) {
      i = std::min(bytes.find_first_not_of("0123456789;", i + 2), bytes.size() - 1);
      if (bytes[i] == 'K') screen.current.resize(column);  // else a colour, not shown
    } else {
      if (column < screen.current.size()) {
        screen.current[column] = c;
      } else {
        screen.current.push_back(c);
      }
      ++column;
    }
  }
  return screen;
}

// Runs the program in `folder` with `arguments` under a pseudo-terminal of 120 columns, with
// TERM=`term` and NO_COLOR set to `no_color` (unset when null); returns everything it wrote.
std::string RunOnTerminal(const fs::path& folder, const std::vector<std::string>& arguments,
                          const char* term, const char* no_color = nullptr) {
  winsize size{};
  size.ws_row = 30;
  size.ws_col = 120;
  int master = -1;
  const pid_t child = ::forkpty(&master, nullptr, nullptr, &size);
  if (child == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::setenv("TERM", term, 1);
    if (no_color == nullptr ? ::unsetenv("NO_COLOR") : ::setenv("NO_COLOR", no_color, 1))
      ::_exit(126);
    std::vector<char*> argv = {const_cast<char*>(kBinary)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(kBinary, argv.data());
    ::_exit(127);
  }
  std::string out;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(master, buffer, sizeof(buffer));
    if (got > 0) {
      out.append(buffer, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO: the program and all that held the terminal have ended
    }
  }
  ::close(master);
  int status = 0;
  ::waitpid(child, &status, 0);
  return out;
}

std::string RunToFile(const fs::path& folder, const std::vector<std::string>& arguments) {
  std::string command = "cd '" + folder.string() + "' && '" + kBinary + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " > console.txt 2>&1";
  EXPECT_NE(std::system(command.c_str()), -1);
  return Qve::test::ReadFile(folder / "console.txt");
}

// Lines as a person reads them: split at line feeds, carriage returns dropped, and the
// time stamps and seconds an action took (which differ from run to run) left out.
std::vector<std::string> ShownLines(std::vector<std::string> lines) {
  std::vector<std::string> shown;
  for (std::string& line : lines) {
    std::erase(line, '\r');
    for (const char* varying : {"Action time> ", "Timestamp: "}) {
      if (line.starts_with(varying)) line = varying;
    }
    shown.push_back(line);
  }
  return shown;
}

// The import (tests/data/launcher/terminal_import) prints fast: a burst of thousands of lines
// between the announcements, an error and a warning; twelve objects, counted before the run in the
// script and the one it calls. Every line the program writes appears whole, exactly as it does when
// the output is a file; the status line counted the twelve objects beforehand, error lines are red
// and warning lines yellow, and the screen ends with the summary and no status line. (How far the
// counts had got at each redraw depends on timing and is not asserted.) NO_COLOR (any value, the
// empty one too) and TERM=dumb turn the colours off; the status line stays.
TEST(TerminalStatusTest, StatusLineNeverMixesIntoOutputAndColoursCanBeOff) {
  Qve::test::TempFolder temp;
  const fs::path folder = temp.File("");
  CopyInputs(ML_SOURCE_DIR "/tests/data/launcher/terminal_import", folder);
  ASSERT_NE(Qve::test::ReadFile(folder / "tables.sh"), "");
  const std::vector<std::string> arguments = {"-D=PostgreSQL", "-BAT=movarin_all.sh"};
  const std::string to_file = RunToFile(folder, arguments);
  const Screen piped = Replay(to_file);
  const std::string raw = RunOnTerminal(folder, arguments, "xterm");
  const Screen screen = Replay(raw);

  EXPECT_EQ(ShownLines(screen.lines), ShownLines(piped.lines));
  EXPECT_EQ(screen.current, "");
  // Taken away before the summary, not only at the end.
  ASSERT_NE(raw.find("Import finished:"), std::string::npos);
  EXPECT_EQ(raw.find(" objects | ", raw.find("Import finished:")), std::string::npos);
  EXPECT_NE(raw.find("/12 objects | "), std::string::npos);
  EXPECT_NE(raw.find("\x1b[31mError(id="), std::string::npos);
  EXPECT_NE(raw.find("\x1b[33mWarning: "), std::string::npos);
  EXPECT_NE(std::find(piped.lines.begin(), piped.lines.end(),
                      "Total imported objects: 12, 11 succeeded, 1 failed."),
            piped.lines.end());
  EXPECT_EQ(to_file.find('\x1b'), std::string::npos);
  // The trace file of the terminal run (the last one) has neither colours nor the status.
  const std::string trace = Qve::test::ReadFile(folder / "movarin_imp.log");
  EXPECT_NE(trace.find("Total imported objects: 12"), std::string::npos);
  EXPECT_EQ(trace.find('\x1b'), std::string::npos);
  EXPECT_EQ(trace.find(" objects | "), std::string::npos);

  for (const std::string& plain :
       {RunOnTerminal(folder, arguments, "dumb"), RunOnTerminal(folder, arguments, "xterm", "")}) {
    EXPECT_EQ(plain.find("\x1b[3"), std::string::npos);
    EXPECT_NE(plain.find("/12 objects | "), std::string::npos);
  }
}

}  // namespace
}  // namespace Qva::test
