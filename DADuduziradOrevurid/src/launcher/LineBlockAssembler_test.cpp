#include "launcher/LineBlockAssembler.h"

#include <string>

#include "gtest/gtest.h"

namespace Qva {
namespace {

bool Add(LineBlockAssembler& assembler, const std::string& piece, std::string& block) {
  return assembler.AddPiece(piece.data(), piece.size(), block);
}

TEST(LineBlockAssemblerTest, WholeLinesGoOutTheRestWaits) {
  LineBlockAssembler assembler;
  std::string block;
  std::string lines;
  for (int i = 0; i < 25; ++i) lines += "line " + std::to_string(i) + "\n";
  ASSERT_TRUE(Add(assembler, lines + "par", block));
  EXPECT_EQ(block, lines);
  EXPECT_EQ(assembler.GetPending(), "par");

  EXPECT_FALSE(Add(assembler, "t of a ", block));
  ASSERT_TRUE(Add(assembler, "line\nnext\nunfinished", block));
  EXPECT_EQ(block, "part of a line\nnext\n");
  EXPECT_EQ(assembler.GetPending(), "unfinished");
}

TEST(LineBlockAssemblerTest, HugeLineIsAssembledFromManyPieces) {
  LineBlockAssembler assembler;
  std::string block;
  const std::string piece(16383, 'x');
  size_t pieces = 20 * 1024 * 1024 / piece.size();
  for (size_t i = 0; i < pieces; ++i) ASSERT_FALSE(Add(assembler, piece, block));
  ASSERT_TRUE(Add(assembler, "\n", block));
  EXPECT_EQ(block.size(), pieces * piece.size() + 1);
  EXPECT_EQ(block.back(), '\n');
  EXPECT_EQ(assembler.GetPending(), "");
}

TEST(LineBlockAssemblerTest, NulBytesAreDroppedAndTheLastLineComesOutAtTheEnd) {
  LineBlockAssembler assembler;
  std::string block;
  ASSERT_TRUE(Add(assembler, std::string("one\0\ntw\0o\n\0thr", 14), block));
  EXPECT_EQ(block, "one\ntwo\n");
  EXPECT_FALSE(Add(assembler, std::string("ee\0", 3), block));
  ASSERT_TRUE(assembler.Finish(block));
  EXPECT_EQ(block, "three\n");
  EXPECT_FALSE(assembler.Finish(block));  // nothing held back any more
}

}  // namespace
}  // namespace Qva
