// Helpers shared by the environment library's tests.
#pragma once

#include <filesystem>
#include <memory>
#include <random>
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

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("qve_test_" + std::to_string(random()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace Qve::test
