// The event interface of the wizard channel and its common base.
#pragma once

#include <rapidjson/document.h>

#include <string_view>

// One fact about the import that the wizard shows. Events are created as shared objects and
// handed to an EventSystem::IEventSender as std::shared_ptr<IEvent>.
class IEvent {
 public:
  virtual ~IEvent() = default;

  // The message type name, written as the envelope's "type".
  virtual std::string_view EventType() const = 0;
  // The message's "data" object, allocated with `allocator` (the message document's).
  virtual rapidjson::Value ToJson(rapidjson::Document::AllocatorType& allocator) const = 0;
  // True when the event has nothing to send; the sender then sends nothing.
  virtual bool Empty() const = 0;

 protected:
  // The hook that Empty consults.
  virtual bool EmptyCheck() const = 0;
};

// Every concrete event derives from this: Empty answers EmptyCheck, which answers false.
class Event : public IEvent {
 public:
  bool Empty() const override { return EmptyCheck(); }

 protected:
  bool EmptyCheck() const override { return false; }
};
