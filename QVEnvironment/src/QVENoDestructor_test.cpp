#include "QVENoDestructor.h"

#include <gtest/gtest.h>

namespace Qve {
namespace {

class Counted {
 public:
  Counted(int& destroyed, int value) : destroyed_(destroyed), value_(value) {}
  ~Counted() { ++destroyed_; }
  int Value() const { return value_; }

 private:
  int& destroyed_;
  int value_;
};

TEST(QVNoDestructorTest, BuildsFromItsArgumentsAndNeverDestroys) {
  int destroyed = 0;
  {
    QVNoDestructor<Counted> holder(destroyed, 7);
    EXPECT_EQ(holder.Get().Value(), 7);
  }
  EXPECT_EQ(destroyed, 0);
}

}  // namespace
}  // namespace Qve
