#include "reports/JsonImportReport.h"

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "QVEString.h"
#include "QVETestSupport.h"
#include "records/ImportStatistics.h"
#include "reports/SiteAddresses.h"
#include "reports/TipsTables.h"

namespace Qva {
namespace {

using Qve::test::TempFolder;

// Appends an object that took 1.9 seconds, with entries in order: a positive number is an
// error id, a negative one a warning id.
void AddObject(ImportStatistics& stats, const std::string& name, std::vector<int> entries = {}) {
  ImportObject object;
  object.name = name;
  object.type = kObjectTable;
  object.startTime = Qve::QVTimeStamp(1000, 0);
  object.endTime = Qve::QVTimeStamp(1001, 900);
  stats.AddObject(object);
  for (int id : entries) {
    StatError error;
    error.lineId = static_cast<uint64_t>(id < 0 ? -id : id);
    if (id > 0) stats.AddError(error);
    if (id < 0) stats.AddWarning(error);
  }
}

class JsonImportReportTest : public ::testing::Test {
 protected:
  std::string Base() const { return folder_.File("base"); }
  std::string DataPath() const { return Base() + "/rpt/data.js"; }
  void WriteData(const std::string& text) {
    std::filesystem::create_directories(Base() + "/rpt");
    std::ofstream(DataPath(), std::ios::binary) << text;
  }
  std::string ReadData() const { return Qve::test::ReadFile(DataPath()); }
  void Load(const std::string& text, const std::string& target = "Oracle") {
    WriteData(text);
    ASSERT_EQ(report_.Init(true, Base(), "rpt", target), 0);
  }
  // Saves, then writes the root's member `name` back as compact JSON.
  std::string SavedSection(const char* name) {
    rapidjson::Document document = Saved();
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document[name].Accept(writer);
    return buffer.GetString();
  }
  // Saves and reads the written document back (after its "const json =").
  rapidjson::Document Saved() {
    report_.Save();
    rapidjson::Document document;
    document.Parse(ReadData().c_str() + 12);
    return document;
  }

