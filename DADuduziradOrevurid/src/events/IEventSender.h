// The transport interface of the wizard channel.
#pragma once

#include <memory>

#include "events/IEvent.h"

namespace EventSystem {

class IEventSender {
 public:
  virtual ~IEventSender() = default;

  // Binds (bind mode) or connects (connect mode) the socket to its address again.
  virtual void Open() = 0;
  // Undoes Open; failures are ignored.
  virtual void Close() = 0;
  // Closes the socket; later sends are lost silently.
  virtual void CloseSocket() = 0;
  // Sends one event as one message. Thread-safe: messages never interleave their frames.
  virtual void Send(const std::shared_ptr<IEvent>& event) = 0;
};

}  // namespace EventSystem
