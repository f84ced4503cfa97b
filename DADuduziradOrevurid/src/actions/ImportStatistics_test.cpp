#include "actions/ImportStatistics.h"

#include <gtest/gtest.h>

#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

// Announces `name` of type word `type`, then records an error (E) or warning (W) per letter.
void Add(ImportStatistics& stats, const char* name, const char* type, const std::string& kinds,
         bool additional = false) {
  ImportObject object;
  object.name = name;
  object.type = ImportObjectTypeFromWord(type);
  object.additional = additional;
  stats.AddObject(object);
  for (char kind : kinds) kind == 'E' ? stats.AddError(StatError()) : stats.AddWarning(StatError());
}

// The summary as PrintImportFinished writes it to an HTML log, a text a line.
std::string PrintedSummary(const ImportStatistics& stats, const std::string& run) {
  test::TestOutputs out;
  stats.PrintImportFinished(run, out.log);
  std::string text;
  for (const std::string& line : out.LogLines()) text += line.substr(21, line.size() - 28) + "|";
  return text;
}

// A line per type code that has objects, in code order, then the additional objects, then the
// total; an object fails when its last entry is an error. The title follows the exact run text.
TEST(ImportStatisticsTest, SummaryLines) {
  ImportStatistics stats;
  stats.AddError(StatError());  // before any object: counted nowhere
  Add(stats, "E", "Event", "");
  Add(stats, "T1", "Table", "");
  Add(stats, "T2", "Table", "W");
  Add(stats, "T3", "Table", "WE");
  Add(stats, "V", "View", "EW");
  Add(stats, "X", "table", "");  // type words are case-sensitive: unknown
  Add(stats, "A", "Table", "E", /*additional=*/true);
  EXPECT_EQ(PrintedSummary(stats, "import echo"),
            std::string(50, '-') +
                "|Import data finished:\n"
                "|Total: 1 unknown(s), 1 Ok, 0 Error(s), 0 Warning(s)\n"
                "|Total: 3 Table(s), 2 Ok, 1 Error(s), 1 Warning(s)\n"
                "|Total: 1 View(s), 1 Ok, 0 Error(s), 1 Warning(s)\n"
                "|Total: 1 Event(s), 1 Ok, 0 Error(s), 0 Warning(s)\n"
                "|Total: 1 additional object(s), 0 Ok, 1 Error(s), 0 Warning(s)\n"
                "|Total imported objects: 7, 5 succeeded, 2 failed.\n|");
  const ImportStatistics none;
  EXPECT_EQ(PrintedSummary(none, "ddl echo"), std::string(50, '-') + "|Import table finished:\n|");
  EXPECT_EQ(PrintedSummary(none, "table echo").substr(50), "|Import table finished:\n|");
  EXPECT_EQ(PrintedSummary(none, "table echo ").substr(50), "|Import finished:\n|");
}

}  // namespace
}  // namespace Qva
