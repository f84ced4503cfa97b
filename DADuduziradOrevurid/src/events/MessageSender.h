// The ZeroMQ sender of wizard events.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <zmq.hpp>

#include "events/IEventSender.h"

namespace EventSystem {

inline constexpr uint32_t kBindMode = 0;
inline constexpr uint32_t kConnectMode = 1;  // any value but 0 connects
inline constexpr uint16_t kDefaultEventPort = 30001;
// Larger texts are cut into several frames of one multipart message.
inline constexpr size_t kMaxFrameSize = 524288;
inline constexpr int kSendAttempts = 3;

// One socket on a context owned elsewhere (EventContext), bound to "tcp://*:<port>" in bind mode
// or connected to "tcp://127.0.0.1:<port>" in connect mode. ZeroMQ failures while constructing,
// in Open, and in Send (below) are thrown as zmq::error_t.
class MessageSender : public IEventSender {
 public:
  // Creates the socket of `socket_type`, sets ZMQ_SNDTIMEO to `send_timeout_ms` and ZMQ_LINGER
  // to 200 ms, then binds or connects. Port 0 binds an ephemeral port (see GetLastEndpoint).
  MessageSender(zmq::context_t& context, int socket_type, uint16_t port, std::string_view prefix,
                uint32_t mode, int32_t send_timeout_ms);
  // Close, then close the socket if it is still open.
  ~MessageSender() override;
  MessageSender(const MessageSender&) = delete;
  MessageSender& operator=(const MessageSender&) = delete;

  void Open() override;
  // Bind mode unbinds the socket's last bound endpoint (the resolved address, which is what
  // ZeroMQ can unbind); connect mode disconnects.
  void Close() override;
  void CloseSocket() override;
  // Builds the event text (BuildEventText with this sender's prefix) and sends it in frames of
  // at most kMaxFrameSize bytes, all but the last with the "more" flag. A frame that times out
  // restarts the message, at most kSendAttempts times in all; then std::invalid_argument
  // "Failed to wait message reciever". ZeroMQ out of memory: std::length_error "Event message
  // is too big". Any other ZeroMQ error loses the message silently.
  void Send(const std::shared_ptr<IEvent>& event) override;

  // The endpoint ZeroMQ last bound or connected, e.g. "tcp://0.0.0.0:30001"; empty when closed.
  std::string GetLastEndpoint() const;

 private:
  // False when a frame timed out.
  bool SendFrames(const std::string& text);

  std::string address_;
  std::string prefix_;
  zmq::socket_t socket_;
  zmq::context_t* context_;
  uint32_t mode_;
  mutable std::mutex mutex_;
};

}  // namespace EventSystem
