// The report page and the stylesheet that the HTML import log links to ("../ImportReport.html",
// "../css/stylesheet.css"). They are compiled into the program from res/Reports and written into
// the report folder when it lacks them.
#pragma once

#include <vector>

#include "QVEString.h"

namespace Qva {

// One compiled-in companion: its path relative to the report folder and its bytes.
struct ReportCompanion {
  const char* relative_path;
  const unsigned char* bytes;
  size_t length;
};

// Every companion, the report page first.
std::vector<ReportCompanion> GetReportCompanions();

// Writes each companion that `report_folder` lacks (creating its subfolders) and returns the
// paths written. A path that exists in any form (file, folder, link, even a dangling one) is
// left alone, so a page the user or the converter provided is never replaced. Failures are
// traced as warnings and never thrown: a missing page must not stop the import it reports on.
// Without `with_page` only the stylesheet is written (a log's folder that holds no data.js).
std::vector<Qve::QVEstring> WriteReportCompanions(const Qve::QVEstring& report_folder,
                                                  bool with_page = true);

}  // namespace Qva
