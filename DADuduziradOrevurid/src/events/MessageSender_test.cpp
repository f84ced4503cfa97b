#include "events/MessageSender.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <random>

#include "events/EventContext.h"
#include "events/EventMessage.h"
#include "events/Events.h"
#include "events/TestSubscriber.h"
#include "records/ValidUtf8.h"

namespace {

// An object event whose text is exactly `size` bytes long.
std::shared_ptr<IEvent> EventOfSize(size_t size) {
  const size_t envelope = BuildEventText(ImportEvent(ImportStartPart{}), "").size();
  return std::make_shared<ImportEvent>(
      ImportStartPart{"", std::string(size - envelope, 'x'), "", false});
}

// A sender bound to a free port, and a subscriber to it.
class MessageSenderTest : public ::testing::Test {
 protected:
  EventSystem::EventContext context{1};
  std::shared_ptr<EventSystem::IEventSender> sender =
      context.CreateSender(0, "", EventSystem::kBindMode);
  events_test::TestSubscriber subscriber{events_test::EndpointPort(
      dynamic_cast<EventSystem::MessageSender&>(*sender).GetLastEndpoint())};
};

// Texts longer than half a mebibyte go as several frames of one message; no event sends nothing.
TEST_F(MessageSenderTest, LongTextsAreCutIntoFrames) {
  ASSERT_TRUE(subscriber.Join(*sender, EventOfSize(200)));
  auto next_frames = [this] {
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

// Whatever bytes the import printed, a subscriber receives JSON that a validating parser takes
// as UTF-8, holding the texts with exactly their invalid parts replaced.
TEST_F(MessageSenderTest, AnyBytesArriveAsValidUtf8Json) {
  const auto probe = std::make_shared<ImportEvent>(ImportStartPart{"probe", "", "", false});
  ASSERT_TRUE(subscriber.Join(*sender, probe));
  // Pieces that break UTF-8 or JSON when passed on as they are, and plain ones between them.
  const std::vector<std::string> pieces = {
      "\xFF",     "\xFE", "\xED\xA0\x80", "\xEF\xBF\xBE", "\xC3",     "\xF4\x90\x80\x80",
      "\xC0\xAF", "\"",   "\\",           "\x01",         "\xC3\xA9", "\xF0\x9F\x98\x80",
      "ORA-",     " "};
  std::mt19937 random(31);
  auto text = [&] {
    std::string out;
    for (int n = std::uniform_int_distribution<int>(0, 12)(random); n > 0; --n) {
      const size_t pick = std::uniform_int_distribution<size_t>(0, pieces.size())(random);
      out +=
          pick < pieces.size() ? pieces[pick] : std::string(1, static_cast<char>(random() & 0xFF));
    }
    return out;
  };
  for (int round = 0; round < 200; ++round) {
    const std::string name = text(), file = text();
    sender->Send(std::make_shared<ImportEvent>(ImportStartPart{file, name, "Table", false}));
    std::string received;
    do {
      received = subscriber.Receive();
    } while (received.find("\"probe\"") != std::string::npos);
    rapidjson::Document parsed;
    parsed.Parse<rapidjson::kParseValidateEncodingFlag>(received.c_str(), received.size());
    ASSERT_FALSE(parsed.HasParseError()) << round << ": " << received;
    EXPECT_EQ(parsed["data"]["objectImportName"].GetString(), Qva::ValidUtf8(name));
    EXPECT_EQ(parsed["data"]["filename"].GetString(), Qva::ValidUtf8(file));
  }
}

}  // namespace
