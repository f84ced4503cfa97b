#include "reports/DedezuLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "QVETestSupport.h"
#include "reports/HtmlText.h"

namespace Qva {
namespace {

using Qve::test::ErrorOf;
using Qve::test::TempFolder;

// Replaces every page time stamp (Mmm dd hh:mm:ss yyyy) by "TS".
std::string MaskTimeStamps(const std::string& text) {
  static const std::regex stamp("[A-Z][a-z]{2} \\d{2} \\d{2}:\\d{2}:\\d{2} \\d{4}");
  return std::regex_replace(text, stamp, "TS");
}

// The header names the target and links the stylesheet and the report page beside the log; every
// kind of line is escaped after formatting, and debug lines stay out of the page.
TEST(DedezuLoggerTest, SmallRunWritesTheWholePage) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File("scripts"), "Import Log Analyzer", "Oracle", "db<host>", "import_log.html",
           1, "report");
  EXPECT_TRUE(log.IsEnabled());

  log.ActionBegin("Start child process: %s", "movarin_all.bat echo");
  log.Log(8, "movarin_all.bat", "%s", "Importing Table T1 to db");
  log.Log(0, "hidden", "debug %d", 1);   // below the minimum level: trace only
  log.Log(1, "", "info 100%% & <b>\n");  // formatted, then escaped
  log.Error(7, "movarin_all.bat::sqlplus(<t1>.sql)", "ORA-00942: 50% <missing>");
  log.Warning(9, "", "SP2-0310 warn\n");
  EXPECT_EQ(log.GetCurrentId(), 9u);
  log.ActionEnd("Finish child process");
  log.WriteFooter("Import Log Analyzer 1.0");
  log.Close();

  EXPECT_EQ(
      MaskTimeStamps(Qve::test::ReadFile(folder.File("scripts/report/Import/import_log.html"))),
      Qve::test::ReadTestData("reports/small-run-log.html"));
}

TEST(DedezuLoggerTest, OpenTruncatesOrThrowsNamingTheFileAndLeavesTheLogClosed) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File("a"), "", "MySQL", "h", "import_log.html", 1, "rpt");
  log.Log(8, "", "first run");
  log.Open(folder.File("a"), "", "MySQL", "h", "import_log.html", 1, "rpt");
  log.Close();
  std::string page = Qve::test::ReadFile(folder.File("a/rpt/Import/import_log.html"));
  EXPECT_EQ(page.find("first run"), std::string::npos);
  EXPECT_EQ(page.find("<HTML>"), 0u);

  std::ofstream(folder.File("blocker")) << "a file where a folder should be";
  EXPECT_EQ(ErrorOf([&] {
              log.Open(folder.File("blocker"), "", "Oracle", "h", "import_log.html", 1, "rpt");
            }),
            "code -998, message cannot create file: " +
                folder.File("blocker/rpt/Import/import_log.html"));
  // Not open: messages reach the trace only, nothing is written.
  EXPECT_FALSE(log.IsEnabled());
  log.Error(3, "src", "unopened error");
  log.WriteFooter("v1");
  log.Close();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("")), {}), 2);
}

// A huge message is written from where it is (no copy into the line), with the same bytes; an
// action text is cut at 65535 bytes. Lines that repeat the source of the line before reuse its
// escaped form; long sources too show escaped on every line.
TEST(DedezuLoggerTest, HugeMessagesLongSourcesAndActionsAreWrittenWhole) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File(""), "", "Oracle", "h", "import_log.html", 1, "r");
  const std::string huge(300000, 'q');
  log.Log(8, "src", "%s", (huge + "\n").c_str());
  log.Error(4, "", huge);
  log.Warning(5, "", huge + "<script>");  // escaped, however large
  const std::string long_source = std::string(5000, 's') + "<";
  for (const std::string& source : {std::string("a<1"), std::string("a<1"), long_source,
                                    long_source, std::string("b&2"), std::string("a<1")}) {
    log.Log(8, source.c_str(), "%s", "m");
  }
  log.ActionBegin("Start child process: %s", std::string(70000, 'x').c_str());
  log.Close();
  const std::string page =
      MaskTimeStamps(Qve::test::ReadFile(folder.File("r/Import/import_log.html")));
  const std::string lines =
      "<br><tmstp>TS </tmstp> <line>  <exec>src> </exec>" + huge + "\n</line>\r\n" +
      "<br><tmstp>TS </tmstp> <error id=\"4\">[ERR] </exec>" + huge + "</error>\r\n" +
      "<br><tmstp>TS </tmstp> <warning id=\"5\">[WRN] </exec>" + huge +
      "&lt;script&gt;</warning>\r\n";
  EXPECT_EQ(page.substr(page.find("<br><tmstp>"), lines.size()), lines);
  EXPECT_NE(page.find("process: " + std::string(65535 - 21, 'x') + "</line>"), std::string::npos);
  std::string sources;
  for (size_t at = page.find("<exec>"); at != std::string::npos; at = page.find("<exec>", at + 1)) {
    sources += page.substr(at + 6, page.find("> </exec>", at) - at - 6) + "|";
  }
  const std::string long_html = std::string(5000, 's') + "&lt;";
  EXPECT_EQ(sources,
            "src|a&lt;1|a&lt;1|" + long_html + "|" + long_html + "|b&amp;2|a&lt;1|Action begin|");
}

// Rows of tests/data/reports/html-text.tsv: text, "attribute" or "content", escaped text.
TEST(HtmlTextTest, OnlyMarkupCharactersAreEscaped) {
  std::istringstream rows(Qve::test::ReadTestData("reports/html-text.tsv"));
  size_t count = 0;
  for (std::string text, place, escaped;
       std::getline(rows, text, '\t') && std::getline(rows, place, '\t') &&
       std::getline(rows, escaped);
       ++count) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(place == "attribute" || place == "content") << place;
    EXPECT_EQ(HtmlText(text, place == "attribute"), escaped);
    EXPECT_EQ(NeedsHtmlEscape(text, place == "attribute"), text != escaped);
  }
  EXPECT_EQ(count, 6u);
}

}  // namespace
}  // namespace Qva
