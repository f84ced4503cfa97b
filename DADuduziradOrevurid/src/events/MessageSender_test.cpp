#include "events/MessageSender.h"

#include <gtest/gtest.h>

#include "events/EventContext.h"
#include "events/EventMessage.h"
#include "events/Events.h"
#include "events/TestSubscriber.h"

namespace {

// An object event whose text is exactly `size` bytes long.
std::shared_ptr<IEvent> EventOfSize(size_t size) {
  const size_t envelope = BuildEventText(ImportEvent(ImportStartPart{}), "").size();
  return std::make_shared<ImportEvent>(
      ImportStartPart{"", std::string(size - envelope, 'x'), "", false});
}

// Texts longer than half a mebibyte go as several frames of one message; no event sends nothing.
TEST(MessageSenderTest, LongTextsAreCutIntoFrames) {
  EventSystem::EventContext context(1);
  auto sender = context.CreateSender(0, "", EventSystem::kBindMode);
  auto& message_sender = dynamic_cast<EventSystem::MessageSender&>(*sender);
  events_test::TestSubscriber subscriber(
      events_test::EndpointPort(message_sender.GetLastEndpoint()));
  ASSERT_TRUE(subscriber.Join(*sender, EventOfSize(200)));
  auto next_frames = [&subscriber] {
    for (;;) {
      auto frames = subscriber.ReceiveFrames();
      if (frames.size() != 1 || frames[0].size() != 200) return frames;  // no probe
    }
  };
  const auto exact = EventOfSize(EventSystem::kMaxFrameSize);
  const auto longer = EventOfSize(EventSystem::kMaxFrameSize + 1);
  for (const auto& event : {exact, longer, std::shared_ptr<IEvent>(), exact}) sender->Send(event);
  EXPECT_EQ(next_frames(), std::vector<std::string>{BuildEventText(*exact, "")});
  const std::string text = BuildEventText(*longer, "");
  EXPECT_EQ(next_frames(), (std::vector<std::string>{text.substr(0, text.size() - 1), "}"}));
  EXPECT_EQ(next_frames(), std::vector<std::string>{BuildEventText(*exact, "")});
}

}  // namespace
