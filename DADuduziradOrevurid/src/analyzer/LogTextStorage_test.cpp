#include "analyzer/LogTextStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace Qva {
namespace {

// Lines end in "\n"; a carriage return and then blanks are trimmed once each from the end of a
// piece; blank pieces are dropped; leading blanks stay; each call splits on its own.
TEST(LogTextStorageTest, SplitsIntoTrimmedNonEmptyLines) {
  LogTextStorage storage;
  storage.AddText("a\r\n\r\nb  \r\nc\n  \r\n\n \r\r\n   ");
  storage.AddText("x \r \r\n\tlead\r\n  y\nhal");
  storage.AddText("f\n");
  EXPECT_EQ(storage.GetRange(0, 10),
            (TextLines{"a\n", "b\n", "c\n", "x \r\n", "\tlead\n", "  y\n", "hal\n", "f\n"}));
}

TEST(LogTextStorageTest, HandsOutLinesAndReadsAround) {
  LogTextStorage storage;
  storage.AddText("1\n2\n3\n4\n5\n");
  EXPECT_EQ(storage.GetLine(), (TextLines{"1\n"}));
  EXPECT_EQ(storage.GetLines(1), (TextLines{"2\n"}));
  EXPECT_EQ(storage.GetPosition(), 2u);
  EXPECT_EQ(storage.Remaining(), 3);
  EXPECT_FALSE(storage.PastEnd(4));
  EXPECT_TRUE(storage.PastEnd(5));

  EXPECT_EQ(storage.GetLines(5), (TextLines{"3\n", "4\n", "5\n"}));
  EXPECT_TRUE(storage.AtEnd());
  EXPECT_EQ(storage.Remaining(), 0);
  EXPECT_TRUE(storage.GetLine().empty());
  storage.Rewind();
  EXPECT_EQ(storage.GetLine(), (TextLines{"1\n"}));
  storage.Clear();
  EXPECT_EQ(storage.GetLineCount(), 0u);
  EXPECT_TRUE(storage.AtEnd());
}

// Lines that fill a chunk exactly, spill into the next or get a block of their own come back;
// lines too long to keep whole are cut.
TEST(LogTextStorageTest, KeepsLinesAcrossChunksAndOwnBlocks) {
  const size_t kSizes[] = {1, 80, 300000, 700000, 2097151, 2097152, 5, 3000000, 64, 1048575};
  LogTextStorage storage;
  TextLines expected;
  for (int round = 0; round < 2; ++round) {
    Qve::QVEstring text;
    for (size_t i = 0; i < std::size(kSizes); ++i) {
      const Qve::QVEstring line(kSizes[(i + round) % std::size(kSizes)], char('a' + i));
      text += line + "\r\n";
      for (size_t at = 0; at < line.size(); at += LogTextStorage::kMaxLineSize) {
        expected.push_back(line.substr(at, LogTextStorage::kMaxLineSize) + "\n");
      }
    }
    storage.AddText(text);
  }
  for (uint64_t i = 0; i < expected.size(); ++i) ASSERT_EQ(storage.PeekLine(i), expected[i]) << i;
  EXPECT_EQ(storage.GetRange(0, expected.size() + 1), expected);
}

// Release lets whole chunks, index blocks and huge lines go, never a line at or after the first
// kept one; indexes, the count and loans go on as before. Enough short lines to fill more than
// one index block and many chunks, with huge lines among them.
TEST(LogTextStorageTest, ReleaseKeepsEveryLineStillToBeRead) {
  LogTextStorage storage;
  const uint64_t kLines = 300000;
  const Qve::QVEstring huge(600000, 'h');
  auto line = [&](uint64_t i) {
    if (i % 100000 == 7) return huge + "\n";
    Qve::QVEstring text = "line ";
    return text.append(i % 40, 'x').append(" ").append(std::to_string(i)).append("\n");
  };
  for (uint64_t i = 0; i < kLines; i += 1000) {
    Qve::QVEstring text;
    for (uint64_t j = i; j < i + 1000; ++j) text += line(j);
    storage.AddText(text);
  }
  for (const uint64_t keep :
       std::initializer_list<uint64_t>{0, 5, 7, 100007, 100008, 262143, 262144, 299990}) {
    // A huge line lent before earlier lines go comes back to its place.
    Qve::QVEstring borrowed;
    const uint64_t loan = keep == 100007 ? storage.LendLine(200007, borrowed) : 0;
    storage.Release(keep);
    EXPECT_EQ(storage.GetFirstKept(), keep);
    if (loan != 0) {
      ASSERT_EQ(borrowed, line(200007));
      storage.ReturnLine(loan, borrowed);
      EXPECT_TRUE(borrowed.empty());
      EXPECT_EQ(storage.PeekLine(200007), line(200007));
    }
    for (uint64_t i = keep; i < std::min(keep + 2000, kLines); ++i) {
      ASSERT_EQ(storage.PeekLine(i), line(i)) << keep << " " << i;
    }
  }
  EXPECT_EQ(storage.GetLineCount(), kLines);
  Qve::QVEstring borrowed;
  EXPECT_EQ(storage.LendLine(200007, borrowed), 0u);  // let go before
  storage.Release(kLines + 5);                        // past the end: everything read
  EXPECT_EQ(storage.GetFirstKept(), kLines);
  storage.AddText("after\n");
  EXPECT_EQ(storage.PeekLine(kLines), "after\n");
}

}  // namespace
}  // namespace Qva
