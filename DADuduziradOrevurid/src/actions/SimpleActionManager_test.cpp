#include "actions/SimpleActionManager.h"

#include <gtest/gtest.h>

#include <memory>

#include "QVEException.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

ActionFunction Returning(int32_t value) {
  return [value](void*, const TextLines&, TextLines&) { return value; };
}

int32_t Call(const ActionFunction& action) {
  TextLines groups;
  return action(nullptr, {}, groups);
}

TEST(SimpleActionManagerTest, NamesGetIdsInRegistrationOrder) {
  SimpleActionManager manager;
  EXPECT_EQ(manager.AddAction("First", Returning(1)), 1u);
  EXPECT_EQ(manager.AddAction("Second", Returning(2)), 2u);
  EXPECT_EQ(Call(manager.GetAction(2u)), 2);
  EXPECT_EQ(Call(manager.GetAction("First")), 1);
  // Names repeat; the first registration wins. Lookup is case-sensitive.
  EXPECT_EQ(manager.AddAction("First", Returning(3)), 3u);
  EXPECT_EQ(Call(manager.GetAction("First")), 1);
  test::TraceCapture trace;
  EXPECT_FALSE(manager.GetAction("first"));
  EXPECT_FALSE(manager.GetAction(99u));
  EXPECT_EQ(trace.Count("[DBG] Analyze action manager> Can't find action first"), 1u)
      << trace.Text();
  EXPECT_EQ(trace.Count("Can't find action"), 1u);  // the id lookup traces nothing
}

TEST(SimpleActionManagerTest, DuplicateIdThrowsAndLeavesTheRegistry) {
  SimpleActionManager manager;
  manager.AddAction(5, "Five", Returning(5));
  try {
    manager.AddAction(5, "Other", Returning(6));
    FAIL() << "no exception";
  } catch (Qve::QVException* error) {
    std::unique_ptr<Qve::QVException> owned(error);
    EXPECT_EQ(error->GetCode(), -22);
    EXPECT_EQ(error->GetMessage(), "Error create action");
    EXPECT_EQ(error->GetLine(), 48u);
  }
  EXPECT_EQ(manager.GetEntries().size(), 1u);
  // By-name registration counts on from its own counter.
  EXPECT_EQ(manager.AddAction("One", Returning(1)), 1u);
  // Removing an absent key changes nothing.
  EXPECT_FALSE(manager.RemoveAction("missing"));
  EXPECT_FALSE(manager.RemoveAction(9u));
  EXPECT_TRUE(manager.RemoveAction(5u));
  EXPECT_EQ(manager.GetEntries().size(), 1u);
}

}  // namespace
}  // namespace Qva