  TempFolder folder_;
  JsonImportReport report_;
  ImportStatistics stats_;
};

TEST_F(JsonImportReportTest, BadDataFilesFailWithTheirOwnErrors) {
  // Without Init the report is disabled: it leaves any file alone.
  WriteData("{\"objects\":[]}");
  report_.UpdateObjects(stats_);
  report_.UpdateErrorTable(stats_);
  report_.Save();
  EXPECT_EQ(ReadData(), "{\"objects\":[]}");
  auto init_error = [&](const std::string& text) -> std::string {
    WriteData(text);
    JsonImportReport report;
    try {
      report.Init(true, Base(), "rpt", "Oracle");
    } catch (const std::runtime_error& e) {
      EXPECT_FALSE(report.IsEnabled());
      return e.what();
    }
    return "loaded";
  };
  EXPECT_EQ(init_error("const json ={\"objects\":[]};"), "can't load report file");
  EXPECT_EQ(init_error("[{\"objects\":[]}]"), "can't load report file");  // an array
  EXPECT_EQ(init_error("const json = [1, 2]"), "can't load json");
  EXPECT_EQ(init_error(""), "can't load json");
  EXPECT_EQ(init_error(std::string("\0{}", 3)), "can't load json");  // text ends at the NUL
  // Beyond a double's range by its digits and exponent together (found by the fuzzer: it
  // loaded as infinity, and the save stopped in the middle of the document).
  EXPECT_EQ(init_error("{\"b\":1,\"a\":[1,8" + std::string(100, '0') + "E220]}"),
            "can't load report file");

  // Nesting past the limit is refused, however deep; brackets inside strings do not count.
  auto nested = [](size_t levels, const std::string& inner = "") {
    return "{\"a\":" + std::string(levels - 1, '[') + inner + std::string(levels - 1, ']') + "}";
  };
  EXPECT_EQ(init_error(nested(kMaxReportDepth + 1)), "can't load report file");
  EXPECT_EQ(init_error(nested(2'000'000)), "can't load report file");
  EXPECT_EQ(init_error("{\"a\":" + std::string(2'000'000, '[')), "can't load report file");
  EXPECT_EQ(init_error(nested(kMaxReportDepth, "\"[{\\\"[\"")), "loaded");

  // A file at the limit is written back whole.
  Load(nested(kMaxReportDepth));
  report_.Save();
  std::string kept = "const json =" + nested(kMaxReportDepth);
  kept.back() = ',';  // "general_information" follows
  EXPECT_EQ(ReadData().rfind(kept, 0), 0u);
  std::filesystem::remove(DataPath());
  EXPECT_EQ(Qve::test::ErrorOf([&] { report_.Init(true, Base(), "rpt", "Oracle"); }),
            "code -999, message cannot open file: " + DataPath());
}

TEST_F(JsonImportReportTest, ErrorTableGroupsThisRunsErrorsByText) {
  Load("{\"error_table\":[{\"error_type\":\"Other\"},{\"error_type\":\"Import\"},\"text\",{}]}");
  for (int id : {7, 12, 30}) {
    AddObject(stats_, Qve::FormatText("T%d", id), {id});
    report_.AddError(id, "same text");
  }
  AddObject(stats_, "", {40});  // a nameless object lends no name
  report_.AddError(40, "b");
  report_.AddError(40, "b again");  // the first text of an id stays
  report_.AddError(41, "a");        // carried by no object
  AddObject(stats_, "T42", {42});
  report_.AddError(42, "a");
  report_.UpdateErrorTable(stats_);

  // Entries of other types stay in order; "Import" groups follow in byte order of their text.
  EXPECT_EQ(SavedSection("error_table"),
            R"([{"error_type":"Other"},"text",{},)"
            R"({"error_type":"Import","number_of_occurences":2,"error_link":"import_log.html#41",)"
            R"("error_message":"a","failed_objects":"\nT42"},)"
            R"({"error_type":"Import","number_of_occurences":1,"error_link":"import_log.html#40",)"
            R"("error_message":"b","failed_objects":""},)"
            R"({"error_type":"Import","number_of_occurences":3,"error_link":"import_log.html#7",)"
            R"("error_message":"same text","failed_objects":"T7\nT12\nT30"}])");
}

// An error's text is kept once by the report, however long it is: the entries of the objects it
// fails, every round over them and its error-table group all show that one text, not copies.
TEST_F(JsonImportReportTest, EntriesShowTheKeptTextOfAnErrorWithoutCopies) {
  Load(R"({"objects":[{"object_name":"A"},{"object_name":"B"}]})");
  std::string text = "ORA-00942: ";
  text.append(1 << 20, 'x');
  AddObject(stats_, "A", {3});
  AddObject(stats_, "B", {9});
  report_.AddError(3, text);
  report_.AddError(9, text);
  report_.UpdateObjects(stats_, 3);
  report_.UpdateErrorTable(stats_);
  const rapidjson::Document& document = report_.GetDocument();
  const char* first = document["objects"][0]["error_message"].GetString();
  EXPECT_EQ(first, text);
  EXPECT_EQ(document["objects"][1]["error_message"].GetString(), text);
  // Pointers compared: the group shows the first id's text itself.
  EXPECT_EQ(first, document["error_table"][0]["error_message"].GetString());
  const std::string saved = SavedSection("error_table");
  EXPECT_EQ(saved.find(text), saved.rfind(text));  // one group
}

TEST_F(JsonImportReportTest, ObjectStatusIsDecidedByTheLastEntry) {
  Load(R"({"objects":[{"object_name":"OK","error_message":"stale"},{"object_name":"FAILED"},)"
       R"({"object_name":"WARNED"},{"object_name":"TWICE"},{"object_name":"NOT IMPORTED"}]})");
  AddObject(stats_, "OK");
  AddObject(stats_, "FAILED", {-3, 4});
  AddObject(stats_, "WARNED", {5, -6});
  AddObject(stats_, "TWICE", {7});
  AddObject(stats_, "TWICE");  // the later object of a name decides
  report_.AddError(4, "ORA-00942: table or view does not exist");
  report_.AddWarning(6, "Duplicate entry for key 'k'");
  report_.UpdateObjects(stats_, 2);  // setting again changes no value

  // A stale member stays; 1.9 seconds truncate to 1; without a tips table (Oracle) the warning
  // text is the comment; an entry no object names is left alone.
  EXPECT_EQ(SavedSection("objects"),
            R"([{"object_name":"OK","error_message":"stale","import_status":"Ok","time_import":1},)"
            R"({"object_name":"FAILED","error_link":"import_log.html#4","import_status":"Failed",)"
            R"("error_message":"ORA-00942: table or view does not exist","time_import":1},)"
            R"({"object_name":"WARNED","comments":"Duplicate entry for key 'k'",)"
            R"("import_status":"Warning","time_import":1},)"
            R"({"object_name":"TWICE","import_status":"Ok","time_import":1},)"
            R"({"object_name":"NOT IMPORTED"}])");
}

// The end-to-end runs check the tips of real client errors; here, what they cannot show.
TEST_F(JsonImportReportTest, TipsFollowTheTargetFamily) {
  Load(R"({"objects":[{"object_name":"PLAIN","comments":"x","comments_link":"y"},)"
       R"({"object_name":"CONN"}]})",
       "MySQL");
  AddObject(stats_, "PLAIN", {-2});
  AddObject(stats_, "CONN", {3});
  report_.AddWarning(2, "nothing known");  // no tip: the old comment and link go
  report_.AddError(3, "Can't connect to MySQL server on 'h' (10061)");
  report_.UpdateObjects(stats_);
  report_.UpdateErrorTable(stats_);
  rapidjson::Document document = Saved();
  EXPECT_EQ(document["objects"][0].MemberCount(), 3u);  // name, status, time
  const std::string link =
      std::string(kKnowledgeBaseSite) +
      "/knowledge-base/database-migration/setup-and-troubleshooting/mysql/error-2003";
  for (const rapidjson::Value* entry : {&document["objects"][1], &document["error_table"][0]}) {
    EXPECT_STREQ((*entry)["comments"].GetString(), "How to fix connection issue");
    EXPECT_EQ((*entry)["comments_link"].GetString(), link);
  }

  // Family names are exact; the first row whose key occurs wins; keys are case-sensitive.
  EXPECT_TRUE(TipsTableFor("PostgreSQL").empty());
  EXPECT_EQ(TipsTableFor("MariaDB").data(), MySqlTips().data());
  EXPECT_EQ(TipsTableFor("AlloyDB").data(), PostgreSqlTips().data());
  EXPECT_EQ(FindTip(MySqlTips(), "'t' already exists; Unknown database")->key, "Unknown database");
  EXPECT_EQ(FindTip(PostgreSqlTips(), "Relation already exists."), nullptr);
}

// The document is written back with what the run owns replaced. Wrong-shaped data files, also
// hostile ones with repeated member names: a missing or wrongly typed section is rebuilt empty,
// entries of the wrong shape are skipped, and no wrong type is ever read.
TEST_F(JsonImportReportTest, WrongShapesAreRepairedOrSkipped) {
  // In the saved texts "@E" is this run's error entry and "@T" the rebuilt run information.
  auto expand = [](std::string text) {
    Qve::ReplaceAll(text, "@E",
                    R"({"error_type":"Import","number_of_occurences":1,"error_link":)"
                    R"("import_log.html#1","error_message":"e","failed_objects":"T"})");
    Qve::ReplaceAll(text, "@T",
                    R"("general_information":{"time_import":N,"import_report":true,)"
                    R"("use_import_log_analyzer":true}})");
    return "const json =" + text;
  };
  struct Case {
    std::string loaded, saved;
  };
  const Case cases[] = {
      // Text before the first brace gives way to the prefix; unknown members stay; the run's
      // "time_import" is removed (the last member takes its place) and appended.
      {"\xEF\xBB\xBF"
       "const json = {\n \"general_information\": {\"time_import\": 5, \"a\": 1,\n"
       " \"import_report\": false, \"use_import_log_analyzer\": false},\n"
       " \"objects\": [], \"extra\": \"caf\xC3\xA9 \\\" \\n\"} \r\n\t",
       R"({"general_information":{"use_import_log_analyzer":true,"a":1,"import_report":true,)"
       R"("time_import":N},"objects":[],"extra":"caf)"
       "\xC3\xA9"
       R"( \" \n","error_table":[@E]})"},
      {R"({"objects":"text"})", R"({"objects":[],"error_table":[@E],@T)"},
      {R"({"objects":[5,{"no_name":1},{"object_name":3},{"object_name":"T"}]})",
       R"({"objects":[5,{"no_name":1},{"object_name":3},{"object_name":"T","import_status":)"
       R"("Failed","error_message":"e","error_link":"import_log.html#1","time_import":1}],)"
       R"("error_table":[@E],@T)"},
      {R"({"error_table":{},"error_table":{},"objects":{},"objects":{}})",
       R"({"objects":[],"error_table":[@E],@T)"},
      {R"({"general_information":[],"general_information":[],"objects":[],"error_table":[]})",
       R"({"error_table":[@E],"objects":[],@T)"},
      // Repeated arrays are joined into the first, so no object is lost; other copies go.
      {R"({"objects":[{"object_name":"A"}],"x":1,"objects":{},"objects":[{"object_name":"T"}],)"
       R"("error_table":5,"error_table":[{"error_type":"Other"}],"error_table":[1]})",
       R"({"objects":[{"object_name":"A"},{"object_name":"T","import_status":"Failed",)"
       R"("error_message":"e","error_link":"import_log.html#1","time_import":1}],"x":1,)"
       R"("error_table":[{"error_type":"Other"},1,@E],@T)"},
      // Sections that are right once stay; the repeated ones are rebuilt.
      {R"({"objects":[{"object_name":"T","object_name":"T"},{"object_name":"T",)"
       R"("import_status":1,"import_status":2,"time_import":0}],"error_table":[)"
       R"({"error_type":"Import","error_type":"Import"},{"error_type":"Import"}],)"
       R"("general_information":{"import_report":0,"import_report":0,)"
       R"("use_import_log_analyzer":false}})",
       R"({"objects":[{"object_name":"T","object_name":"T"},{"object_name":"T","error_link":)"
       R"("import_log.html#1","import_status":"Failed","error_message":"e","time_import":1}],)"
       R"("error_table":[{"error_type":"Import","error_type":"Import"},@E],)"
       R"("general_information":{"time_import":N,"use_import_log_analyzer":true,)"
       R"("import_report":true}})"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.loaded);
    JsonImportReport report;
    ImportStatistics stats;
    AddObject(stats, "T", {1});
    AddObject(stats, "3");  // a number is no name
    WriteData(test.loaded);
    ASSERT_EQ(report.Init(true, Base(), "rpt", "Oracle"), 0);
    report.AddError(1, "e");
    report.UpdateObjects(stats);
    report.UpdateErrorTable(stats);
    report.Save();
    std::string saved = ReadData();
    size_t time = saved.find("\"time_import\":", saved.find("\"general_information\""));
    ASSERT_NE(time, std::string::npos);
    saved.at(time + 14) = 'N';  // under a second: 0 or 1
    EXPECT_EQ(saved, expand(test.saved));
  }
}

// One run per report folder: the lock is taken before the file is read and held until it is
// saved.
TEST_F(JsonImportReportTest, TheReportFolderIsLockedFromLoadToSave) {
  Load("{}");
  JsonImportReport second;
  EXPECT_EQ(Qve::test::ErrorOf([&] { second.Init(true, Base(), "rpt", "Oracle"); }),
            "code -994, message resource unavailable: report folder " + Base() +
                "/rpt is in use by another run");
  EXPECT_FALSE(second.IsEnabled());
  report_.Save();
  EXPECT_EQ(second.Init(true, Base(), "rpt", "Oracle"), 0);
}

// Whatever bytes the import printed, data.js is valid UTF-8.
TEST_F(JsonImportReportTest, InvalidUtf8BecomesReplacementCharacters) {
  Load("{\"objects\":[{\"object_name\":\"T\\u00e9\"}],\"kept\":\"\xE2\x82\"}");
  AddObject(stats_, "T\xC3\xA9", {1});
  report_.AddError(1, "bad \xFF\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82x good \xE2\x82\xAC");
  report_.UpdateObjects(stats_);
  report_.UpdateErrorTable(stats_);
  report_.Save();
  const std::string saved = ReadData();
  rapidjson::Document document;
  document.Parse<rapidjson::kParseValidateEncodingFlag>(saved.c_str() + 12);
  ASSERT_FALSE(document.HasParseError()) << saved;
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(
      document["objects"][0]["error_message"].GetString(),
      "bad " + r + r + r + " " + r + r + r + " " + r + r + r + r + " " + r + "x good \xE2\x82\xAC");
  EXPECT_EQ(document["kept"].GetString(), r);
}

}  // namespace
}  // namespace Qva
