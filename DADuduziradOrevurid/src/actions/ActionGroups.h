// Reading the arguments of an action.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QVEString.h"
#include "QVETrace.h"
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

// The line id of the rule's match: the page's anchor and the report's key.
inline uint64_t LineId(const IAnalyzeRule& rule) {
  return static_cast<uint64_t>(rule.GetLineIndex());
}

// The debug trace of an action that follows the script's progress.
inline void TraceAction(const IAnalyzeRule& rule) {
  Qve::QVTracer::Instance().Debug("Analyze action", "Rule %s", rule.NameText().c_str());
}

}  // namespace Qva
