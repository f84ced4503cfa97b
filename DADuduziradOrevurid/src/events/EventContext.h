// The ZeroMQ context of the wizard channel and the senders created on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>
#include <zmq.hpp>

#include "events/IEventSender.h"

namespace EventSystem {

class EventContext {
 public:
  // Creates the context with ZMQ_BLOCKY 0; 2 or more `io_threads` set ZMQ_IO_THREADS, 1 keeps
  // ZeroMQ's single I/O thread. Failures throw zmq::error_t.
  explicit EventContext(uint16_t io_threads);
  // Closes the socket of every sender (in creation order), shuts the context down and
  // terminates it. Pending messages are kept at most the senders' linger time (200 ms).
  ~EventContext();
  EventContext(const EventContext&) = delete;
  EventContext& operator=(const EventContext&) = delete;

  // A PUB MessageSender with a 10 s send timeout, kept in this context's list. Senders that
  // outlive the context have a closed socket and drop what they are given.
  std::shared_ptr<IEventSender> CreateSender(uint16_t port, std::string_view prefix, uint32_t mode);

 private:
  zmq::context_t context_;
  std::vector<std::shared_ptr<IEventSender>> senders_;
};

}  // namespace EventSystem
