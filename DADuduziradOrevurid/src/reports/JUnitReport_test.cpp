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
  report.Parse(Qve::test::ReadTestData("reports/junit-suites.json").c_str());
  ASSERT_FALSE(report.HasParseError());
  EXPECT_EQ(FormatJUnitReport(report, "imp/reports/Import/import_log.html"),
            Qve::test::ReadTestData("reports/junit-suites.xml"));
}

// Texts that XML 1.0 cannot carry as they are: the report stays well-formed for libxml2 and
// shows U+FFFD exactly where the text had something it could not carry. The lines of
// tests/data/reports/junit-any-bytes.txt come in pairs: a text, then how the report shows it.
TEST(JUnitReportTest, AnyBytesGiveWellFormedXml) {
  std::istringstream lines(Qve::test::ReadTestData("reports/junit-any-bytes.txt"));
  size_t count = 0;
  for (std::string raw, shown; std::getline(lines, raw) && std::getline(lines, shown); ++count) {
    SCOPED_TRACE(raw);
    rapidjson::Document report;
    report.Parse(R"({"objects":[{"import_status":"Warning"}]})");
    auto& alloc = report.GetAllocator();
    report["objects"][0].AddMember("object_name", rapidjson::Value(raw.c_str(), alloc), alloc);
    report["objects"][0].AddMember("comments", rapidjson::Value(raw.c_str(), alloc), alloc);
    const std::string xml = FormatJUnitReport(report, "log.html");
    xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "j.xml", nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_NE(document, nullptr) << xml;
    xmlFreeDoc(document);
    EXPECT_NE(xml.find("<system-out>" + shown + "</system-out>"), std::string::npos) << xml;
  }
  EXPECT_EQ(count, 6u);
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
