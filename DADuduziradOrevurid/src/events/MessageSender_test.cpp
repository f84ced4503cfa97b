#include "events/MessageSender.h"

#include <gtest/gtest.h>

#include "events/EventContext.h"
#include "events/EventMessage.h"
#include "events/Events.h"
#include "events/TestSubscriber.h"

namespace {

std::shared_ptr<IEvent> ObjectNamed(const std::string& name) {
  return std::make_shared<ImportEvent>(ImportStartPart{"s.bat", name, "Table", false});
}

// An object event whose text is exactly `size` bytes long.
std::shared_ptr<IEvent> EventOfSize(size_t size) {
  const size_t envelope = BuildEventText(*ObjectNamed(""), "").size();
  return ObjectNamed(std::string(size - envelope, 'x'));
}

// Texts longer than half a mebibyte go as several frames of one message; no event sends
// nothing; once the socket is closed, events are dropped silently.
TEST(MessageSenderTest, FramesAndClosedSocket) {
  EventSystem::EventContext context(1);
  auto sender = context.CreateSender(0, "", EventSystem::kBindMode);
  auto& message_sender = dynamic_cast<EventSystem::MessageSender&>(*sender);
  events_test::TestSubscriber subscriber(
      events_test::EndpointPort(message_sender.GetLastEndpoint()));
  auto probe = std::make_shared<ProgressEvent>(0, 0.0);
  ASSERT_TRUE(events_test::WaitForSubscription(*sender, subscriber, probe));
  auto next_frames = [&, probe_text = BuildEventText(*probe, "")] {
    for (;;) {
      auto frames = subscriber.ReceiveFrames();
      if (frames.size() != 1 || frames[0] != probe_text) return frames;
    }
  };

  auto exact = EventOfSize(EventSystem::kMaxFrameSize);
  auto longer = EventOfSize(EventSystem::kMaxFrameSize + 1);
  auto marker = ObjectNamed("marker");
  sender->Send(exact);
  sender->Send(longer);
  sender->Send(nullptr);
  sender->Send(marker);
  EXPECT_EQ(next_frames(), std::vector<std::string>{BuildEventText(*exact, "")});
  auto frames = next_frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].size(), EventSystem::kMaxFrameSize);
  EXPECT_EQ(frames[0] + frames[1], BuildEventText(*longer, ""));
  EXPECT_EQ(next_frames(), std::vector<std::string>{BuildEventText(*marker, "")});

  sender->CloseSocket();
  EXPECT_EQ(message_sender.GetLastEndpoint(), "");
  EXPECT_NO_THROW(sender->Send(marker));
}

}  // namespace
