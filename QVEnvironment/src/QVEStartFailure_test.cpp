#include "QVEStartFailure.h"

#include <errno.h>
#include <sys/stat.h>

#include <fstream>

#include "QVETestSupport.h"
#include "gtest/gtest.h"

namespace Qve {
namespace {

// Scripts that the kernel refuses, each with the cause its first line gives; scripts whose
// first line explains nothing, and other errors, give none. ("#!/bin/sh" with a CR is the
// launcher end-to-end tests'.)
TEST(QVEStartFailureTest, TheScriptsFirstLineNamesTheCause) {
  test::TempFolder folder;
  const std::string text_file = folder.File("interpreter.txt");
  std::ofstream(text_file) << "not a program\n";
  chmod(text_file.c_str(), 0644);
  const struct {
    const char* name;
    std::string text;
    int error;
    std::string cause;
  } cases[] = {
      {"crlf-env.sh", "#! /usr/bin/env bash\r\n", ENOENT,
       "the script has Windows line ends (CR LF): its first line asks for the interpreter "
       "\"/usr/bin/env\", which does not exist; convert the script to Unix line ends (LF)"},
      {"missing.sh", "#!/bin/nothere -e\n", ENOENT,
       "its interpreter \"/bin/nothere\" (first line) does not exist"},
      {"noexec.sh", "#!" + text_file + "\n", EACCES,
       "its interpreter \"" + text_file + "\" (first line) cannot be run"},
      {"fine.sh", "#!/bin/sh\necho hi\n", ENOENT, ""},
      {"plain.sh", "echo hi\r\n", ENOENT, ""},
      {"crlf-other.sh", "#!/bin/sh\r\n", EIO, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(folder.File(c.name), std::ios::binary) << c.text;
    EXPECT_EQ(DescribeStartFailure(folder.File(c.name), c.error), c.cause);
  }
  EXPECT_EQ(DescribeStartFailure(folder.File("absent.sh"), ENOENT), "");
  // A FIFO (never opened: it would wait for a writer) or a device named as the script says
  // nothing, at once.
  const std::string fifo = folder.File("fifo.sh");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0700), 0);
  EXPECT_EQ(DescribeStartFailure(fifo, EACCES), "");
  EXPECT_EQ(DescribeStartFailure("/dev/zero", EACCES), "");
}

}  // namespace
}  // namespace Qve
