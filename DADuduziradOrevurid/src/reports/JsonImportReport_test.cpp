#include "reports/JsonImportReport.h"

#include <gtest/gtest.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "QVEString.h"
#include "QVETestSupport.h"
#include "records/ImportStatistics.h"
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
  // Saves, then writes the root's members `names` back as indented JSON, each ending a line (a
  // missing one as an empty line).
  std::string SavedSections(std::initializer_list<const char*> names) {
    rapidjson::Document document = Saved();
    std::string text;
    for (const char* name : names) {
      rapidjson::StringBuffer buffer;
      rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
      if (document.IsObject() && document.HasMember(name)) document[name].Accept(writer);
      text += buffer.GetString() + std::string("\n");
    }
    return text;
  }
  // Saves and reads the written document back (after its "const json ="): valid UTF-8 JSON.
  rapidjson::Document Saved() {
    report_.Save();
    rapidjson::Document document;
    document.Parse<rapidjson::kParseValidateEncodingFlag>(ReadData().c_str() + 12);
    EXPECT_FALSE(document.HasParseError()) << ReadData();
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
  EXPECT_EQ(SavedSections({"error_table"}), Qve::test::ReadTestData("reports/error-table.json"));
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
  const std::string saved = SavedSections({"error_table"});
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
  EXPECT_EQ(SavedSections({"objects"}), Qve::test::ReadTestData("reports/object-status.json"));
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
  // The connection error's tip shows on its object and on its error-table group.
  EXPECT_EQ(SavedSections({"objects", "error_table"}),
            Qve::test::ReadTestData("reports/mysql-tips.json"));

  // Family names are exact; the first row whose key occurs wins; keys are case-sensitive.
  EXPECT_TRUE(TipsTableFor("PostgreSQL").empty());
  EXPECT_EQ(TipsTableFor("MariaDB").data(), MySqlTips().data());
  EXPECT_EQ(TipsTableFor("AlloyDB").data(), PostgreSqlTips().data());
  EXPECT_EQ(FindTip(MySqlTips(), "'t' already exists; Unknown database")->key, "Unknown database");
  EXPECT_EQ(FindTip(PostgreSqlTips(), "Relation already exists."), nullptr);
}

// The document is written back with what the run owns replaced. Wrong-shaped data files, also
// hostile ones with repeated member names: a missing or wrongly typed section is rebuilt empty,
// entries of the wrong shape are skipped, and no wrong type is ever read. Text before the first
// brace gives way to the prefix; unknown members stay; the run's "time_import" is removed (the
// last member takes its place) and appended; repeated arrays are joined into the first, so no
// object is lost; sections that are right once stay, the repeated ones are rebuilt.
// A case is tests/data/reports/shapes/NAME.loaded.js and NAME.saved.js (the run's time as N).
TEST_F(JsonImportReportTest, WrongShapesAreRepairedOrSkipped) {
  size_t cases = 0;
  for (const auto& file :
       std::filesystem::directory_iterator(ML_SOURCE_DIR "/tests/data/reports/shapes")) {
    const std::string name = file.path().filename().string();
    if (!name.ends_with(".loaded.js")) continue;
    SCOPED_TRACE(name);
    ++cases;
    JsonImportReport report;
    ImportStatistics stats;
    AddObject(stats, "T", {1});
    AddObject(stats, "3");  // a number is no name
    WriteData(Qve::test::ReadTestData("reports/shapes/" + name));
    ASSERT_EQ(report.Init(true, Base(), "rpt", "Oracle"), 0);
    report.AddError(1, "e");
    report.UpdateObjects(stats);
    report.UpdateErrorTable(stats);
    report.Save();
    std::string saved = ReadData();
    size_t time = saved.find("\"time_import\":", saved.find("\"general_information\""));
    ASSERT_NE(time, std::string::npos);
    saved.at(time + 14) = 'N';  // under a second: 0 or 1
    EXPECT_EQ(saved, Qve::test::ReadTestData("reports/shapes/" + name.substr(0, name.size() - 10) +
                                             ".saved.js"));
  }
  EXPECT_EQ(cases, 7u);
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

// Whatever bytes the import printed, data.js is valid UTF-8: each invalid sequence shows as
// U+FFFD, also in what the loaded file kept.
TEST_F(JsonImportReportTest, InvalidUtf8BecomesReplacementCharacters) {
  Load("{\"objects\":[{\"object_name\":\"T\\u00e9\"}],\"kept\":\"\xE2\x82\"}");
  AddObject(stats_, "T\xC3\xA9", {1});
  report_.AddError(1, "bad \xFF\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82x good \xE2\x82\xAC");
  report_.UpdateObjects(stats_);
  report_.UpdateErrorTable(stats_);
  EXPECT_EQ(SavedSections({"objects", "kept", "error_table"}),
            Qve::test::ReadTestData("reports/invalid-utf8.json"));
}

}  // namespace
}  // namespace Qva
