#include "events/MessageSender.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "events/EventMessage.h"

namespace EventSystem {

namespace {

constexpr int kLingerMs = 200;

}  // namespace

MessageSender::MessageSender(zmq::context_t& context, int socket_type, uint16_t port,
                             std::string_view prefix, uint32_t mode, int32_t send_timeout_ms)
    : address_(mode == kBindMode ? "tcp://*:30001" : "tcp://127.0.0.1:30001"),
      prefix_(prefix),
      socket_(context, socket_type),
      context_(&context),
      mode_(mode) {
  socket_.set(zmq::sockopt::sndtimeo, send_timeout_ms);
  if (port != kDefaultEventPort) {
    address_.replace(address_.rfind(':') + 1, std::string::npos, std::to_string(port));
  }
  socket_.set(zmq::sockopt::linger, kLingerMs);
  if (mode_ == kBindMode) {
    socket_.bind(address_);
  } else {
    socket_.connect(address_);
  }
}

MessageSender::~MessageSender() {
  Close();
  CloseSocket();
}

void MessageSender::Open() {
  std::lock_guard lock(mutex_);
  if (mode_ == kBindMode) {
    socket_.bind(address_);
  } else {
    socket_.connect(address_);
  }
}

void MessageSender::Close() {
  std::lock_guard lock(mutex_);
  if (socket_.handle() == nullptr) return;
  try {
    if (mode_ == kBindMode) {
      socket_.unbind(socket_.get(zmq::sockopt::last_endpoint, 1024));
    } else {
      socket_.disconnect(address_);
    }
  } catch (const zmq::error_t&) {
    // Not bound or connected (any more): nothing to undo.
  }
}

void MessageSender::CloseSocket() {
  std::lock_guard lock(mutex_);
  if (socket_.handle() == nullptr) return;
  socket_.close();
  context_ = nullptr;
}

std::string MessageSender::GetLastEndpoint() const {
  std::lock_guard lock(mutex_);
  if (socket_.handle() == nullptr) return {};
  return socket_.get(zmq::sockopt::last_endpoint, 1024);
}

void MessageSender::Send(const std::shared_ptr<IEvent>& event) {
  std::lock_guard lock(mutex_);
  if (!event) return;
  const std::string text = BuildEventText(*event, prefix_);
  if (text.empty()) return;
  try {
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
      if (SendFrames(text)) return;
    }
  } catch (const zmq::error_t& error) {
    if (error.num() == ENOMEM) throw std::length_error("Event message is too big");
    // The wizard is optional: a transport failure loses this message and the import goes on.
    return;
  }
  throw std::invalid_argument("Failed to wait message reciever");
}

bool MessageSender::SendFrames(const std::string& text) {
  const size_t count = (text.size() + kMaxFrameSize - 1) / kMaxFrameSize;
  for (size_t k = 0; k < count; ++k) {
    const size_t offset = k * kMaxFrameSize;
    const size_t size = std::min(kMaxFrameSize, text.size() - offset);
    const auto flags = k + 1 < count ? zmq::send_flags::sndmore : zmq::send_flags::none;
    // An empty result is ZeroMQ's EAGAIN: the send timeout ran out.
    if (!socket_.send(zmq::const_buffer(text.data() + offset, size), flags)) return false;
  }
  return true;
}

}  // namespace EventSystem
