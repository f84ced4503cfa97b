#include "events/MessageSender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "events/EventContext.h"
#include "events/EventMessage.h"
#include "events/Events.h"
#include "events/TestSubscriber.h"

namespace {

using events_test::EndpointPort;
using events_test::FreeTcpPort;
using events_test::TestSubscriber;
using namespace std::chrono_literals;

std::shared_ptr<IEvent> ObjectNamed(const std::string& name) {
  return std::make_shared<ImportEvent>(ImportStartPart{"s.bat", name, "Table", false});
}

// An object event whose text is exactly `size` bytes long.
std::shared_ptr<IEvent> EventOfSize(size_t size) {
  const size_t envelope = BuildEventText(*ObjectNamed(""), "").size();
  return ObjectNamed(std::string(size - envelope, 'x'));
}

// A sender on an ephemeral port with a subscriber that has joined; NextFrames skips probes.
class SenderTest : public testing::Test {
 protected:
  void SetUp() override {
    auto sender = context_.CreateSender(0, "", EventSystem::kBindMode);
    sender_ = std::dynamic_pointer_cast<EventSystem::MessageSender>(sender);
    ASSERT_NE(sender_, nullptr);
    subscriber_.emplace(EndpointPort(sender_->GetLastEndpoint()));
    ASSERT_TRUE(events_test::WaitForSubscription(*sender_, *subscriber_, probe_));
  }

  std::vector<std::string> NextFrames() {
    const std::string probe = BuildEventText(*probe_, "");
    for (;;) {
      auto frames = subscriber_->ReceiveFrames();
      if (frames.size() != 1 || frames[0] != probe) return frames;
    }
  }

  EventSystem::EventContext context_{1};
  std::shared_ptr<EventSystem::MessageSender> sender_;
  std::optional<TestSubscriber> subscriber_;
  std::shared_ptr<IEvent> probe_ = std::make_shared<ProgressEvent>(0, 0.0);
};

TEST_F(SenderTest, LongTextsAreCutIntoFramesOfHalfAMebibyte) {
  auto exact = EventOfSize(EventSystem::kMaxFrameSize);
  auto longer = EventOfSize(EventSystem::kMaxFrameSize + 1);
  auto marker = ObjectNamed("marker");
  sender_->Send(exact);
  sender_->Send(longer);
  sender_->Send(nullptr);
  sender_->Send(std::make_shared<events_test::EmptyEvent>());
  sender_->Send(marker);

  auto frames = NextFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], BuildEventText(*exact, ""));

  frames = NextFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].size(), EventSystem::kMaxFrameSize);
  EXPECT_EQ(frames[1].size(), 1u);
  EXPECT_EQ(frames[0] + frames[1], BuildEventText(*longer, ""));

  EXPECT_EQ(NextFrames(), std::vector<std::string>{BuildEventText(*marker, "")});
}

TEST(MessageSenderTest, CloseUnbindsOpenRebindsClosedSocketDropsSilently) {
  const uint16_t port = FreeTcpPort();
  EventSystem::EventContext context(1);
  auto sender = context.CreateSender(port, "", EventSystem::kBindMode);
  auto& message_sender = dynamic_cast<EventSystem::MessageSender&>(*sender);
  EXPECT_EQ(message_sender.GetAddress(), "tcp://*:" + std::to_string(port));

  try {
    sender->Open();
    ADD_FAILURE() << "bound the same port twice";
  } catch (const zmq::error_t& e) {
    EXPECT_EQ(e.num(), EADDRINUSE);
  }

  sender->Close();
  sender->Close();  // nothing bound any more: ignored
  // ZeroMQ releases the port on its I/O thread, shortly after the unbind.
  bool reopened = false;
  for (int i = 0; i < 100 && !reopened; ++i) {
    try {
      sender->Open();
      reopened = true;
    } catch (const zmq::error_t&) {
      std::this_thread::sleep_for(20ms);
    }
  }
  EXPECT_TRUE(reopened);
  EXPECT_EQ(EndpointPort(message_sender.GetLastEndpoint()), port);

  sender->CloseSocket();
  EXPECT_EQ(message_sender.GetLastEndpoint(), "");
  EXPECT_NO_THROW(sender->Send(ObjectNamed("lost")));
  sender->Close();
  sender->CloseSocket();
}

}  // namespace
