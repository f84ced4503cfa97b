#include "analyzer/LogTextStorage.h"

#include <gtest/gtest.h>

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

// Lines that fill a chunk exactly, spill into the next or get a block of their own come back.
TEST(LogTextStorageTest, KeepsLinesAcrossChunksAndOwnBlocks) {
  const size_t kSizes[] = {1, 80, 300000, 700000, 2097151, 2097152, 5, 3000000, 64, 1048575};
  LogTextStorage storage;
  TextLines expected;
  for (int round = 0; round < 2; ++round) {
    Qve::QVEstring text;
    for (size_t i = 0; i < std::size(kSizes); ++i) {
      const Qve::QVEstring line(kSizes[(i + round) % std::size(kSizes)], char('a' + i));
      text += line + "\r\n";
      expected.push_back(line + "\n");
    }
    storage.AddText(text);
  }
  for (uint64_t i = 0; i < expected.size(); ++i) ASSERT_EQ(storage.PeekLine(i), expected[i]) << i;
  EXPECT_EQ(storage.GetRange(0, expected.size() + 1), expected);
}

}  // namespace
}  // namespace Qva
