#include "QVEFile.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "QVEBoundedRead.h"
#include "QVEProcessSignals.h"
#include "QVETestSupport.h"

namespace Qve {
namespace {

using test::CatchQV;

// Names in `folder`, to see that no temporary file is left behind.
std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class FileTest : public ::testing::Test {
 protected:
  test::TempFolder folder_;
};

// An exclusive create also empties a file that no one holds (a held one is refused: the
// launcher's second_trace and second_log runs).
TEST_F(FileTest, CreateTruncatesAndFailuresThrowTheirCodeAndText) {
  const std::string kept = test::WriteText(folder_.File("kept.txt"), "old content that is long"),
                    missing = folder_.File("missing.txt");
  QVFile file, exclusive;
  file.Create(kept);
  EXPECT_EQ(file.Write("new", 3), 3u);
  file.Close();
  EXPECT_EQ(test::ReadFile(kept), "new");
  file.Open(kept);
  EXPECT_EQ(test::ErrorOf([&] { file.Open(missing); }),
            "code -999, message cannot open file: " + missing);
  EXPECT_FALSE(file.IsOpen());  // the previous file was closed first
  EXPECT_EQ(file.GetFileName(), "");
  const std::string deep = folder_.File("no/such/dir/f.txt");
  EXPECT_EQ(test::ErrorOf([&] { file.Create(deep); }),
            "code -998, message cannot create file: " + deep);
  EXPECT_EQ(test::ErrorOf([&] { file.Write("x", 1); }),  // on a closed file
            "code -996, message cannot write to file: ");
  // A folder is no file, even where the platform would open it for reading.
  const bool yes = true;
  file.SetOption(kQVOptBool, kQVFileReadOnly, &yes);
  EXPECT_EQ(CatchQV([&] { file.Open(folder_.File("")); })->GetCode(), kQVErrFileOpen);
  file.Open(kept);
  char text[8] = {};
  EXPECT_EQ(file.Read(text, sizeof(text)), 3u);
  EXPECT_STREQ(text, "new");
  EXPECT_EQ(file.Read(text, sizeof(text)), 0u);
  EXPECT_EQ(CatchQV([&] { file.Write("x", 1); })->GetCode(), kQVErrFileWrite);
  exclusive.SetOption(kQVOptBool, kQVFileExclusive, &yes);
  exclusive.Create(kept);
  EXPECT_EQ(test::ReadFile(kept), "");
}

TEST_F(FileTest, ReplaceContentsKeepsModeAndLinkAndLeavesNothingBehind) {
  const std::string target = folder_.File("data.js");
  std::ofstream(target) << "old content, longer than the new one";
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  std::filesystem::create_symlink("data.js", folder_.File("link.js"));
  QVFile file;
  file.Open(folder_.File("link.js"));
  file.ReplaceContents("new", 3);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(test::ReadFile(target), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(folder_.File("link.js")));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Listing(folder_.File("")), (std::set<std::string>{"data.js", "link.js"}));
}

// Past a file-size limit (ulimit -f) a save fails like one on a full disk: the file keeps its
// content and no temporary file is left. In a child process: the limit and the ignored SIGXFSZ
// hold for the whole process.
TEST_F(FileTest, ReplaceContentsPastASizeLimitFailsAndLeavesTheFile) {
  const std::string target = folder_.File("data.js");
  std::ofstream(target) << "old";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstallStopHandlers();  // ignores SIGXFSZ
    const rlimit limit{100, 100};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    QVFile file;
    file.Open(target);
    auto error = CatchQV([&] { file.ReplaceContents(std::string(1000, 'x').data(), 1000); });
    _exit(error && error->GetCode() == kQVErrFileWrite ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(test::ReadFile(target), "old");
  EXPECT_EQ(Listing(folder_.File("")), (std::set<std::string>{"data.js"}));
}

// A link planted by another user is never written through; the user's own links still work.
// Giving a link another owner needs root, as the attack it stands for does.
TEST_F(FileTest, LinksOfOtherUsersAreRefused) {
  const std::string victim = folder_.File("victim.txt");
  std::ofstream(victim) << "keep";
  const std::string own = folder_.File("own.lnk"), foreign = folder_.File("foreign.lnk"),
                    chained = folder_.File("chained.lnk"), dangling = folder_.File("dangling.lnk");
  std::filesystem::create_symlink(victim, own);
  std::filesystem::create_symlink(victim, foreign);
  std::filesystem::create_symlink("foreign.lnk", chained);  // own link to a foreign one
  std::filesystem::create_symlink(folder_.File("created.txt"), dangling);
  const std::string foreign_folder = folder_.File("folder.lnk");
  std::filesystem::create_directory(folder_.File("real"));
  std::filesystem::create_symlink(folder_.File("real"), foreign_folder);
  if (::lchown(foreign.c_str(), 65534, 65534) != 0 ||
      ::lchown(dangling.c_str(), 65534, 65534) != 0 ||
      ::lchown(foreign_folder.c_str(), 65534, 65534) != 0) {
    GTEST_SKIP() << "only root can give a link another owner";
  }
  QVFile file;
  struct Case {
    std::string path;
    bool create;
  };
  for (const Case& test : {Case{foreign, false}, Case{foreign, true}, Case{chained, true},
                           Case{foreign_folder + "/new.txt", true}, Case{dangling, true}}) {
    SCOPED_TRACE(test.path);
    EXPECT_EQ(test::ErrorOf([&] { test.create ? file.Create(test.path) : file.Open(test.path); }),
              test.create ? "code -998, message cannot create file: " + test.path
                          : "code -999, message cannot open file: " + test.path);
  }
  EXPECT_EQ(test::ReadFile(victim), "keep");
  EXPECT_FALSE(std::filesystem::exists(folder_.File("created.txt")));
  EXPECT_FALSE(std::filesystem::exists(folder_.File("real/new.txt")));

  file.Open(own);  // the user's own link: data.js replaced in its target, as before
  ASSERT_EQ(::unlink(own.c_str()), 0);  // swapped for a foreign one before the save
  std::filesystem::create_symlink(victim, own);
  ASSERT_EQ(::lchown(own.c_str(), 65534, 65534), 0);
  EXPECT_EQ(CatchQV([&] { file.ReplaceContents("new", 3); })->GetCode(), kQVErrFileCreate);
  EXPECT_EQ(test::ReadFile(victim), "keep");
}

// Every kind of file the user may name, read with a bound of 8 bytes. A FIFO without a writer
// and an endless device must come back at once, refused, never read.
TEST_F(FileTest, BoundedReadTakesOnlyRegularFilesWithinTheBound) {
  const std::string small = test::WriteText(folder_.File("small"), "abc"),
                    exact = test::WriteText(folder_.File("exact"), "12345678"),
                    large = test::WriteText(folder_.File("large"), "123456789"),
                    fifo = folder_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A regular file within the bound gives its content, any other the refusal's text.
  const struct {
    std::string path;
    QVBoundedCheck check;
    std::string expected;
  } cases[] = {
      {small, QVBoundedCheck::kRegular, "abc"},
      {exact, QVBoundedCheck::kRegular, "12345678"},
      {large, QVBoundedCheck::kTooLarge, large + ": larger than 8 bytes"},
      {fifo, QVBoundedCheck::kNotRegular, fifo + ": not a regular file"},
      {folder_.File(""), QVBoundedCheck::kNotRegular, folder_.File("") + ": not a regular file"},
      {folder_.File("missing"), QVBoundedCheck::kFailed,
       folder_.File("missing") + ": cannot be read: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string content = "old";
    const QVBoundedCheck check = ReadBoundedFile(c.path, 8, content);
    EXPECT_EQ(check, c.check);
    const bool regular = check == QVBoundedCheck::kRegular;
    EXPECT_EQ(content, regular ? c.expected : "");
    if (!regular) {
      EXPECT_EQ(DescribeBoundedRefusal(c.path, check, 8), c.expected);
    }
    uint64_t size = 0;
    if (check != QVBoundedCheck::kFailed) {
      EXPECT_EQ(CheckBoundedPath(c.path, 8, size), check);
    }
  }
}

}  // namespace
}  // namespace Qve
