#include "QVEBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace Qve {
namespace {

TEST(BufferTest, GrowsByDoublingNeverBelowTheRequestAndNeverShrinks) {
  QVBuffer buffer;
  buffer.SetData("0123456789", 10);
  EXPECT_EQ(buffer.capacity, 10u);
  buffer.Resize(11);
  EXPECT_EQ(buffer.capacity, 20u);
  EXPECT_EQ(std::memcmp(buffer.data, "0123456789", 10), 0);
  buffer.Resize(50);
  EXPECT_EQ(buffer.capacity, 50u);
  buffer.Resize(3);
  EXPECT_EQ(buffer.capacity, 50u);
  EXPECT_EQ(buffer.size, 3u);
}

TEST(BufferTest, AllocateKeepsTheBlockOnlyAtTheSameCapacity) {
  QVBuffer buffer(4);
  std::memcpy(buffer.data, "abcd", 4);
  char* block = buffer.data;
  buffer.Allocate(4);
  EXPECT_EQ(buffer.data, block);
  buffer.Reallocate(8);
  EXPECT_EQ(std::memcmp(buffer.data, "abcd", 4), 0);
  buffer.Free();
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.capacity, 0u);
  EXPECT_EQ(buffer.size, 4u);  // size belongs to the user
}

}  // namespace
}  // namespace Qve
