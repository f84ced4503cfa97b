// Clients run in parallel: a message that names the working file of the client launched for an
// earlier object belongs to that object, not to the one announced last. Real psql lines from the
// captured client output, through the real analyzer with the embedded rules and the supplement.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

// The one captured client line that starts with `prefix`.
std::string CapturedLine(const std::string& prefix) {
  std::string found;
  for (const auto& file :
       std::filesystem::directory_iterator(ML_SOURCE_DIR "/tests/e2e/captured")) {
    if (file.path().extension() != ".txt") continue;
    std::istringstream text(Qve::test::ReadFile(file.path().string()));
    for (std::string line; std::getline(text, line);) {
      if (line.starts_with(prefix)) found = line;
    }
  }
  EXPECT_FALSE(found.empty()) << prefix;
  return found;
}

// psql's launch line as the import scripts echo it, ending with `file_args`.
std::string Launch(const std::string& file_args) {
  return "/opt/import>/usr/lib/postgresql/15/bin/psql -h 127.0.0.1 -U ml_user -p 5432 -d ml_db " +
         file_args + "\n";
}

// Two tables announced and launched one after the other, then the client's line: per object its
// entries (kind, working file and stage), then the page's source of each error or warning line.
std::string Digest(const std::string& first_launch, const std::string& second_launch,
                   const std::string& line) {
  const test::ImportRun run(
      "Importing database objects to PostgreSQL\n"
      "Importing Table public.orders to PostgreSQL\n" +
          first_launch + "Importing Table public.products to PostgreSQL\n" + second_launch + line +
          "\nImport script movarin_all.sh finished\n",
      "PostgreSQL", {}, "movarin_all.sh");
  std::string digest;
  for (const ImportObject& object : run.actions->GetStatistics().GetObjects()) {
    digest += object.name + ":";
    for (const auto& entry : object.stats) {
      digest += (entry->GetType() == kStatKindError ? " E " : " W ") + entry->workingFile + " " +
                std::to_string(entry->GetStage());
    }
    digest += "\n";
  }
  for (const std::string& page_line : run.out.LogLines()) {
    if (page_line.starts_with("<error") || page_line.starts_with("<warning")) {
      digest += page_line.substr(page_line.find("] ") + 2,
                                 page_line.find("> ") - 2 - page_line.find("] ")) +
                "\n";
    }
  }
  return digest;
}

TEST(LateToolMessagesTest, MessageNamingAnEarlierObjectsFileGoesToIt) {
  // Per row: the two launches, the captured line, the object that gets the entry, its kind and
  // the working file that its page line names.
  const auto rows =
      Qve::test::SplitTable(Qve::test::ReadTestData("actions/late-tool-messages.tsv"));
  ASSERT_EQ(rows.size(), 7u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 7u);
    SCOPED_TRACE(row[0]);
    std::string expected;
    for (const char* object : {"public.orders", "public.products"}) {
      expected += std::string(object) + ":" +
                  (row[4] == object ? " " + row[5] + " " + row[6] + " 1\n" : "\n");
    }
    EXPECT_EQ(Digest(Launch(row[1]), Launch(row[2]), CapturedLine(row[3])),
              expected + "movarin_all.sh::psql(" + row[6] + ")\n");
  }
}

}  // namespace
}  // namespace Qva
