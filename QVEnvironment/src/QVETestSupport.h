// Helpers shared by the environment library's tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "QVEException.h"

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

// The bytes of a file; empty when it cannot be read (also a folder: the stream insertion
// catches the read error that an iterator would throw).
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
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
