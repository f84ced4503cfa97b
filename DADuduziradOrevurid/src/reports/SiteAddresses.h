// The product's own addresses and credit texts, one constant each.
#pragma once

namespace Qva {

// Knowledge-base site that most report tips link to (the tip's path is appended).
inline constexpr const char* kKnowledgeBaseSite = "https://kb.movarin.example";
// Wiki site of the one tip that links there.
inline constexpr const char* kWikiSite = "https://wiki.movarin.example";
// Support mailbox.
inline constexpr const char* kSupportMailbox = "support@movarin.example";
// Credit in the HTML import log's footer; names the maker and ends with a space, the version
// text follows it directly.
inline constexpr const char* kLogFooterCredit = "Created by Movarin ";

}  // namespace Qva
