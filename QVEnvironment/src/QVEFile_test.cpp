#include "QVEFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "QVETestSupport.h"

namespace Qve {
namespace {

using test::CatchQV;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class FileTest : public ::testing::Test {
 protected:
  test::TempFolder folder_;
};

TEST_F(FileTest, OpeningAMissingFileFailsAndStaysClosed) {
  const std::string kept = folder_.File("kept.txt");
  WriteAll(kept, "x");
  const std::string missing = folder_.File("missing.txt");
  QVFile file;
  file.Open(kept);
  auto error = CatchQV([&] { file.Open(missing); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), kQVErrFileOpen);
  EXPECT_EQ(error->GetMessage(), "cannot open file: " + missing);
  EXPECT_STREQ(error->GetSourceFile(), "Sources/Libraries/Static/QVEnvironment/src/QVEFile");
  EXPECT_EQ(error->GetLine(), 76u);
  EXPECT_FALSE(file.IsOpen());  // the previous file was closed first
  EXPECT_EQ(file.GetFileName(), "");

  // A folder is no file, even where the platform would open it for reading.
  const bool read_only = true;
  file.SetOption(kQVOptBool, kQVFileReadOnly, &read_only);
  error = CatchQV([&] { file.Open(folder_.File("")); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), kQVErrFileOpen);
}

TEST_F(FileTest, CreateInAMissingFolderFails) {
  const std::string path = folder_.File("no/such/dir/f.txt");
  QVFile file;
  auto error = CatchQV([&] { file.Create(path); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), kQVErrFileCreate);
  EXPECT_EQ(error->GetMessage(), "cannot create file: " + path);
  EXPECT_EQ(error->GetLine(), 117u);
  EXPECT_FALSE(file.IsOpen());
}

TEST(FileClosedTest, OperationsOnAClosedFileFail) {
  QVFile file;
  auto error = CatchQV([&] { file.Write("x", 1); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), kQVErrFileWrite);
  EXPECT_EQ(error->GetMessage(), "cannot write to file: ");
  char byte = 0;
  EXPECT_EQ(CatchQV([&] { file.Read(&byte, 1); })->GetCode(), kQVErrFileRead);
  EXPECT_EQ(CatchQV([&] { file.SeekToEnd(); })->GetCode(), kQVErrFileAccess);
}

TEST_F(FileTest, CreateTruncatesAndWritesReadBack) {
  const std::string path = folder_.File("t.txt");
  WriteAll(path, "old content that is long");
  {
    QVFile file;
    file.Create(path);
    EXPECT_EQ(file.GetSize(), 0u);
    EXPECT_EQ(file.Write("new", 3), 3u);
    file.Flush();
    EXPECT_EQ(file.GetFileName(), path);
  }
  EXPECT_EQ(ReadAll(path), "new");

  QVFile file;
  const bool read_only = true;
  file.SetOption(kQVOptBool, kQVFileReadOnly, &read_only);
  file.Open(path);
  char text[8] = {};
  EXPECT_EQ(file.Read(text, sizeof(text)), 3u);
  EXPECT_STREQ(text, "new");
  EXPECT_EQ(file.Read(text, sizeof(text)), 0u);
  EXPECT_EQ(CatchQV([&] { file.Write("x", 1); })->GetCode(), kQVErrFileWrite);
}

TEST_F(FileTest, DeleteOnCloseRemovesTheFile) {
  const std::string path = folder_.File("temp.txt");
  QVFile file;
  const bool yes = true;
  file.SetOption(kQVOptBool, kQVFileDeleteOnClose, &yes);
  file.Create(path);
  file.Write("abc", 3);
  EXPECT_TRUE(std::filesystem::exists(path));
  file.Close();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileTest, SizeAndPositionAgree) {
  QVFile file;
  file.Create(folder_.File("s.bin"));
  file.Write("0123456789", 10);
  EXPECT_EQ(file.GetPosition(), 10u);
  file.SetSize(4);
  EXPECT_EQ(file.GetPosition(), 4u);
  EXPECT_EQ(file.GetSize(), 4u);
  file.SetSize(100);
  EXPECT_EQ(file.GetSize(), 100u);
  EXPECT_EQ(file.GetPosition(), 100u);
  EXPECT_EQ(file.Seek(2), 2u);
  char two[2];
  EXPECT_EQ(file.Read(two, 2), 2u);
  EXPECT_EQ(std::string(two, 2), "23");
  EXPECT_EQ(file.Seek(UINT64_MAX), 100u);
  file.SeekToBegin();
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(file.SeekToEnd(), file.GetSize());
}

TEST(FilePipeTest, ReadAfterTheWriterClosedReturnsZero) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  QVFile reader;
  QVFile writer;
  reader.Attach(ends[0], "pipe");
  writer.Attach(ends[1], "pipe");
  writer.Write("ab", 2);
  writer.Flush();  // nothing to sync on a pipe
  writer.Close();
  char buffer[4];
  EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 2u);
  EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 0u);
  EXPECT_EQ(reader.GetFileName(), "pipe");
}

}  // namespace
}  // namespace Qve
