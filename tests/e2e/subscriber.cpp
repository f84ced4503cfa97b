// Records every message of MigrationLauncher's event channel for the end-to-end checks.
//
//   ml_e2e_subscriber PORT FILE [SECONDS]
//
// Connects a SUB socket to tcp://127.0.0.1:PORT, subscribes to everything and appends each
// message to FILE as one line: the number of frames, a blank, and the frames joined. The event
// texts are compact JSON, so a message never holds a line feed of its own. The file is flushed
// after every message. Ends on SIGTERM or SIGINT, or after SECONDS (default 300) so that a
// forgotten subscriber cannot outlive the suite.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>
#include <zmq.hpp>
#include <zmq_addon.hpp>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void RequestStop(int) { stop_requested = 1; }

// Receives one message if one is waiting and appends it to `out`; false when none was.
bool RecordOne(zmq::socket_t& socket, std::ofstream& out) {
  std::vector<zmq::message_t> frames;
  if (!zmq::recv_multipart(socket, std::back_inserter(frames), zmq::recv_flags::dontwait))
    return false;
  std::string text;
  for (const auto& frame : frames) text += frame.to_string();
  out << frames.size() << ' ' << text << '\n' << std::flush;
  return true;
}

int Usage() {
  std::cerr << "usage: ml_e2e_subscriber PORT FILE [SECONDS]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage();
  const long port = std::strtol(argv[1], nullptr, 10);
  const long seconds = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 300;
  if (port <= 0 || port > 65535 || seconds <= 0) return Usage();

  std::ofstream out(argv[2], std::ios::binary | std::ios::app);
  if (!out) {
    std::cerr << "cannot open " << argv[2] << "\n";
    return 1;
  }

  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  zmq::context_t context;
  zmq::socket_t socket(context, zmq::socket_type::sub);
  socket.set(zmq::sockopt::linger, 0);
  socket.set(zmq::sockopt::subscribe, "");
  socket.connect("tcp://127.0.0.1:" + std::to_string(port));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  size_t received = 0;
  while (!stop_requested && std::chrono::steady_clock::now() < deadline) {
    zmq::pollitem_t item{socket.handle(), 0, ZMQ_POLLIN, 0};
    try {
      if (zmq::poll(&item, 1, std::chrono::milliseconds(100)) == 0) continue;
      if (RecordOne(socket, out)) ++received;
    } catch (const zmq::error_t& error) {
      if (error.num() == EINTR) continue;  // a stop signal; the loop condition decides
      std::cerr << "subscriber: " << error.what() << "\n";
      return 1;
    }
  }
  // Messages already queued when the stop came are still recorded.
  while (RecordOne(socket, out)) ++received;
  std::cerr << "subscriber: " << received << " message(s)\n";
  return 0;
}
