#include "QVEFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// Names in `folder`, to see that no temporary file is left behind.
std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FileTest, ReplaceContentsKeepsModeAndLinkAndLeavesNothingBehind) {
  const std::string target = folder_.File("data.js");
  const std::string link = folder_.File("link.js");
  WriteAll(target, "old content, longer than the new one");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  std::filesystem::create_symlink("data.js", link);

  QVFile file;
  file.Open(link);
  file.ReplaceContents("new", 3);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Listing(folder_.File("")), (std::vector<std::string>{"data.js", "link.js"}));
}

// A real write failure: the file-size limit refuses the temporary file's bytes past 4 KiB. It
// runs in a child process, since the limit and the ignored SIGXFSZ would hold for the tests.
TEST_F(FileTest, AFailedReplaceLeavesTheFileByteIdenticalAndRemovesTheTemporaryFile) {
  const std::string path = folder_.File("data.js");
  const std::string original = "const json ={\"objects\":[]}\r\n";
  WriteAll(path, original);
  const std::string replacement(64 * 1024, 'x');

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    QVFile file;
    file.Open(path);
    auto error = CatchQV([&] { file.ReplaceContents(replacement.data(), replacement.size()); });
    bool expected = error && error->GetCode() == kQVErrFileWrite &&
                    error->GetMessage() == "cannot write to file: " + path && file.IsOpen();
    ::_exit(expected ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(Listing(folder_.File("")), std::vector<std::string>{"data.js"});
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
