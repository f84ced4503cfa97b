#include "events/EventMessage.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <stdexcept>

#include "records/ValidUtf8.h"

std::string BuildEventText(const IEvent& event, std::string_view prefix) {
  if (event.Empty()) return {};

  rapidjson::Document document(rapidjson::kObjectType);
  auto& allocator = document.GetAllocator();
  const std::string_view type = event.EventType();
  document.AddMember(
      "type",
      rapidjson::Value(type.data(), static_cast<rapidjson::SizeType>(type.size()), allocator),
      allocator);
  document.AddMember("data", event.ToJson(allocator), allocator);

  // The compact writer prints doubles in the shortest form that reads back to the same value,
  // and refuses NaN and infinities.
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  if (!document.Accept(writer)) throw std::invalid_argument("Failed to build json from event");

  std::string text;
  if (!prefix.empty()) {
    text.reserve(prefix.size() + 1 + buffer.GetSize());
    text.append(prefix);
    text.push_back('|');
  }
  text.append(buffer.GetString(), buffer.GetSize());
  // The strings carry bytes of the import's output as they came; a subscriber's JSON parser
  // wants UTF-8. JSON's own characters are ASCII, which the repair leaves alone.
  return Qva::ValidUtf8(text);
}
