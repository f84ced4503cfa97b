#include "reports/DedezuLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "QVETestSupport.h"
#include "reports/HtmlText.h"
#include "reports/SiteAddresses.h"

namespace Qva {
namespace {

using Qve::test::ErrorOf;
using Qve::test::TempFolder;

// Replaces every page time stamp (Mmm dd hh:mm:ss yyyy) by "TS".
std::string MaskTimeStamps(const std::string& text) {
  static const std::regex stamp("[A-Z][a-z]{2} \\d{2} \\d{2}:\\d{2}:\\d{2} \\d{4}");
  return std::regex_replace(text, stamp, "TS");
}

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

  std::string page =
      MaskTimeStamps(Qve::test::ReadFile(folder.File("scripts/report/Import/import_log.html")));
  // The header names the target and links the stylesheet and the report page beside the log.
  for (const char* part :
       {"<title>Movarin Import Log</title>", "href = \"../css/stylesheet.css\"",
        "<strong>Import Database: </strong>Oracle<span style=\"padding:0px "
        "10px\"/><strong>Service: </strong>db&lt;host&gt;</center><br><text>\n"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(page.substr(page.find("<br><tmstp>")),
            "<br><tmstp>TS </tmstp> <line>  <exec>Action begin> </exec>Start child "
            "process: movarin_all.bat echo</line>\r\n"
            "<br><tmstp>TS </tmstp> <line>  <exec>movarin_all.bat> </exec>Importing "
            "Table T1 to db</line>\r\n"
            "<br><tmstp>TS </tmstp> <line>  <exec></exec>info 100% &amp; &lt;b&gt;\n</line>\r\n"
            "<br><tmstp>TS </tmstp> <error id=\"7\">[ERR] "
            "movarin_all.bat::sqlplus(&lt;t1&gt;.sql)> </exec>ORA-00942: 50% &lt;missing&gt;"
            "</error>\r\n"
            "<br><tmstp>TS </tmstp> <warning id=\"9\">[WRN] </exec>SP2-0310 warn\n</warning>\r\n"
            "<br><tmstp>TS </tmstp> <line>  <exec>Action end> </exec>Finish child "
            "process</line>\r\n"
            "<br><tmstp>TS </tmstp> <line>  <exec>Action time> </exec>0.0 seconds\n</line>\r\n"
            "</text><br />\n<center><a href = \"../ImportReport.html\"><strong>View "
            "Import Report</strong></a><br /><br />" +
                std::string(kLogFooterCredit) +
                "Import Log Analyzer 1.0<br />\nTimestamp: TS</center></font></div></body></HTML>");
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

// Lines that repeat the source of the line before reuse its escaped form; long sources too
// show escaped on every line.
TEST(DedezuLoggerTest, SourcesShowEscapedOnEveryLine) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File(""), "", "Oracle", "h", "import_log.html", 1, "r");
  const std::string long_source = std::string(5000, 's') + "<";
  for (const std::string& source : {std::string("a<1"), std::string("a<1"), long_source,
                                    long_source, std::string("b&2"), std::string("a<1")}) {
    log.Log(8, source.c_str(), "%s", "m");
  }
  log.Close();
  const std::string page = Qve::test::ReadFile(folder.File("r/Import/import_log.html"));
  std::string sources;
  for (size_t at = page.find("<exec>"); at != std::string::npos; at = page.find("<exec>", at + 1)) {
    sources += page.substr(at + 6, page.find("> </exec>", at) - at - 6) + "|";
  }
  const std::string long_html = std::string(5000, 's') + "&lt;";
  EXPECT_EQ(sources, "a&lt;1|a&lt;1|" + long_html + "|" + long_html + "|b&amp;2|a&lt;1|");
}

// A huge message is written from where it is (no copy into the line), with the same bytes; an
// action text is cut at 65535 bytes.
TEST(DedezuLoggerTest, HugeMessagesGiveTheSameLinesAndActionsAreCut) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File(""), "", "Oracle", "h", "import_log.html", 1, "r");
  const std::string huge(300000, 'q');
  log.Log(8, "src", "%s", (huge + "\n").c_str());
  log.Error(4, "", huge);
  log.Warning(5, "", huge + "<script>");  // escaped, however large
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
}

TEST(HtmlTextTest, OnlyMarkupCharactersAreEscaped) {
  struct Case {
    std::string_view text;
    bool in_attribute;
    std::string_view escaped;
  };
  for (const Case& test : {
           Case{"relation \"</text><script>x()</script>\" does not exist", false,
                "relation \"&lt;/text&gt;&lt;script&gt;x()&lt;/script&gt;\" does not exist"},
           Case{"a&amp; \"b\" caf\xC3\xA9 \xFF", true, "a&amp;amp; &quot;b&quot; caf\xC3\xA9 \xFF"},
           // Many of one character before the first of another.
           Case{"<<\">&<>\"", true, "&lt;&lt;&quot;&gt;&amp;&lt;&gt;&quot;"},
           Case{"x>>>>\"&", false, "x&gt;&gt;&gt;&gt;\"&amp;"},
           Case{"plain text", false, "plain text"},
           Case{"", true, ""},
       }) {
    EXPECT_EQ(HtmlText(test.text, test.in_attribute), test.escaped);
    EXPECT_EQ(NeedsHtmlEscape(test.text, test.in_attribute), test.text != test.escaped);
  }
}

}  // namespace
}  // namespace Qva
