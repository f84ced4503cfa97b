#include "records/ImportStatistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QVEString.h"
#include "QVETestSupport.h"
#include "records/ImportRecords.h"

namespace Qva {
namespace {

// One announced object: its type code, whether it is additional, and its entries oldest first
// ('E' an error, 'W' a warning).
struct Object {
  uint32_t type;
  bool additional;
  std::string entries;
};

struct Case {
  const char* name;
  std::vector<Object> objects;
  const char* run_text;
};

ImportStatistics Record(const std::vector<Object>& objects) {
  ImportStatistics statistics;
  for (const Object& described : objects) {
    ImportObject object;
    object.type = described.type;
    object.additional = described.additional;
    statistics.AddObject(object);
    for (const char kind : described.entries) {
      kind == 'E' ? statistics.AddError(StatError()) : statistics.AddWarning(StatWarning());
    }
  }
  return statistics;
}

// Only an object's newest entry decides how it counts; the summary walks the type codes in
// order, then the additional objects, then all; the report pass leaves out additional objects
// and unknown codes. summary/NAME.expected holds the summary lines (each line feed as \n), then
// the report pass's result and its succeeded, failed and with-warnings counts.
TEST(ImportStatisticsTest, SummaryAndReportCounts) {
  const std::vector<Case> cases = {
      {"nothing-announced", {}, "import echo"},
      {"each-outcome",
       {{kObjectTable, false, ""},
        {kObjectTable, false, "WE"},
        {kObjectTable, false, "EW"},
        {kObjectView, false, "W"},
        {kObjectUnknown, false, "E"}},
       "table echo"},
      {"additional-objects-apart",
       {{kObjectTable, true, "E"},
        {kObjectEvent, true, ""},
        {kObjectEvent, false, "W"},
        {kObjectSequence, false, ""}},
       "ddl echo"},
      {"codes-without-a-type-word",
       {{12, false, ""}, {kObjectTypeLast + 1, false, "E"}, {99, false, "WWE"}},
       "anything"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ImportStatistics statistics = Record(test.objects);
    std::string summary;
    for (std::string line : statistics.SummaryLines(test.run_text)) {
      Qve::ReplaceAll(line, "\n", "\\n");
      summary += line + "\n";
    }
    const uint32_t rounds =
        statistics.CollectReportStatistics("v", "db", "host", "/export", "Reports");
    summary += "report: " + std::to_string(rounds) + " " +
               std::to_string(statistics.GetSucceeded()) + " " +
               std::to_string(statistics.GetFailed()) + " " +
               std::to_string(statistics.GetWithWarnings()) + "\n";
    EXPECT_EQ(summary,
              Qve::test::ReadTestData("records/summary/" + std::string(test.name) + ".expected"));
  }
}

// Entries go to the newest object, or to the one named by index; before the first object and
// past the last one they are dropped. The kept entry is a copy of the given kind.
TEST(ImportStatisticsTest, EntriesReachTheObjectTheyName) {
  ImportStatistics statistics;
  StatWarning warning;
  warning.lineId = 41;
  warning.stage = kImportStageData;
  statistics.AddError(warning);
  statistics.AddEntryTo(0, std::make_shared<StatWarning>(warning));
  EXPECT_EQ(statistics.GetNewestObject(), nullptr);
  EXPECT_EQ(statistics.GetCurrentStage(), kImportStageDdl);

  ImportObject second;
  second.stage = kImportStageData;
  statistics.AddObject(ImportObject());
  statistics.AddObject(second);
  statistics.AddEntryTo(0, std::make_shared<StatError>(warning));
  statistics.AddEntryTo(0, std::make_shared<StatWarning>(warning));
  statistics.AddEntryTo(2, std::make_shared<StatError>(warning));
  statistics.AddError(warning);
  const ImportObjectList& objects = statistics.GetObjects();
  ASSERT_EQ(objects.size(), 2u);
  ASSERT_EQ(objects[0].stats.size(), 2u);
  EXPECT_EQ(objects[0].stats[0]->GetType(), kStatKindError);
  EXPECT_EQ(objects[0].stats[0]->GetLineId(), 41u);
  EXPECT_EQ(objects[0].stats[0]->GetStage(), kImportStageData);
  EXPECT_EQ(objects[0].Classify(), ImportOutcome::kSucceededWithWarning);
  EXPECT_TRUE(objects[0].HasError());
  ASSERT_EQ(objects[1].stats.size(), 1u);
  EXPECT_EQ(objects[1].Classify(), ImportOutcome::kFailed);
  EXPECT_EQ(statistics.GetCurrentStage(), kImportStageData);  // the newest object's
}

// Every type word leads to its code and back; case, code 12 and codes past the list have none.
TEST(ImportRecordsTest, TypeWordsAndNames) {
  for (uint32_t code = 1; code <= kObjectTypeLast; ++code) {
    if (code == 12) continue;
    EXPECT_EQ(ImportObjectTypeFromWord(ImportObjectTypeName(code)), code) << code;
  }
  for (const uint32_t code : {0u, 12u, kObjectTypeLast + 1}) {
    EXPECT_STREQ(ImportObjectTypeName(code), "unknown") << code;
  }
  for (const char* word : {"", "table", "Tables", "unknown", " Table"}) {
    EXPECT_EQ(ImportObjectTypeFromWord(word), kObjectUnknown) << word;
  }
}

}  // namespace
}  // namespace Qva
