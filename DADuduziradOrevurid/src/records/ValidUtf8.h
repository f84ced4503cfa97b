// Text that must be valid UTF-8 (the JSON report, the events, the JUnit report), whatever bytes
// the import printed.
#pragma once

#include <string_view>

#include "QVEString.h"

namespace Qva {

// `text` with every byte sequence that is not valid UTF-8 replaced by U+FFFD (EF BF BD): each
// maximal part of a sequence that could still have become valid gives one U+FFFD, every other
// byte one of its own. Overlong forms, surrogates and code points above U+10FFFF are invalid.
// Valid text comes back unchanged; ASCII bytes are never touched, so JSON stays JSON.
Qve::QVEstring ValidUtf8(std::string_view text);

}  // namespace Qva
