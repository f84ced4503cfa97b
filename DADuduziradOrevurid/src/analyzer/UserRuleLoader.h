// Loading the user's own rule files: the format of the embedded ones, checked strictly.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace Qva {

class IAnalyzeActionManager;
class LogAnalyzerRulesManager;

// What loading one user rule file gave.
struct UserRuleFileVerdict {
  std::string path;
  int32_t rules = 0;    // rules loaded (up to the fault)
  int32_t samples = 0;  // samples checked (up to the fault)
  std::string fault;    // empty when the whole file loaded
};

// A fault in a user rule file; what() names the file, the line, the rule and the reason.
class UserRuleFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads each file of `paths` in order into `manager` (after its embedded rules, so its action
// manager exists), filing every rule under its group. A file is refused, with a fault text
// "FILE:LINE: rule ID NAME: REASON" (or "FILE:LINE: REASON" outside a rule), for: a file that
// cannot be read, is not a regular file (a FIFO, a device) or is larger than 16 MB, XML that is
// not well-formed, a root other than AnalyzeRules, an unknown group,
// a rule without a numeric id, an unknown type, priority or behaviour, an action or check that
// is not registered, a pattern PCRE2 rejects, an id that a loaded rule already has, a Sample
// the rule does not take (see SampleTaker) or a Sample match="no" that it does take. Rules of a
// file that come before its fault stay loaded. Without `keep_going` the first fault throws
// UserRuleFault; with it every file is tried and the faults are only returned.
std::vector<UserRuleFileVerdict> LoadUserRuleFiles(LogAnalyzerRulesManager& manager,
                                                   const std::vector<std::string>& paths,
                                                   bool keep_going);

// LoadUserRuleFiles in a rules manager of its own with the registry `actions`, after the
// embedded rules and the platform supplement: what a run would load, without an analyzer.
std::vector<UserRuleFileVerdict> CheckUserRuleFiles(std::shared_ptr<IAnalyzeActionManager> actions,
                                                    const std::vector<std::string>& paths,
                                                    bool keep_going);

}  // namespace Qva
