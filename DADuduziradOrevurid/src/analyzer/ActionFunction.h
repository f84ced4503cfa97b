// The callable type that binds rule definitions to code.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "QVEString.h"

namespace Qva {

// Lines handed around by the analyzer: each element one line ending in "\n".
using TextLines = std::vector<Qve::QVEstring>;

// An action: (context, lines, groups) -> result.
//   context: the rule that fires (an IAnalyzeRule*), passed untyped.
//   lines:   the lines the rule was matched against.
//   groups:  the rule's match results, element 0 the whole match, element n capture group n.
//            Actions of one rule share this vector; a later action sees what an earlier wrote.
// An empty ActionFunction stands for "no action" and is skipped by the rules.
using ActionFunction =
    std::function<int32_t(void* context, const TextLines& lines, TextLines& groups)>;

}  // namespace Qva
