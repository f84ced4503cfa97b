#include "launcher/AnnouncedObjects.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

#include "records/ImportRecords.h"

namespace Qva {

namespace fs = std::filesystem;

namespace {

// A script larger than this is not read to be counted.
constexpr uintmax_t kMaxScriptBytes = 16u << 20;
// Scripts calling scripts deeper than this are taken for a loop.
constexpr int kMaxCallDepth = 16;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}

bool IsMade(std::string_view word) { return word.find_first_of("$`%") != std::string_view::npos; }

enum class Announcement { kNone, kOne, kMade };

// Whether `line` prints an announcement the rules take: "Importing <type> <name> to ...", at
// the start of the printed text (after an echo, a quote or nothing).
Announcement FindAnnouncement(std::string_view line) {
  constexpr std::string_view kWord = "Importing ";
  for (size_t at = line.find(kWord); at != std::string_view::npos; at = line.find(kWord, at + 1)) {
    if (at > 0 && std::string_view(" \t\"'").find(line[at - 1]) == std::string_view::npos) {
      continue;
    }
    std::string_view rest = line.substr(at + kWord.size());
    const std::string_view type = rest.substr(0, rest.find_first_of(" \t\"'"));
    if (IsMade(type)) return Announcement::kMade;
    if (ImportObjectTypeFromWord(std::string(type)) == kObjectUnknown) continue;
    rest.remove_prefix(type.size());
    // A name of at least one character, then " to ".
    if (rest.size() > 1 && rest[0] == ' ' && rest.find(" to ", 2) != std::string_view::npos) {
      return Announcement::kOne;
    }
  }
  return Announcement::kNone;
}

// Words of a shell line, quotes removed, split into commands at ; & | ( );
// a "#" that begins a word ends the line.
std::vector<std::vector<std::string>> SplitCommands(std::string_view line) {
  std::vector<std::vector<std::string>> commands(1);
  std::string word;
  bool in_word = false;
  char quote = 0;
  auto end_word = [&] {
    if (in_word) commands.back().push_back(word);
    word.clear();
    in_word = false;
  };
  for (char c : line) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      in_word = true;
    } else if (c == '#' && !in_word) {
      break;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      end_word();
    } else if (std::string_view(";&|()").find(c) != std::string_view::npos) {
      end_word();
      if (!commands.back().empty()) commands.emplace_back();
    } else {
      word += c;
      in_word = true;
    }
  }
  end_word();
  return commands;
}

bool IsAssignment(const std::string& word) {
  const size_t equals = word.find('=');
  return equals != std::string::npos && equals > 0 &&
         (std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_') &&
         word.find('/') > equals;
}

bool IsInterpreter(const std::string& word) {
  static const std::set<std::string> kShells = {
      "sh", "bash", "dash", "ksh", "zsh", "/bin/sh", "/bin/bash", "/bin/dash", ".", "source"};
  return kShells.count(word) != 0;
}

// The script a shell command runs, or empty: "sh ./x.sh", ". x.sh", "./x.sh", "x/y.sh".
std::string CalledScript(const std::vector<std::string>& words, size_t first) {
  if (first >= words.size()) return {};
  const std::string& command = words[first];
  if (IsInterpreter(command)) {
    for (size_t i = first + 1; i < words.size(); ++i) {
      if (words[i] == "-c") return {};
      if (words[i].empty() || words[i][0] != '-') return words[i];
    }
    return {};
  }
  if (command.starts_with("./") || command.ends_with(".sh")) return command;
  return {};
}

// Loops and functions a shell script is inside of, line by line.
struct ShellState {
  int loops = 0;
  int functions = 0;
  std::string heredoc_end;  // the closing word while inside a here-document
  bool heredoc_tabs = false;
  bool Repeats() const { return loops > 0 || functions > 0; }
};

// Opens a here-document when the line has "<<WORD" (not "<<<").
void OpenHeredoc(std::string_view line, ShellState& state) {
  const size_t at = line.find("<<");
  if (at == std::string_view::npos || line.substr(at, 3) == "<<<") return;
  std::string_view rest = line.substr(at + 2);
  state.heredoc_tabs = rest.starts_with("-");
  if (state.heredoc_tabs) rest.remove_prefix(1);
  rest = Trim(rest);
  std::string word;
  for (char c : rest) {
    if (c == '\'' || c == '"' || c == '\\') continue;
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) break;
    word += c;
  }
  state.heredoc_end = word;
}

