#include "reports/JUnitReport.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "QVETestSupport.h"

namespace Qva {
namespace {

// One suite per object type in order of appearance; failed, warned, passed and never imported
// objects; markup in the texts escaped, a control character shown as U+FFFD.
TEST(JUnitReportTest, SuitesCasesAndTexts) {
  rapidjson::Document report;
  report.Parse(R"({"objects":[
    {"object_name":"HR.JOBS","object_type":"Table","import_status":"Failed",
     "error_message":"relation \"jobs\" <already> exists & more","error_link":"import_log.html#16",
     "time_import":3},
    {"object_name":"HR.V","object_type":"View","import_status":"Warning","comments":"a \u0001 gap"},
    {"object_name":"HR.REGIONS","object_type":"Table","import_status":"Ok","time_import":1},
    {"object_name":"HR.LATER","object_type":"Table"},
    {"object_type":"Table"}, 7]})");
  ASSERT_FALSE(report.HasParseError());
  EXPECT_EQ(FormatJUnitReport(report, "imp/reports/Import/import_log.html"),
            R"(<?xml version="1.0" encoding="UTF-8"?>
<testsuites name="Import" tests="4" failures="1" errors="0" skipped="1" time="4.000000">
  <testsuite name="Table" tests="3" failures="1" errors="0" skipped="1" time="4.000000">
    <testcase name="HR.JOBS" classname="Table" time="3.000000">
      <failure message="relation &quot;jobs&quot; &lt;already&gt; exists &amp; more" type="Import">relation &quot;jobs&quot; &lt;already&gt; exists &amp; more&#10;imp/reports/Import/import_log.html#16</failure>
    </testcase>
    <testcase name="HR.REGIONS" classname="Table" time="1.000000"/>
    <testcase name="HR.LATER" classname="Table" time="0.000000">
      <skipped message="not imported"/>
    </testcase>
  </testsuite>
  <testsuite name="View" tests="1" failures="0" errors="0" skipped="0" time="0.000000">
    <testcase name="HR.V" classname="View" time="0.000000">
      <system-out>a � gap</system-out>
    </testcase>
  </testsuite>
</testsuites>
)");
}

// Texts that XML 1.0 cannot carry as they are: the report stays well-formed for libxml2 and
// shows U+FFFD exactly where the text had something it could not carry.
TEST(JUnitReportTest, AnyBytesGiveWellFormedXml) {
  const struct {
    const char* raw;
    const char* shown;
  } cases[] = {
      {"table \xFF\xFE gone", "table \xEF\xBF\xBD\xEF\xBF\xBD gone"},
      {"no\xEF\xBF\xBE"
       "char\xEF\xBF\xBF",
       "no\xEF\xBF\xBD"
       "char\xEF\xBF\xBD"},
      {"half \xED\xA0\x80 pair", "half \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD pair"},
      {"bell\x07 nul", "bell\xEF\xBF\xBD nul"},
      {"cut \xE2\x82", "cut \xEF\xBF\xBD"},
      {"kept \xC3\xA9 \xEF\xBF\xBD ]]> \t", "kept \xC3\xA9 \xEF\xBF\xBD ]]&gt; \t"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.raw);
    rapidjson::Document report;
    report.Parse(R"({"objects":[{"import_status":"Warning"}]})");
    auto& alloc = report.GetAllocator();
    report["objects"][0].AddMember("object_name", rapidjson::Value(test.raw, alloc), alloc);
    report["objects"][0].AddMember("comments", rapidjson::Value(test.raw, alloc), alloc);
    const std::string xml = FormatJUnitReport(report, "log.html");
    xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "j.xml", nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_NE(document, nullptr) << xml;
    xmlFreeDoc(document);
    EXPECT_NE(xml.find("<system-out>" + std::string(test.shown) + "</system-out>"),
              std::string::npos)
        << xml;
  }
}

// The file is replaced whole: a new one is created, an old one replaced (a reader that holds it
// keeps the old text), a missing folder fails naming the file and leaves nothing.
TEST(JUnitReportTest, FileIsReplacedWhole) {
  const Qve::test::TempFolder folder;
  const std::string path = folder.File("j.xml");
  WriteJUnitFile(path, "<a/>");
  std::ifstream old_reader(path);
  WriteJUnitFile(path, "<b/>");
  EXPECT_EQ(Qve::test::ReadFile(path), "<b/>");
  std::stringstream old_text;
  old_text << old_reader.rdbuf();
  EXPECT_EQ(old_text.str(), "<a/>");
  EXPECT_EQ(Qve::test::ErrorOf([&] { WriteJUnitFile(folder.File("missing/j.xml"), "<a/>"); }),
            "code -998, message cannot create file: " + folder.File("missing/j.xml"));
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
}

}  // namespace
}  // namespace Qva
