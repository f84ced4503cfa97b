// Helpers shared by the environment library's tests.
#pragma once

#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

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
