// Fix-it tips of the JSON import report: per target database family, substrings of error and
// warning texts mapped to a comment and, mostly, a link.
#pragma once

#include <span>
#include <string_view>

#include "QVEString.h"

namespace Qva {

enum class TipSite { kNone, kKnowledgeBase, kWiki };

struct ReportTip {
  std::string_view key;      // matched as a case-sensitive substring, trailing blanks included
  std::string_view comment;  // becomes "comments"
  TipSite site;              // kNone: the tip has no link
  std::string_view path;     // appended to the site's address
};

// The tips table for a target database display name (exact comparison): the MySQL table for the
// MySQL family, the PostgreSQL table for the PostgreSQL family, an empty span for anything else.
std::span<const ReportTip> TipsTableFor(std::string_view target_db);

// The tips in table order.
std::span<const ReportTip> MySqlTips();
std::span<const ReportTip> PostgreSqlTips();

// The first tip of `table` whose key occurs in `text`; null when none does.
const ReportTip* FindTip(std::span<const ReportTip> table, std::string_view text);

// The full link of a tip; empty when it has none.
Qve::QVEstring TipLink(const ReportTip& tip);

}  // namespace Qva
