// Platform-neutral parts of the child process: the two pipe files and command-line splitting.
#include "QVEProcess.h"

namespace Qve {

QVEProcess::QVEProcess()
    : input_file_(std::make_shared<QVFile>()), output_file_(std::make_shared<QVFile>()) {}

std::vector<QVEstring> SplitCommandLine(const QVEstring& command_line) {
  std::vector<QVEstring> words;
  QVEstring word;
  bool in_word = false;  // a quoted empty run ("") still makes a word
  bool quoted = false;
  const size_t n = command_line.size();
  size_t i = 0;
  while (i < n) {
    const char c = command_line[i];
    if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    if (c == '\\') {
      size_t slashes = 0;
      while (i < n && command_line[i] == '\\') {
        ++slashes;
        ++i;
      }
      if (i < n && command_line[i] == '"') {
        word.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          word += '"';
          ++i;
        }
        // An even count leaves the quote to toggle quoting on the next turn.
      } else {
        word.append(slashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else {
      word += c;
    }
    ++i;
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace Qve