bool IsFunctionStart(std::string_view line) {
  const std::vector<std::vector<std::string>> commands = SplitCommands(line);
  if (commands[0].empty()) return false;
  if (commands[0][0] == "function") return true;
  const size_t name_end = line.find_first_of(" \t(");
  return name_end != std::string_view::npos && Trim(line.substr(name_end)).starts_with("()");
}

void ScanShellCommand(const std::vector<std::string>& words, ShellState& state, ScriptScan& scan) {
  size_t first = 0;
  while (first < words.size()) {
    const std::string& word = words[first];
    if (word == "do") {
      ++state.loops;
    } else if (word == "done") {
      if (state.loops > 0) --state.loops;
    } else if (!(IsAssignment(word) || word == "then" || word == "else" || word == "{" ||
                 word == "exec" || word == "time")) {
      break;
    }
    ++first;
  }
  const std::string called = CalledScript(words, first);
  if (called.empty()) return;
  if (IsMade(called)) scan.countable = false;
  scan.calls.push_back({called, state.Repeats()});
}

// Counts an announcement of `line`; one that may be printed more than once leaves the count
// open.
void CountAnnouncement(std::string_view line, bool repeats, ScriptScan& scan) {
  switch (FindAnnouncement(line)) {
    case Announcement::kNone:
      break;
    case Announcement::kOne:
      if (repeats) scan.countable = false;
      ++scan.announcements;
      break;
    case Announcement::kMade:
      scan.countable = false;
      break;
  }
}

void ScanShellLine(std::string_view line, ShellState& state, ScriptScan& scan) {
  if (!state.heredoc_end.empty()) {
    std::string_view closing = line;
    while (state.heredoc_tabs && closing.starts_with('\t')) closing.remove_prefix(1);
    if (closing == state.heredoc_end) {
      state.heredoc_end.clear();
    } else {
      CountAnnouncement(line, state.Repeats(), scan);
    }
    return;
  }
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] == '#') return;
  const bool function_start = IsFunctionStart(trimmed);
  // A function defined on one line ends on it too.
  const bool one_line_function = function_start && trimmed.ends_with("}");
  if (function_start) ++state.functions;
  if (trimmed[0] == '}' && state.functions > 0) --state.functions;
  for (const auto& command : SplitCommands(trimmed)) ScanShellCommand(command, state, scan);
  OpenHeredoc(trimmed, state);
  CountAnnouncement(trimmed, state.Repeats(), scan);
  if (one_line_function) --state.functions;
}

// Blocks and labels of a batch file, line by line.
struct BatchState {
  int loop_parens = 0;                     // open parentheses of the "for" blocks around the line
  std::map<std::string, uint64_t> labels;  // label -> things counted when it was reached
  uint64_t counted = 0;                    // announcements and calls so far
};

int ParenBalance(std::string_view line) {
  int balance = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '(') ++balance;
    if (!quoted && c == ')') --balance;
  }
  return balance;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// "call x.bat", "call "x y.bat" args": the script; "call :label" is not one.
void ScanBatchCall(std::string_view line, bool repeated, ScriptScan& scan) {
  std::string_view rest = Trim(line.substr(4));
  if (rest.empty() || rest[0] == ':') return;
  std::string path;
  if (rest[0] == '"') {
    path = rest.substr(1, rest.find('"', 1) - 1);
  } else {
    path = rest.substr(0, rest.find_first_of(" \t"));
  }
  if (IsMade(path)) scan.countable = false;
  scan.calls.push_back({path, repeated});
}

