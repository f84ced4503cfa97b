#include "launcher/LineBlockAssembler.h"

#include <string>

#include "gtest/gtest.h"

namespace Qva {
namespace {

bool Add(LineBlockAssembler& assembler, const std::string& piece, std::string& block) {
  return assembler.AddPiece(piece.data(), piece.size(), block);
}

// Whole lines go out, the rest waits; NUL bytes are dropped; the last line comes out at the end.
// (A huge line from many pipe reads is the launcher end-to-end tests' "blocks".)
TEST(LineBlockAssemblerTest, WholeLinesGoOutTheRestWaits) {
  LineBlockAssembler assembler;
  std::string block;
  ASSERT_TRUE(Add(assembler, std::string("one\0\ntw\0o\n\0par", 14), block));
  EXPECT_EQ(block, "one\ntwo\n");
  EXPECT_EQ(assembler.GetPending(), "par");
  EXPECT_FALSE(Add(assembler, std::string("t of a\0 ", 8), block));
  ASSERT_TRUE(Add(assembler, "line\nnext\nunfinished", block));
  EXPECT_EQ(block, "part of a line\nnext\n");
  ASSERT_TRUE(assembler.Finish(block));
  EXPECT_EQ(block, "unfinished\n");
  EXPECT_FALSE(assembler.Finish(block));  // nothing held back any more
}

}  // namespace
}  // namespace Qva
