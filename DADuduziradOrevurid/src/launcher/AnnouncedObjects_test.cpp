#include "launcher/AnnouncedObjects.h"

#include <fstream>

#include "QVETestSupport.h"
#include "gtest/gtest.h"

namespace Qva {
namespace {

struct ScanCase {
  const char* name;
  bool windows;
  std::string text;
  uint64_t announcements;
  bool countable;
  std::string calls;  // each call's path, "*" after a repeated one, joined by blanks
};

std::string Calls(const ScriptScan& scan) {
  std::string calls;
  for (const ScriptCall& call : scan.calls) {
    calls += (calls.empty() ? "" : " ") + call.path + (call.repeated ? "*" : "");
  }
  return calls;
}

TEST(AnnouncedObjectsTest, ScansWhatAScriptPrintsAndCalls) {
  const std::vector<ScanCase> cases = {
      {"shell echoes, a here-document and what is no announcement", false,
       "echo \"Importing database objects to PostgreSQL\"\n"
       "echo \"Importing Table public.orders to PostgreSQL\"\n"
       "echo 'Importing View public.v to PostgreSQL' >&2\n"
       "echo \"Importing data using the psql\"\n"
       "# echo \"Importing Table public.commented to PostgreSQL\"\n"
       "echo \"Importing Widget w to PostgreSQL\"\n"
       "echo \"Importing Table $SCHEMA.t to PostgreSQL\"\n"
       "cat <<'OUT'\nImporting Function f to Oracle\nfor x in a b; do\nOUT\n"
       "echo \"Importing Sequence s to PostgreSQL\"\r\n",
       5, true, ""},
      {"nested shell calls", false,
       "sh ./tables.sh \"$@\"\n./settings.sh \"$@\"\nbash data/load.sh; . ./env.sh\n"
       "PSQL=x sh -c 'echo hi'\n\"$PSQL\" -f x.sql\n/usr/bin/psql -f x.sql\n",
       0, true, "./tables.sh ./settings.sh data/load.sh ./env.sh"},
      {"an announcement in a loop", false,
       "for t in a b; do\n  echo \"Importing Table $t to PostgreSQL\"\ndone\n", 1, false, ""},
      {"a call in a loop and after it", false,
       "while read f; do sh ./one.sh; done < list\nsh ./two.sh\n", 0, true, "./one.sh* ./two.sh"},
      {"an announcement in a function", false,
       "announce() {\n  echo \"Importing Table $1 to PostgreSQL\"\n}\nannounce a\n", 1, false, ""},
      {"a one-line function", false,
       "f() { echo \"Importing View $1 to X\"; sh ./x.sh; }\nsh ./y.sh\n", 1, false,
       "./x.sh* ./y.sh"},
      {"a made object type", false, "echo \"Importing $KIND x to PostgreSQL\"\n", 0, false, ""},
      {"a made script name", false, "sh \"$DIR/tables.sh\"\n", 0, false, "$DIR/tables.sh"},
      {"batch echoes and calls", true,
       "@echo off\r\necho Importing Table dbo.orders to SQL Server\r\n"
       "rem echo Importing Table dbo.x to SQL Server\r\ncall \"tables.bat\" %*\r\n"
       "call other.cmd\r\ncall :sub\r\n",
       1, true, "tables.bat other.cmd"},
      {"batch for block", true,
       "for %%f in (*.sql) do (\r\n  call load.bat %%f\r\n)\r\ncall after.bat\r\n", 0, true,
       "load.bat* after.bat"},
      {"batch goto back over an announcement", true,
       ":again\r\necho Importing View v to X\r\ngoto again\r\n", 1, false, ""},
      {"batch goto forward", true,
       "goto skip\r\n:skip\r\necho Importing View v to X\r\ngoto :eof\r\n", 1, true, ""},
  };
  for (const ScanCase& test : cases) {
    SCOPED_TRACE(test.name);
    const ScriptScan scan = ScanScriptText(test.text, test.windows);
    EXPECT_EQ(scan.announcements, test.announcements);
    EXPECT_EQ(scan.countable, test.countable);
    EXPECT_EQ(Calls(scan), test.calls);
  }
}

// The scripts a script calls are counted with it, beside it or in the working folder; a missing
// one announces nothing; a repeated call of one that announces, or a script calling itself,
// leaves the count open.
TEST(AnnouncedObjectsTest, CountsCalledScripts) {
  Qve::test::TempFolder folder;
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder.File(name)) << text;
  };
  const std::string one = "echo \"Importing Table t to PostgreSQL\"\n";
  std::filesystem::create_directories(folder.File("sub"));
  std::filesystem::create_directories(folder.File("work"));
  write("tables.sh", one + one);
  write("sub/inner.sh", one);
  write("work/cwd.sh", one);
  write("quiet.sh", "echo nothing\n");
  write("self.sh", one + "sh ./self.sh\n");
  write("main.sh", one + "sh ./tables.sh\nsh ./missing.sh\n./sub/inner.sh\nsh cwd.sh\n" +
                       "for i in 1 2; do sh ./quiet.sh; done\n");
  write("loop.sh", "for i in 1 2; do sh ./tables.sh; done\n");
  write("main.bat", "echo Importing View v to X\r\ncall \"tables.sh\"\r\n");
  const std::filesystem::path work = folder.File("work");
  EXPECT_EQ(CountAnnouncedObjects(folder.File("main.sh"), work), 5u);
  EXPECT_EQ(CountAnnouncedObjects(folder.File("main.bat"), work), 3u);
  EXPECT_EQ(CountAnnouncedObjects(folder.File("loop.sh"), work), std::nullopt);
  EXPECT_EQ(CountAnnouncedObjects(folder.File("self.sh"), work), std::nullopt);
  EXPECT_EQ(CountAnnouncedObjects(folder.File("absent.sh"), work), std::nullopt);
}

}  // namespace
}  // namespace Qva
