#include "launcher/AnnouncedObjects.h"

#include <fstream>
#include <sstream>

#include "QVETestSupport.h"
#include "gtest/gtest.h"

namespace Qva {
namespace {

const std::filesystem::path kData = ML_SOURCE_DIR "/tests/data/launcher";

std::string Calls(const ScriptScan& scan) {
  std::string calls;
  for (const ScriptCall& call : scan.calls) {
    calls += (calls.empty() ? "" : " ") + call.path + (call.repeated ? "*" : "");
  }
  return calls.empty() ? "-" : calls;
}

// Each script of script_scan (a batch file when named .bat) is scanned to what expected.tsv
// says: the announcements it prints, whether that count holds, and the scripts it calls.
TEST(AnnouncedObjectsTest, ScansWhatAScriptPrintsAndCalls) {
  std::ifstream table(kData / "script_scan/expected.tsv");
  size_t cases = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.starts_with("#")) continue;
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
    ASSERT_EQ(fields.size(), 4u) << line;
    SCOPED_TRACE(fields[0]);
    const std::string text = Qve::test::ReadFile(kData / "script_scan" / fields[0]);
    ASSERT_NE(text, "");
    const ScriptScan scan = ScanScriptText(text, fields[0].ends_with(".bat"));
    EXPECT_EQ(std::to_string(scan.announcements), fields[1]);
    EXPECT_EQ(scan.countable ? "countable" : "open", fields[2]);
    EXPECT_EQ(Calls(scan), fields[3]);
    ++cases;
  }
  EXPECT_EQ(cases, 12u);
}

// The scripts a script calls (called_scripts) are counted with it, beside it or in the working
// folder; a missing one announces nothing; a repeated call of one that announces, or a script
// calling itself, leaves the count open.
TEST(AnnouncedObjectsTest, CountsCalledScripts) {
  const std::filesystem::path folder = kData / "called_scripts", work = folder / "work";
  ASSERT_TRUE(std::filesystem::exists(work / "cwd.sh"));
  EXPECT_EQ(CountAnnouncedObjects(folder / "main.sh", work), 5u);
  EXPECT_EQ(CountAnnouncedObjects(folder / "main.bat", work), 3u);
  EXPECT_EQ(CountAnnouncedObjects(folder / "loop.sh", work), std::nullopt);
  EXPECT_EQ(CountAnnouncedObjects(folder / "self.sh", work), std::nullopt);
  EXPECT_EQ(CountAnnouncedObjects(folder / "absent.sh", work), std::nullopt);
}

}  // namespace
}  // namespace Qva
