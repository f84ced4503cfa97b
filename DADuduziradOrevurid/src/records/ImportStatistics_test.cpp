#include "records/ImportStatistics.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

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
  std::vector<std::string> summary;  // after the separator and the title
  // CollectReportStatistics' result, then the succeeded, failed and with-warnings counts.
  std::array<uint64_t, 4> counts;
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
// and unknown codes.
TEST(ImportStatisticsTest, SummaryAndReportCounts) {
  const std::vector<Case> cases = {
      {"nothing announced", {}, "import echo", {"Import data finished:\n"}, {0, 0, 0, 0}},
      {"each outcome",
       {{kObjectTable, false, ""},
        {kObjectTable, false, "WE"},
        {kObjectTable, false, "EW"},
        {kObjectView, false, "W"},
        {kObjectUnknown, false, "E"}},
       "table echo",
       {"Import table finished:\n", "Total: 1 unknown(s), 0 Ok, 1 Error(s), 0 Warning(s)\n",
        "Total: 3 Table(s), 2 Ok, 1 Error(s), 1 Warning(s)\n",
        "Total: 1 View(s), 1 Ok, 0 Error(s), 1 Warning(s)\n",
        "Total imported objects: 5, 3 succeeded, 2 failed.\n"},
       {3, 3, 2, 2}},
      {"additional objects apart",
       {{kObjectTable, true, "E"},
        {kObjectEvent, true, ""},
        {kObjectEvent, false, "W"},
        {kObjectSequence, false, ""}},
       "ddl echo",
       {"Import table finished:\n", "Total: 1 Sequence(s), 1 Ok, 0 Error(s), 0 Warning(s)\n",
        "Total: 1 Event(s), 1 Ok, 0 Error(s), 1 Warning(s)\n",
        "Total: 2 additional object(s), 1 Ok, 1 Error(s), 0 Warning(s)\n",
        "Total imported objects: 4, 3 succeeded, 1 failed.\n"},
       {2, 2, 0, 1}},
      {"codes without a type word",
       {{12, false, ""}, {kObjectTypeLast + 1, false, "E"}, {99, false, "WWE"}},
       "anything",
       {"Import finished:\n", "Total: 1 unknown(s), 1 Ok, 0 Error(s), 0 Warning(s)\n",
        "Total imported objects: 3, 1 succeeded, 2 failed.\n"},
       {1, 1, 0, 0}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ImportStatistics statistics = Record(test.objects);
    std::vector<std::string> expected = {std::string(50, '-')};
    expected.insert(expected.end(), test.summary.begin(), test.summary.end());
    const std::vector<Qve::QVEstring> lines = statistics.SummaryLines(test.run_text);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), expected);
    const uint32_t rounds =
        statistics.CollectReportStatistics("v", "db", "host", "/export", "Reports");
    EXPECT_EQ((std::array<uint64_t, 4>{rounds, statistics.GetSucceeded(), statistics.GetFailed(),
                                       statistics.GetWithWarnings()}),
              test.counts);
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
  statistics.AddWarningTo(0, warning);
  EXPECT_EQ(statistics.GetNewestObject(), nullptr);
  EXPECT_EQ(statistics.GetCurrentStage(), kImportStageDdl);

  ImportObject second;
  second.stage = kImportStageData;
  statistics.AddObject(ImportObject());
  statistics.AddObject(second);
  statistics.AddErrorTo(0, warning);
  statistics.AddWarningTo(0, warning);
  statistics.AddErrorTo(2, warning);
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
