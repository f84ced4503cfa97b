// Records every message of MigrationLauncher's event channel: ml_e2e_subscriber PORT FILE SECONDS
// connects a SUB socket to tcp://127.0.0.1:PORT and appends each message to FILE as one line (the
// number of frames, a blank, the frames joined), flushed. Ends on SIGTERM or SIGINT, or after
// SECONDS so that a forgotten subscriber cannot outlive the suite.
#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>
#include <zmq.hpp>
#include <zmq_addon.hpp>

namespace {
volatile std::sig_atomic_t stop_requested = 0;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: ml_e2e_subscriber PORT FILE SECONDS\n";
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::app);
  for (int stop : {SIGTERM, SIGINT}) std::signal(stop, [](int) { stop_requested = 1; });
  zmq::context_t context;
  zmq::socket_t socket(context, zmq::socket_type::sub);
  socket.set(zmq::sockopt::linger, 0);
  socket.set(zmq::sockopt::subscribe, "");
  socket.connect(std::string("tcp://127.0.0.1:") + argv[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::stoi(argv[3]));
  // Messages already queued when the stop came are still recorded.
  for (bool stopping = false;;) {
    stopping = stopping || stop_requested || std::chrono::steady_clock::now() >= deadline;
    std::vector<zmq::message_t> frames;
    try {
      socket.set(zmq::sockopt::rcvtimeo, stopping ? 0 : 100);
      if (!zmq::recv_multipart(socket, std::back_inserter(frames))) {
        if (stopping) return 0;
        continue;
      }
    } catch (const zmq::error_t& error) {
      if (error.num() == EINTR) continue;  // a stop signal; the next round decides
      std::cerr << "subscriber: " << error.what() << "\n";
      return 1;
    }
    std::string text;
    for (const auto& frame : frames) text += frame.to_string();
    out << frames.size() << ' ' << text << '\n' << std::flush;
  }
}