void ScanBatchLine(std::string_view line, BatchState& state, ScriptScan& scan) {
  std::string_view trimmed = Trim(line);
  while (trimmed.starts_with('@')) trimmed.remove_prefix(1);
  if (trimmed.empty() || trimmed.starts_with("::") || EqualsNoCase(trimmed, "rem") ||
      StartsWithNoCase(trimmed, "rem ")) {
    return;
  }
  const size_t before = scan.announcements + scan.calls.size();
  const bool loop_line = StartsWithNoCase(trimmed, "for ");
  const bool repeated = loop_line || state.loop_parens > 0;
  if (trimmed[0] == ':') {
    const std::string_view label = trimmed.substr(1);
    state.labels[Lower(label.substr(0, label.find_first_of(" \t")))] = state.counted;
    return;
  }
  if (StartsWithNoCase(trimmed, "goto ")) {
    // A jump back over an announcement or a call repeats it.
    std::string_view target = Trim(trimmed.substr(5));
    if (target.starts_with(':')) target.remove_prefix(1);
    const auto label = state.labels.find(Lower(target.substr(0, target.find_first_of(" \t"))));
    if (label != state.labels.end() && label->second != state.counted) scan.countable = false;
    return;
  }
  if (StartsWithNoCase(trimmed, "call ")) ScanBatchCall(trimmed, repeated, scan);
  CountAnnouncement(trimmed, repeated, scan);
  if (loop_line || state.loop_parens > 0) state.loop_parens += ParenBalance(trimmed);
  if (state.loop_parens < 0) state.loop_parens = 0;
  state.counted += scan.announcements + scan.calls.size() - before;
}

bool IsBatchFile(const fs::path& script) {
  const std::string extension = Lower(script.extension().string());
  return extension == ".bat" || extension == ".cmd";
}

// The text of a script, or empty when it cannot be read or is too large.
std::optional<std::string> ReadScript(const fs::path& script) {
  std::error_code error;
  const uintmax_t size = fs::file_size(script, error);
  if (error || size > kMaxScriptBytes) return std::nullopt;
  std::ifstream in(script, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Where a called script is: beside its caller, else in the working folder; empty when neither.
fs::path FindCalled(const std::string& path, const fs::path& caller, const fs::path& folder) {
  const fs::path called(path);
  std::error_code error;
  if (called.is_absolute()) return fs::is_regular_file(called, error) ? called : fs::path();
  for (const fs::path& base : {caller.parent_path(), folder}) {
    const fs::path candidate = base / called;
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

// Counts `script` and what it calls; `open` holds the scripts being counted further up.
std::optional<uint64_t> CountScript(const fs::path& script, const fs::path& folder,
                                    std::set<fs::path>& open) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(script, error);
  if (error || open.count(canonical) != 0 || open.size() >= kMaxCallDepth) return std::nullopt;
  const std::optional<std::string> text = ReadScript(script);
  if (!text) return std::nullopt;
  const ScriptScan scan = ScanScriptText(*text, IsBatchFile(script));
  if (!scan.countable) return std::nullopt;
  open.insert(canonical);
  uint64_t total = scan.announcements;
  for (const ScriptCall& call : scan.calls) {
    const fs::path called = FindCalled(call.path, script, folder);
    if (called.empty()) continue;  // it fails at once and announces nothing
    const std::optional<uint64_t> count = CountScript(called, folder, open);
    if (!count || (call.repeated && *count != 0)) return std::nullopt;
    total += *count;
  }
  open.erase(canonical);
  return total;
}

}  // namespace

ScriptScan ScanScriptText(std::string_view text, bool windows) {
  ScriptScan scan;
  ShellState shell;
  BatchState batch;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (windows) {
      ScanBatchLine(line, batch, scan);
    } else {
      ScanShellLine(line, shell, scan);
    }
  }
  return scan;
}

std::optional<uint64_t> CountAnnouncedObjects(const fs::path& script, const fs::path& folder) {
  std::set<fs::path> open;
  return CountScript(script, folder, open);
}

}  // namespace Qva
