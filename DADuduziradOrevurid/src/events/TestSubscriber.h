// A real ZeroMQ subscriber on loopback for the event channel's tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
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

// A port the system just handed out and released, so that parallel test runs do not collide.
inline uint16_t FreeTcpPort() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::pub);
  probe.bind("tcp://*:0");
  return EndpointPort(probe.get(zmq::sockopt::last_endpoint));
}

// Subscribes to everything on 127.0.0.1:<port>, also before the publisher binds. A receive
// gives up after 10 s, so that a lost message fails instead of hanging. A `slow` subscriber
// queues one message in a small TCP buffer, so a publisher soon has messages it cannot deliver.
class TestSubscriber {
 public:
  explicit TestSubscriber(uint16_t port, bool slow = false) {
    socket_.set(zmq::sockopt::linger, 0);
    socket_.set(zmq::sockopt::rcvtimeo, 10000);
    socket_.set(zmq::sockopt::rcvhwm, slow ? 1 : 1000);
    if (slow) socket_.set(zmq::sockopt::rcvbuf, 65536);
    socket_.set(zmq::sockopt::subscribe, "");
    socket_.connect("tcp://127.0.0.1:" + std::to_string(port));
  }

  // The frames of the next message; none after the time-out.
  std::vector<std::string> ReceiveFrames() {
    std::vector<zmq::message_t> parts;
    static_cast<void>(zmq::recv_multipart(socket_, std::back_inserter(parts)));
    std::vector<std::string> frames;
    for (const auto& part : parts) frames.push_back(part.to_string());
    return frames;
  }

  std::string Receive() {
    std::string text;
    for (const auto& frame : ReceiveFrames()) text += frame;
    return text;
  }

  // A PUB socket drops messages until the subscription has arrived: sends `probe` until one
  // arrives. Late probes may still follow.
  bool Join(EventSystem::IEventSender& sender, const std::shared_ptr<IEvent>& probe) {
    zmq::pollitem_t item{socket_.handle(), 0, ZMQ_POLLIN, 0};
    for (int i = 0; i < 200; ++i) {
      sender.Send(probe);
      if (zmq::poll(&item, 1, std::chrono::milliseconds(100)) > 0) return true;
    }
    return false;
  }

 private:
  zmq::context_t context_;
  zmq::socket_t socket_{context_, zmq::socket_type::sub};
};

}  // namespace events_test
