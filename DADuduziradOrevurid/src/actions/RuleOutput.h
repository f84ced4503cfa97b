// A rule's output template filled with the groups of its match.
#pragma once

#include "analyzer/ActionFunction.h"
#include "analyzer/IAnalyzeRule.h"

namespace Qva {

// Replaces group 0 by the rule's output template with each "[#i]" replaced by group i, for
// i = 0, 1, ... in that order. An empty template leaves the groups as they are.
void FillOutput(const IAnalyzeRule& rule, TextLines& groups);

}  // namespace Qva
