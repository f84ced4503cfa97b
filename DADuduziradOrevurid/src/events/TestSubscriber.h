// A real ZeroMQ subscriber on loopback for the event channel's tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "events/IEvent.h"
#include "events/IEventSender.h"

namespace events_test {

// The port of an endpoint such as "tcp://0.0.0.0:41234".
inline uint16_t EndpointPort(const std::string& endpoint) {
  return static_cast<uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
}

// A port the system just handed out and released, so parallel test runs do not collide; never
// the same one twice in a process.
inline uint16_t FreeTcpPort() {
  static std::set<uint16_t> handed_out;
  zmq::context_t context;
  for (;;) {
    zmq::socket_t probe(context, zmq::socket_type::pub);
    probe.set(zmq::sockopt::linger, 0);
    probe.bind("tcp://*:0");
    const uint16_t port = EndpointPort(probe.get(zmq::sockopt::last_endpoint));
    if (handed_out.insert(port).second) return port;
  }
}

// Subscribes to everything on 127.0.0.1:<port>; connecting before the publisher binds is fine.
// Receives give up after 10 s so a lost message fails instead of hanging. A `slow` subscriber
// queues one message and a small TCP buffer, so a publisher soon has messages it cannot deliver.
class TestSubscriber {
 public:
  explicit TestSubscriber(uint16_t port, bool slow = false)
      : socket_(context_, zmq::socket_type::sub) {
    socket_.set(zmq::sockopt::linger, 0);
    socket_.set(zmq::sockopt::rcvtimeo, 10000);
    if (slow) {
      socket_.set(zmq::sockopt::rcvhwm, 1);
      socket_.set(zmq::sockopt::rcvbuf, 65536);
    }
    socket_.set(zmq::sockopt::subscribe, "");
    socket_.connect("tcp://127.0.0.1:" + std::to_string(port));
  }

  // The frames of the next message; empty after the time-out.
  std::vector<std::string> ReceiveFrames() {
    std::vector<zmq::message_t> parts;
    if (!zmq::recv_multipart(socket_, std::back_inserter(parts))) return {};
    std::vector<std::string> frames;
    for (const auto& part : parts) frames.push_back(part.to_string());
    return frames;
  }

  // The next message's frames joined.
  std::string Receive() {
    std::string text;
    for (const auto& frame : ReceiveFrames()) text += frame;
    return text;
  }

  bool HasMessage(std::chrono::milliseconds wait) {
    zmq::pollitem_t item{socket_.handle(), 0, ZMQ_POLLIN, 0};
    return zmq::poll(&item, 1, wait) > 0;
  }

 private:
  zmq::context_t context_;
  zmq::socket_t socket_;
};

// A PUB socket drops messages until the subscription has arrived: sends `probe` until the
// subscriber has a message. Late probes may still follow.
inline bool WaitForSubscription(EventSystem::IEventSender& sender, TestSubscriber& subscriber,
                                const std::shared_ptr<IEvent>& probe) {
  for (int i = 0; i < 200; ++i) {
    sender.Send(probe);
    if (subscriber.HasMessage(std::chrono::milliseconds(100))) return true;
  }
  return false;
}

}  // namespace events_test
