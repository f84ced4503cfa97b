#include "QVEBoundedRead.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "QVETestSupport.h"

namespace Qve {
namespace {

// Every kind of file the user may name, read with a bound of 8 bytes. A FIFO without a writer
// and an endless device must come back at once, refused, never read.
TEST(BoundedReadTest, OnlyRegularFilesWithinTheBoundAreRead) {
  test::TempFolder folder;
  const std::string small = folder.File("small"), exact = folder.File("exact"),
                    large = folder.File("large"), fifo = folder.File("fifo");
  std::ofstream(small) << "abc";
  std::ofstream(exact) << "12345678";
  std::ofstream(large) << "123456789";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    QVBoundedCheck check;
    std::string content;
    std::string refusal;
  } cases[] = {
      {small, QVBoundedCheck::kRegular, "abc", ""},
      {exact, QVBoundedCheck::kRegular, "12345678", ""},
      {large, QVBoundedCheck::kTooLarge, "", large + ": larger than 8 bytes"},
      {fifo, QVBoundedCheck::kNotRegular, "", fifo + ": not a regular file"},
      {"/dev/zero", QVBoundedCheck::kNotRegular, "", "/dev/zero: not a regular file"},
      {folder.File(""), QVBoundedCheck::kNotRegular, "", folder.File("") + ": not a regular file"},
      {folder.File("missing"), QVBoundedCheck::kFailed, "",
       folder.File("missing") + ": cannot be read: No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string content = "old";
    const QVBoundedCheck check = ReadBoundedFile(c.path, 8, content);
    EXPECT_EQ(check, c.check) << c.path;
    EXPECT_EQ(content, c.content) << c.path;
    if (!c.refusal.empty()) {
      EXPECT_EQ(DescribeBoundedRefusal(c.path, check, 8), c.refusal);
    }
    uint64_t size = 0;
    if (check != QVBoundedCheck::kFailed) {
      EXPECT_EQ(CheckBoundedPath(c.path, 8, size), check) << c.path;
    }
  }
}

TEST(BoundedReadTest, TheBoundIsStatedInMegabytes) {
  EXPECT_EQ(DescribeByteLimit(16 * 1024 * 1024), "16 MB");
  EXPECT_EQ(DescribeByteLimit(1000), "1000 bytes");
}

}  // namespace
}  // namespace Qve
