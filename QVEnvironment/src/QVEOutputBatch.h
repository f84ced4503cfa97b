// Output gathered per block of analyzed lines: while a batch is open, the console, the trace
// file and the HTML log keep their lines and write them with one call each when it is flushed.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>

namespace Qve {

// The text gathered for one destination. Its room has a fixed size and never moves, so that
// the handler of the second stop signal can write what it holds (WriteGatheredOnSignal).
// Used by one thread.
class QVWriteGather {
 public:
  // Bytes kept at most before they are written.
  static constexpr size_t kRoom = 128 * 1024;

  // `sink` writes a text the destination's usual way (and throws as that does).
  explicit QVWriteGather(std::function<void(std::string_view)> sink);
  ~QVWriteGather();
  QVWriteGather(const QVWriteGather&) = delete;
  QVWriteGather& operator=(const QVWriteGather&) = delete;

  // While a batch is open, keeps the parts one after the other (writing what is kept first
  // when they would not fit) and returns true. Parts larger than the room, or no open batch:
  // writes what is kept and returns false, and the caller writes the parts itself.
  bool Take(std::initializer_list<std::string_view> parts);
  // Writes what is kept, if anything, with one call of the sink.
  void Flush();
  // The platform handle the signal handler writes to; -1 (the default) for none.
  void SetHandle(int handle) { handle_ = handle; }

  // For the signal handler: the handle and the bytes kept.
  int GetHandle() const { return handle_; }
  std::string_view Kept() const;

 private:
  std::function<void(std::string_view)> sink_;
  std::unique_ptr<char[]> room_;
  std::atomic<size_t> size_{0};
  std::atomic<int> handle_{-1};
  bool registered_ = false;
};

// Opens the process-wide batch; output is written at once again after End or destruction.
// One batch at a time; used by the thread that writes the output.
class QVOutputBatch {
 public:
  QVOutputBatch();
  // Ends the batch; write failures are not reported here (an exception is already leaving).
  ~QVOutputBatch();
  QVOutputBatch(const QVOutputBatch&) = delete;
  QVOutputBatch& operator=(const QVOutputBatch&) = delete;

  // Writes what every destination keeps. Throws as the destinations' writes do.
  void Flush();
  // Flush, then output goes out at once again.
  void End();

 private:
  bool open_ = true;
};

// Async-signal-safe: writes what every destination keeps with plain system calls. For the
// handler of a signal that ends the program at once.
void WriteGatheredOnSignal();

// The registered gather in table slot `slot` (below kQVGatherSlots), or null. Async-signal-safe.
inline constexpr size_t kQVGatherSlots = 16;
QVWriteGather* GatherInSlot(size_t slot);

}  // namespace Qve
