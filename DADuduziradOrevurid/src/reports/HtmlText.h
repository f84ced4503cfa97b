// Text placed into the HTML import log. The log shows what the import printed, and database
// messages carry data of the source database: none of it may ever become markup in a browser.
#pragma once

#include <string_view>

#include "QVEString.h"

namespace Qva {

// Appends `text` with "&", "<" and ">" written as "&amp;", "&lt;" and "&gt;", and, when
// `in_attribute`, '"' as "&quot;". All other bytes are copied as they are.
void AppendHtmlText(Qve::QVEstring& out, std::string_view text, bool in_attribute = false);

// `text` escaped as by AppendHtmlText.
Qve::QVEstring HtmlText(std::string_view text, bool in_attribute = false);

// Whether AppendHtmlText would change `text`.
bool NeedsHtmlEscape(std::string_view text, bool in_attribute = false);

}  // namespace Qva
