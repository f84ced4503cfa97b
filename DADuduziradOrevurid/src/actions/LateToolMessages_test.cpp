// Clients run in parallel: a message that names the working file of the client launched for an
// earlier object belongs to that object, not to the one announced last. Real psql lines from the
// captured client output, through the real analyzer with the embedded rules and the supplement.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"

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

// psql's launch line as the import scripts echo it, with its file after `how`.
std::string Launch(const std::string& how, const std::string& file) {
  return "/opt/import>/usr/lib/postgresql/15/bin/psql -h 127.0.0.1 -U ml_user -p 5432 -d ml_db " +
         how + " " + file + "\n";
}

// Two tables announced and launched one after the other, then the client's line: per object its
// entries (kind, working file and stage), then the page's source of each error or warning line.
std::string Digest(const std::string& first_launch, const std::string& second_launch,
                   const std::string& line) {
  test::TestOutputs out("PostgreSQL");
  CWizzardInspectionController events;  // not started: sends nothing
  LogAnalyzer analyzer;
  auto actions = ImpLogAnalyzerActionManager::AttachTo(
      analyzer, test::ReportRun("movarin_all.sh", "echo", "PostgreSQL"));
  analyzer.Init(true);
  actions->SetOutputs(out.log, out.report, events);
  analyzer.AddText(
      "Importing database objects to PostgreSQL\n"
      "Importing Table public.orders to PostgreSQL\n" +
      first_launch + "Importing Table public.products to PostgreSQL\n" + second_launch + line +
      "\nImport script movarin_all.sh finished\n");
  analyzer.AnalyzeAvailable(1);

  std::string digest;
  for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
    digest += object.name + ":";
    for (const auto& entry : object.stats) {
      digest += (entry->GetType() == kStatKindError ? " E " : " W ") + entry->workingFile + " " +
                std::to_string(entry->GetStage());
    }
    digest += "\n";
  }
  for (const std::string& page_line : out.LogLines()) {
    if (page_line.starts_with("<error") || page_line.starts_with("<warning")) {
      digest += page_line.substr(page_line.find("] ") + 2,
                                 page_line.find("> ") - 2 - page_line.find("] ")) +
                "\n";
    }
  }
  return digest;
}

TEST(LateToolMessagesTest, MessageNamingAnEarlierObjectsFileGoesToIt) {
  const std::string orders = "data/public.orders.sql";
  const std::string products = "data/public.products.sql";
  struct Case {
    const char* name;
    std::string first_launch, second_launch, line;
    bool to_first;  // the entry goes to public.orders, else to public.products
    char kind;
    std::string file;  // the entry's working file, named by its page line
  };
  const std::vector<Case> cases = {
      // (The end-to-end suite's parallel load fails its slow first load this way.)
      {"server error, known situation, -f", Launch("-f", "views/public.v_orders.sql"),
       Launch("--file", products), CapturedLine("psql:views/public.v_orders.sql:4: ERROR:"), true,
       'E', "views/public.v_orders.sql"},
      {"server warning", Launch("--file", "sequences/public.order_seq.sql"),
       Launch("--file", products), CapturedLine("psql:sequences/public.order_seq.sql:6: WARNING:"),
       true, 'W', "sequences/public.order_seq.sql"},
      {"client error", Launch("--file", "data/public.events.sql"), Launch("--file", products),
       CapturedLine("psql:data/public.events.sql:1: error:"), true, 'E', "data/public.events.sql"},
      // Lines that name no earlier object's file stay with the newest object.
      {"the newest object's file", Launch("--file", "tables/public.orders.sql"),
       Launch("--file", orders), CapturedLine("psql:data/public.orders.sql:5: ERROR:"), false, 'E',
       orders},
      {"file launched again for the newest", Launch("--file", orders), Launch("--file", orders),
       CapturedLine("psql:data/public.orders.sql:5: ERROR:"), false, 'E', orders},
      {"standard input names no file", Launch("<", orders), Launch("--file", products),
       CapturedLine("psql:<stdin>:2: ERROR:"), false, 'E', products},
      {"file no client was launched with", Launch("--file", "tables/public.orders.sql"),
       Launch("--file", products), CapturedLine("psql:data/public.orders.sql:5: ERROR:"), false,
       'E', products},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string entry = std::string(" ") + c.kind + " " + c.file + " 1\n";
    EXPECT_EQ(Digest(c.first_launch, c.second_launch, c.line),
              "public.orders:" + (c.to_first ? entry : "\n") + "public.products:" +
                  (c.to_first ? "\n" : entry) + "movarin_all.sh::psql(" + c.file + ")\n");
  }
}

}  // namespace
}  // namespace Qva
