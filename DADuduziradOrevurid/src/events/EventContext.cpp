#include "events/EventContext.h"

#include "events/MessageSender.h"

namespace EventSystem {

namespace {

constexpr int32_t kSendTimeoutMs = 10000;

}  // namespace

EventContext::EventContext(uint16_t io_threads) {
  // Not blocky: terminating the context must not wait forever for unsent messages.
  context_.set(zmq::ctxopt::blocky, 0);
  if (io_threads >= 2) context_.set(zmq::ctxopt::io_threads, io_threads);
}

EventContext::~EventContext() {
  for (const auto& sender : senders_) sender->CloseSocket();
  context_.shutdown();
  // zmq_ctx_term, repeated while a signal interrupts it (EINTR).
  context_.close();
  senders_.clear();
}

std::shared_ptr<IEventSender> EventContext::CreateSender(uint16_t port, std::string_view prefix,
                                                         uint32_t mode) {
  auto sender =
      std::make_shared<MessageSender>(context_, ZMQ_PUB, port, prefix, mode, kSendTimeoutMs);
  senders_.push_back(sender);
  return sender;
}

}  // namespace EventSystem
