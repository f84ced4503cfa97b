// The command line with a response file: parsing, the start-up settings and the choice of the
// launcher, and the launch mode's own syntax over the same arguments.
//
// Input: the response file's text; when the input holds a NUL byte, the text before it gives
// further command-line arguments (one per line) and the text after it the response file.
//
// Confinement: the trace file is created when the command line names it, so every "/" and "\"
// becomes "_": whatever the input names is created in this target's own scratch folder (the
// current folder from start-up on; flags naming files need absolute paths), which is emptied
// after each input. An event port would open a socket and pause three seconds, so inputs that
// name one are refused.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "QVEException.h"
#include "QVETrace.h"
#include "launcher/CommandLine.h"
#include "launcher/DBLaunch.h"
#include "launcher/LauncherOptions.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kResponseFile = "options.rsp";

void EmptyFolder(const fs::path& folder) {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    fs::remove_all(entry.path(), ignored);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Corpus folders and inputs given by relative paths keep naming what they named.
  static std::vector<std::string> absolute;
  absolute.reserve(static_cast<size_t>(*argc));
  for (int i = 1; i < *argc; ++i) {
    if ((*argv)[i][0] == '-') continue;
    absolute.push_back(fs::absolute((*argv)[i]).string());
    (*argv)[i] = absolute.back().data();
  }
  static const fs::path folder = fs::temp_directory_path() /
                                 ("ml_fuzz_command_line_" + std::to_string(std::random_device{}()));
  fs::create_directories(folder);
  fs::current_path(folder);
  std::atexit([] {
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(folder, ignored);
  });
  // The help text and the response file's echo; libFuzzer reports on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  if (input.find(Qva::kOptEventPort) != std::string::npos) return -1;
  std::replace(input.begin(), input.end(), '/', '_');
  std::replace(input.begin(), input.end(), '\\', '_');

  std::vector<std::string> words = {"MigrationLauncher"};
  size_t nul = input.find('\0');
  if (nul != std::string::npos) {
    std::istringstream lines(input.substr(0, nul));
    for (std::string line; std::getline(lines, line);) words.push_back(line);
    input.erase(0, nul + 1);
  }
  words.push_back(std::string("-RSP=") + kResponseFile);
  std::ofstream(kResponseFile, std::ios::binary | std::ios::trunc) << input;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  // Nothing of an earlier input may carry over: the trace would still write to the file an
  // earlier input named.
  Qve::QVTracer::Instance().SetAllLevels(Qve::kQVTraceOff);
  try {
    const Qva::RunConfig config = Qva::ParseCommandLine(argc, argv.data());
    Qve::QVTracer::Instance().SetAllLevels(Qve::kQVTraceOff);
    std::unique_ptr<Qva::IMigrationLauncher> launcher =
        Qva::CreateLauncher(config, argc, argv.data());
  } catch (Qve::QVException* error) {
    delete error;
  } catch (const std::exception&) {
  }
  Qva::LaunchArguments launch;
  std::ostringstream out;
  std::ostringstream err;
  Qva::ParseLaunchArguments(argc, argv.data(), launch, out, err);
  Qve::QVTracer::Instance().SetAllLevels(Qve::kQVTraceOff);
  EmptyFolder(fs::current_path());
  return 0;
}
