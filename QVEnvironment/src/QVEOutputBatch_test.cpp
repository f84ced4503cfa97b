#include "QVEOutputBatch.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "QVEPipeWait.h"
#include "QVETestSupport.h"
#include "QVETrace.h"

namespace Qve {
namespace {

// In a batch the trace file gets its lines with one write at each flush, in order, the same
// bytes as without a batch; a line larger than the room goes out in order after the kept ones;
// after the batch lines are written at once again. A gather's sink sees one text per flush.
TEST(QVOutputBatchTest, LinesGoOutPerFlushInOrder) {
  test::TempFolder folder;
  QVTextFileTraceOutputer out(kQVTraceDebug);
  out.SetFile(folder.File("trace.log"));
  auto line = [&](const std::string& text) {
    test::TraceTo(out, kQVTraceOutput, "src", "%s", text.c_str());
  };
  const std::string huge(QVWriteGather::kRoom + 1, 'h');
  auto text = [&] { return test::Unstamped(test::ReadFile(folder.File("trace.log"))); };
  const std::string kept = "  src> one\r\n  src> two\r\n", three = "  src> three\r\n";
  {
    QVOutputBatch batch;
    line("one");
    line("two");
    EXPECT_EQ(text(), "");
    batch.Flush();
    EXPECT_EQ(text(), kept);
    line("three");
    line(huge);
    EXPECT_TRUE(text() == kept + three + "  src> " + huge + "\r\n");
    line("four");
  }
  line("five");
  EXPECT_TRUE(text() == kept + three + "  src> " + huge + "\r\n  src> four\r\n  src> five\r\n");

  std::vector<std::string> flushed;
  QVWriteGather gather([&](std::string_view gathered) { flushed.emplace_back(gathered); });
  EXPECT_FALSE(gather.Take({"a"}));  // no batch open
  QVOutputBatch batch;
  EXPECT_TRUE(gather.Take({"a", "b"}));
  EXPECT_TRUE(gather.Take({"c"}));
  EXPECT_EQ(gather.Kept(), "abc");
  batch.End();
  EXPECT_EQ(flushed, std::vector<std::string>{"abc"});
}

// The second stop signal's handler writes what is gathered to the gather's handle.
TEST(QVOutputBatchTest, WhatIsGatheredIsWrittenOnTheSignal) {
  test::TempFolder folder;
  QVFile file;
  file.Create(folder.File("page.html"));
  std::string usual_way;
  QVWriteGather gather([&](std::string_view kept) { usual_way += kept; });
  gather.SetHandle(file.GetHandle());
  QVOutputBatch batch;
  ASSERT_TRUE(gather.Take({"<line>one</line>\r\n", "<line>two</line>\r\n"}));
  WriteGatheredOnSignal();
  EXPECT_EQ(test::ReadFile(folder.File("page.html")), "<line>one</line>\r\n<line>two</line>\r\n");
  EXPECT_EQ(usual_way, "");
}

// A pipe: nothing to read is a time-out; data, or the writer gone, is readable. This process
// holds both ends, and a child that inherited the write end is named as a holder.
TEST(QVPipeWaitTest, WaitsAndNamesTheHolders) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  QVFile reader;
  reader.Attach(ends[0], "reader");
  EXPECT_FALSE(WaitReadable(reader, 0));
  EXPECT_FALSE(WaitReadable(reader, 20));
  const pid_t child = fork();
  if (child == 0) {
    execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Until its exec the child holds the pipe under this test's name: wait for "sleep".
  const std::vector<QVEstring> expected{std::to_string(child) + " (sleep)"};
  std::vector<QVEstring> holders;
  for (int tries = 0; tries < 1000 && holders != expected; ++tries) {
    usleep(10 * 1000);
    holders = FindPipeHolders(reader);
  }
  EXPECT_EQ(holders, expected);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  EXPECT_TRUE(WaitReadable(reader, 0));
  char byte;
  EXPECT_EQ(reader.Read(&byte, 1), 1u);
  close(ends[1]);
  EXPECT_TRUE(WaitReadable(reader, 1000));
  EXPECT_EQ(reader.Read(&byte, 1), 0u);
}

}  // namespace
}  // namespace Qve
