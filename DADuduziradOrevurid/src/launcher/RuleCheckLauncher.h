// -CHECK_RULES: loads every rule file and checks every sample; no script runs.
#pragma once

#include "launcher/IMigrationLauncher.h"
#include "launcher/RunConfig.h"

namespace Qva {

class RuleCheckLauncher : public IMigrationLauncher {
 public:
  // Keeps a reference to `config`, which must outlive the launcher.
  explicit RuleCheckLauncher(const RunConfig& config) : config_(config) {}

  int32_t Initialize(const Qve::QVEstring& analyzer_name) override;  // 0
  // Prints one line per user rule file (ListUserRuleFiles with -RULES):
  // "PATH: N rules, M samples, OK" or "PATH: N rules, M samples, FAILED: FAULT", or
  // "No rule files of your own." when there is none. Returns 2 when a file failed, else 0.
  int32_t Run() override;

 private:
  const RunConfig& config_;
};

}  // namespace Qva
