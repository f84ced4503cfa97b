// Helpers shared by the environment library's tests.
#pragma once

#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "QVEException.h"
#include "QVETrace.h"
#include "gtest/gtest.h"

namespace Qve::test {

// Runs `body` and returns the QVException* it throws (owned), or null when it throws none.
template <typename Body>
std::unique_ptr<QVException> CatchQV(Body&& body) {
  try {
    body();
  } catch (QVException* e) {
    return std::unique_ptr<QVException>(e);
  }
  return nullptr;
}

// What `body` throws as the program would print it ("code -999, message cannot open file: x"),
// or "no error".
template <typename Body>
std::string ErrorOf(Body&& body) {
  const auto error = CatchQV(body);
  if (!error) return "no error";
  return "code " + std::to_string(error->GetCode()) + ", message " + error->GetMessage();
}

// `text` without the 20-character time stamp that starts each trace line ("Dec 04 22:36:11
// 2026"): only the lines' texts are compared.
inline std::string Unstamped(const std::string& text) {
  std::string out;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    EXPECT_EQ(text.substr(at + 9, 1) + text.substr(at + 12, 1) + text.substr(at + 20, 1), ":: ");
    out.append(text, at + 20, end + 2 - at - 20);
  }
  return out;
}

// The bytes of a file; empty when it cannot be read (also a folder: the stream insertion
// catches the read error that an iterator would throw).
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Where the tests' data files are.
inline const std::string kTestData = ML_SOURCE_DIR "/tests/data/";

// A file under tests/data/, byte for byte; a missing or empty one fails the test.
inline std::string ReadTestData(const std::string& name) {
  const std::string text = ReadFile(kTestData + name);
  EXPECT_FALSE(text.empty()) << "missing or empty: tests/data/" << name;
  return text;
}

// The names (less `suffix`) of the files in tests/data/`folder` that end with it.
inline std::set<std::string> TestDataCases(const std::string& folder, const std::string& suffix) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kTestData + folder)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(suffix)) names.insert(name.substr(0, name.size() - suffix.size()));
  }
  return names;
}

// `text` cut at each `separator`, which ends a piece: after a last one there is no piece.
inline std::vector<std::string> Split(const std::string& text, char separator = '\n') {
  std::vector<std::string> pieces;
  size_t at = 0;
  for (size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1) {
    pieces.push_back(text.substr(at, end - at));
  }
  if (at < text.size()) pieces.push_back(text.substr(at));
  return pieces;
}

// The rows of a tab-separated `text` but "#" comment lines, each cut at its first `columns` - 1
// tabs (0: at every tab), so that a last column may hold tabs.
inline std::vector<std::vector<std::string>> SplitTable(const std::string& text,
                                                        size_t columns = 0) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Split(text)) {
    if (line.starts_with('#')) continue;
    std::vector<std::string>& row = rows.emplace_back();
    size_t at = 0;
    for (size_t tab; (columns == 0 || row.size() + 1 < columns) &&
                     (tab = line.find('\t', at)) != std::string::npos;
         at = tab + 1) {
      row.push_back(line.substr(at, tab - at));
    }
    row.push_back(line.substr(at));
  }
  return rows;
}

// Writes `text` to `path` byte for byte; a `mode` of 0 or more also sets the permissions.
inline std::string WriteText(const std::string& path, const std::string& text, int mode = -1) {
  std::ofstream(path, std::ios::binary) << text;
  if (mode >= 0) std::filesystem::permissions(path, std::filesystem::perms(mode));
  return path;
}

// The outputers take a va_list; this builds one.
inline void TraceTo(QVTraceOutputer& out, int32_t level, const char* source, const char* format,
                    ...) {
  va_list args;
  va_start(args, format);
  out.Trace(level, source, format, args);
  va_end(args);
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() { std::filesystem::create_directories(path_); }
  ~TempFolder() { std::filesystem::remove_all(path_, ignored_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::error_code ignored_;
  const std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                      ("qve_test_" + std::to_string(std::random_device()()));
};

}  // namespace Qve::test
