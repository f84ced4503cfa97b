#include "actions/SimpleActionManager.h"

#include <gtest/gtest.h>

#include "QVETestSupport.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

// Ids count up from 1 in registration order; a repeated name keeps its first action, names are
// case-sensitive and a missing one is traced; a taken id throws.
TEST(SimpleActionManagerTest, RegistrationAndLookup) {
  SimpleActionManager manager;
  for (int32_t id = 1; id <= 3; ++id) {
    auto action = [id](void*, const TextLines&, TextLines&) { return id; };
    EXPECT_EQ(manager.AddAction(id == 2 ? "Second" : "First", action), static_cast<uint32_t>(id));
  }
  TextLines groups;
  EXPECT_EQ(manager.GetAction(2u)(nullptr, {}, groups), 2);
  EXPECT_EQ(manager.GetAction("First")(nullptr, {}, groups), 1);
  test::TraceCapture trace;
  EXPECT_FALSE(manager.GetAction("first"));
  EXPECT_FALSE(manager.GetAction(99u));
  EXPECT_EQ(trace.Count("[DBG] Analyze action manager> Can't find action first"), 1u);

  auto error = Qve::test::CatchQV([&] { manager.AddAction(2, "Other", {}); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), -22);
  EXPECT_EQ(error->GetMessage(), "Error create action");
}

}  // namespace
}  // namespace Qva
