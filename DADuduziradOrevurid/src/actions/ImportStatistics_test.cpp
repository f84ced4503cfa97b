#include "actions/ImportStatistics.h"

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "QVETestSupport.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva {
namespace {

using Qve::test::TempFolder;

ImportObject Object(const std::string& name, uint32_t type, bool additional = false) {
  ImportObject object;
  object.name = name;
  object.type = type;
  object.additional = additional;
  return object;
}

StatError Error(uint64_t id) {
  StatError entry;
  entry.lineId = id;
  return entry;
}

StatWarning Warning(uint64_t id) {
  StatWarning entry;
  entry.lineId = id;
  return entry;
}

// The example run: three tables, one clean, one with a warning, one with a warning then an
// error, and an error before the first announcement.
ImportStatistics ThreeTables() {
  ImportStatistics stats;
  stats.AddError(Error(1));  // before any object: counted nowhere
  stats.AddObject(Object("T1", kObjectTable));
  stats.AddObject(Object("T2", kObjectTable));
  stats.AddWarning(Warning(2));
  stats.AddObject(Object("T3", kObjectTable));
  stats.AddWarning(Warning(3));
  stats.AddError(Error(4));
  return stats;
}

// The texts of the summary as written to an HTML log: the element contents of its lines.
std::vector<std::string> PrintedSummary(const ImportStatistics& stats, const std::string& run) {
  TempFolder folder;
  DedezuLogger log;
  log.Open(folder.File("s"), "", "Oracle", "h", "import_log.html", 1, "r");
  stats.PrintImportFinished(run, log);
  log.Close();

  std::ifstream in(folder.File("s/r/Import/import_log.html"), std::ios::binary);
  std::stringstream page;
  page << in.rdbuf();
  std::string text = page.str();
  static const std::regex line("<line>  <exec></exec>([^<]*)</line>\r\n");
  std::vector<std::string> texts;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator();
       ++it) {
    texts.push_back((*it)[1]);
  }
  return texts;
}

const std::string kSeparator(50, '-');

TEST(ImportStatisticsTest, SummaryLinesInTypeCodeOrderThenAdditionalThenTotal) {
  ImportStatistics stats = ThreeTables();
  EXPECT_EQ(stats.GetObjects().front().stats.size(), 0u);
  EXPECT_EQ(stats.ObjectSummary(false, kObjectTable, false),
            "Total: 3 Table(s), 2 Ok, 1 Error(s), 1 Warning(s)");
  EXPECT_EQ(stats.ObjectSummary(true, 0, true),
            "Total imported objects: 3, 2 succeeded, 1 failed.");
  EXPECT_EQ(stats.ObjectSummary(false, kObjectView, false), "");
  EXPECT_EQ(stats.ObjectSummary(true, 0, false), "");

  stats.AddObject(Object("E", ImportObjectTypeFromWord("Event")));
  stats.AddObject(Object("V", ImportObjectTypeFromWord("View")));
  stats.AddError(Error(5));
  stats.AddWarning(Warning(6));  // a warning after an error: succeeded with warnings
  stats.AddObject(Object("X", ImportObjectTypeFromWord("table")));  // case-sensitive: unknown
  stats.AddObject(Object("A", kObjectTable, /*additional=*/true));  // not among the tables
  stats.AddError(Error(7));
  EXPECT_EQ(PrintedSummary(stats, "import echo"),
            (std::vector<std::string>{kSeparator, "Import data finished:\n",
                                      "Total: 1 unknown(s), 1 Ok, 0 Error(s), 0 Warning(s)\n",
                                      "Total: 3 Table(s), 2 Ok, 1 Error(s), 1 Warning(s)\n",
                                      "Total: 1 View(s), 1 Ok, 0 Error(s), 1 Warning(s)\n",
                                      "Total: 1 Event(s), 1 Ok, 0 Error(s), 0 Warning(s)\n",
                                      "Total: 1 additional object(s), 0 Ok, 1 Error(s), 0 "
                                      "Warning(s)\n",
                                      "Total imported objects: 7, 5 succeeded, 2 failed.\n"}));
}

TEST(ImportStatisticsTest, TitleFollowsTheExactRunText) {
  ImportStatistics empty;
  EXPECT_EQ(PrintedSummary(empty, "ddl echo"),
            (std::vector<std::string>{kSeparator, "Import table finished:\n"}));
  EXPECT_EQ(PrintedSummary(empty, "table echo")[1], "Import table finished:\n");
  EXPECT_EQ(PrintedSummary(empty, "table echo ")[1], "Import finished:\n");
  EXPECT_EQ(PrintedSummary(empty, "")[1], "Import finished:\n");
}

TEST(ImportStatisticsTest, ReportPassCountsObjectsThatAreNotAdditional) {
  TempFolder folder;
  std::filesystem::create_directories(folder.File("base/rpt"));
  std::ofstream(folder.File("base/rpt/data.js"))
      << "{\"objects\":[{\"object_name\":\"T3\",\"import_status\":\"\",\"time_import\":0},"
         "{\"object_name\":\"A\"}]}";
  ImportStatistics stats = ThreeTables();
  stats.AddObject(Object("V", kObjectView));
  stats.AddWarning(Warning(5));
  stats.AddObject(Object("A", kObjectTable, /*additional=*/true));
  stats.AddError(Error(6));
  JsonImportReport report;
  report.Init(true, folder.File("base"), "rpt", "Oracle");
  report.AddError(4, "ORA-1");

  rapidjson::StringBuffer objects;
  for (int pass = 0; pass < 2; ++pass) {  // each pass counts from zero
    stats.CollectReportStatistics("v", "Oracle", "h", "/export", "rpt", report);
    EXPECT_EQ(stats.GetTotal(), 4u);
    EXPECT_EQ(stats.GetSucceeded(), 3u);
    EXPECT_EQ(stats.GetFailed(), 1u);
    EXPECT_EQ(stats.GetWithWarnings(), 2u);
    if (pass == 0) {
      rapidjson::Writer<rapidjson::StringBuffer> writer(objects);
      report.GetDocument()["objects"].Accept(writer);
    }
  }
  EXPECT_EQ(stats.GetExportPath(), "/export");
  // The additional object is not counted, but the report reads it from the object list. Each
  // set member moves the last one into its place: with two object types (Table, View) the
  // members are set twice, in the order of two per-type updates.
  EXPECT_STREQ(
      objects.GetString(),
      "[{\"object_name\":\"T3\",\"error_message\":\"ORA-1\",\"error_link\":\"import_log.html#4\","
      "\"import_status\":\"Failed\",\"time_import\":0},"
      "{\"object_name\":\"A\",\"import_status\":\"Failed\",\"time_import\":0}]");
  EXPECT_EQ(report.GetDocument()["error_table"].Size(), 1u);
}

TEST(ImportStatisticsTest, EntriesAreCopiedAsTheirRecordedKind) {
  ImportStatistics stats;
  EXPECT_EQ(stats.GetCurrentStage(), kImportStageDdl);
  stats.AddObject(Object("T", kObjectTable));
  stats.GetNewestObject()->stage = kImportStageData;
  StatWarning warning = Warning(9);
  warning.stage = stats.GetCurrentStage();
  stats.AddError(warning);  // an error copy of the warning's fields
  const StatMember& entry = *stats.GetObjects().back().stats.back();
  EXPECT_EQ(entry.GetType(), kStatKindError);
  EXPECT_EQ(entry.GetLineId(), 9u);
  EXPECT_EQ(entry.GetStage(), kImportStageData);
}

}  // namespace
}  // namespace Qva
