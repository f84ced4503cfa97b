// Reading the arguments of an action.
#pragma once

#include <cstddef>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"
#include "analyzer/IAnalyzeRule.h"

namespace Qva {

// The rule that fires, from an action's context argument.
inline IAnalyzeRule& ContextRule(void* context) { return *static_cast<IAnalyzeRule*>(context); }

// Group `n` of an action's groups; an empty text when the rule did not provide it.
inline const Qve::QVEstring& Group(const TextLines& groups, size_t n) {
  static const Qve::QVEstring kNone;
  return n < groups.size() ? groups[n] : kNone;
}

}  // namespace Qva
