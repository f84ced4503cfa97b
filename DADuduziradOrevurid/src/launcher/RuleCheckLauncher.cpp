#include "launcher/RuleCheckLauncher.h"

#include <cstdio>

#include "analyzer/UserRuleFiles.h"
#include "launcher/AnalyzerSetup.h"

namespace Qva {

int32_t RuleCheckLauncher::Initialize(const Qve::QVEstring&) { return 0; }

int32_t RuleCheckLauncher::Run() {
  const std::vector<std::string> files = ListUserRuleFiles(config_.user_rules);
  if (files.empty()) {
    std::printf("No rule files of your own.\n");
    std::fflush(stdout);
    return 0;
  }
  int32_t result = 0;
  for (const UserRuleFileVerdict& verdict : CheckUserRules(files, true)) {
    std::printf("%s: %d rules, %d samples, %s%s\n", verdict.path.c_str(), verdict.rules,
                verdict.samples, verdict.fault.empty() ? "OK" : "FAILED: ", verdict.fault.c_str());
    if (!verdict.fault.empty()) result = 2;
  }
  std::fflush(stdout);
  return result;
}

}  // namespace Qva
