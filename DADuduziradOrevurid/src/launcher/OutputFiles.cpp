#include "launcher/OutputFiles.h"

#include <filesystem>
#include <string>
#include <vector>

#include "QVEException.h"
#include "launcher/RunConfig.h"

namespace Qva {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSourceFile = "Sources/DADuduziradOrevurid/launcher/OutputFiles";

struct Output {
  const char* option;  // as the message names it
  Qve::QVEstring path;
};

bool SameFile(const Qve::QVEstring& first, const Qve::QVEstring& second) {
  std::error_code error;
  const bool first_exists = fs::exists(first, error);
  const bool second_exists = fs::exists(second, error);
  if (first_exists != second_exists) return false;
  if (first_exists) return fs::equivalent(first, second, error);
  const fs::path one = fs::weakly_canonical(fs::absolute(first, error), error);
  const fs::path other = fs::weakly_canonical(fs::absolute(second, error), error);
  return one.lexically_normal() == other.lexically_normal();
}

std::vector<Output> ListOutputs(const RunConfig& config) {
  std::vector<Output> outputs = {{"-LOG", config.analyzed_log}};
  if (config.report && config.analyzed_target) {
    outputs.push_back({"-RPT (data.js)", config.data_file});
    outputs.push_back({"-RPT (import_log.html)", config.html_log});
  }
  if (config.WritesJUnit()) outputs.push_back({"-JUNIT", config.junit_file});
  return outputs;
}

}  // namespace

void CheckOutputFiles(const RunConfig& config) {
  const std::vector<Output> outputs = ListOutputs(config);
  for (size_t i = 0; i < outputs.size(); ++i) {
    for (size_t j = i + 1; j < outputs.size(); ++j) {
      if (!SameFile(outputs[i].path, outputs[j].path)) continue;
      Qve::ThrowQVException(Qve::kQVErrResource, kSourceFile, __LINE__,
                            "resource unavailable: %s and %s name the same file: %s",
                            outputs[i].option, outputs[j].option, outputs[j].path.c_str());
    }
  }
  if (!config.WritesJUnit()) return;
  // Known at the end of the run only, so its folder is checked now: a report that cannot be
  // written must not cost the import's results.
  const Qve::QVEstring& junit = config.junit_file;
  fs::path folder = fs::path(junit).parent_path();
  std::error_code error;
  if (!fs::is_directory(folder.empty() ? fs::path(".") : folder, error)) {
    Qve::ThrowQVException(Qve::kQVErrFileCreate, kSourceFile, __LINE__, "cannot create file: %s",
                          junit.c_str());
  }
}

}  // namespace Qva
