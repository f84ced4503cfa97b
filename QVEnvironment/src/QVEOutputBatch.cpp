#include "QVEOutputBatch.h"

#include <cstring>

#include "QVEException.h"

namespace Qve {

namespace {

bool g_batch_open = false;

// Registered gathers, for Flush and for the signal handler. A full table leaves a gather
// unregistered: it then writes at once, as outside a batch.
std::atomic<QVWriteGather*> g_gathers[kQVGatherSlots];

static_assert(std::atomic<QVWriteGather*>::is_always_lock_free &&
                  std::atomic<size_t>::is_always_lock_free,
              "a signal handler reads the gathers");

}  // namespace

QVWriteGather* GatherInSlot(size_t slot) {
  return slot < kQVGatherSlots ? g_gathers[slot].load() : nullptr;
}

QVWriteGather::QVWriteGather(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {
  for (auto& slot : g_gathers) {
    QVWriteGather* none = nullptr;
    if (slot.compare_exchange_strong(none, this)) {
      registered_ = true;
      break;
    }
  }
}

QVWriteGather::~QVWriteGather() {
  for (auto& slot : g_gathers) {
    QVWriteGather* self = this;
    slot.compare_exchange_strong(self, nullptr);
  }
}

std::string_view QVWriteGather::Kept() const {
  return room_ ? std::string_view(room_.get(), size_.load()) : std::string_view();
}

bool QVWriteGather::Take(std::initializer_list<std::string_view> parts) {
  size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  if (!g_batch_open || !registered_ || total > kRoom) {
    Flush();
    return false;
  }
  // Only this thread changes the size; the signal handler that reads it runs on this thread
  // too, so release order (a plain store on x86) is all it needs.
  if (size_.load(std::memory_order_relaxed) + total > kRoom) Flush();
  if (!room_) room_ = std::make_unique_for_overwrite<char[]>(kRoom);
  size_t size = size_.load(std::memory_order_relaxed);
  for (std::string_view part : parts) {
    if (part.empty()) continue;  // its data may be null, which memcpy must not get
    std::memcpy(room_.get() + size, part.data(), part.size());
    size += part.size();
  }
  // Published after the bytes: the signal handler never writes bytes not yet copied.
  size_.store(size, std::memory_order_release);
  return true;
}

void QVWriteGather::Flush() {
  const size_t size = size_.load(std::memory_order_relaxed);
  if (size == 0) return;
  // Emptied first: a signal handler that runs during the write finds nothing to write twice.
  size_.store(0, std::memory_order_release);
  sink_(std::string_view(room_.get(), size));
}

QVOutputBatch::QVOutputBatch() { g_batch_open = true; }

QVOutputBatch::~QVOutputBatch() {
  if (!open_) return;
  try {
    End();
  } catch (QVException* error) {
    delete error;
  } catch (...) {
  }
}

void QVOutputBatch::Flush() {
  for (auto& slot : g_gathers) {
    if (QVWriteGather* gather = slot.load()) gather->Flush();
  }
}

void QVOutputBatch::End() {
  open_ = false;
  g_batch_open = false;
  Flush();
}

}  // namespace Qve
