#include "reports/ReportCompanions.h"

#include <filesystem>
#include <fstream>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace Qva {
namespace {

namespace fs = std::filesystem;
using Qve::test::TempFolder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ReportCompanionsTest, WritesWhatTheLogLinksToOnceAndNeverReplaces) {
  TempFolder folder;
  const fs::path reports = folder.File("reports");
  // The log links "../ImportReport.html" and "../css/stylesheet.css" from reports/Import.
  EXPECT_THAT(WriteReportCompanions(reports.string()),
              ElementsAre((reports / "ImportReport.html").string(),
                          (reports / "css/stylesheet.css").string()));
  for (const ReportCompanion& companion : GetReportCompanions()) {
    EXPECT_EQ(Qve::test::ReadFile(reports / companion.relative_path),
              std::string(reinterpret_cast<const char*>(companion.bytes), companion.length));
  }
  EXPECT_THAT(WriteReportCompanions(reports.string()), IsEmpty());

  // A user's own stylesheet and even a dangling link in the page's place stay as they are.
  const fs::path other = folder.File("other");
  fs::create_directories(other / "css");
  std::ofstream(other / "css/stylesheet.css") << "mine";
  fs::create_symlink("nowhere.html", other / "ImportReport.html");
  EXPECT_THAT(WriteReportCompanions(other.string()), IsEmpty());
  EXPECT_EQ(Qve::test::ReadFile(other / "css/stylesheet.css"), "mine");
  EXPECT_FALSE(fs::exists(other / "nowhere.html"));

  // Folders that take no files are no failure (nothing can be created in /proc, even by root).
  std::ofstream(folder.File("blocker")) << "a file where the report folder should be";
  EXPECT_THAT(WriteReportCompanions(folder.File("blocker/reports")), IsEmpty());
  EXPECT_THAT(WriteReportCompanions("/proc"), IsEmpty());
}

}  // namespace
}  // namespace Qva
