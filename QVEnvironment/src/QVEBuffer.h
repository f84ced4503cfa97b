// Growable byte block from the C heap.
#pragma once

#include <cstdint>

namespace Qve {

// Users read and write `data`, `capacity` and `size` directly. Growth doubles, never below the
// requested size; the buffer never shrinks through Resize or SetData. Allocation failures throw
// QVException* -993.
class QVBuffer {
 public:
  QVBuffer() = default;
  explicit QVBuffer(uint64_t n);
  virtual ~QVBuffer();
  QVBuffer(const QVBuffer&) = delete;
  QVBuffer& operator=(const QVBuffer&) = delete;

  // New block of n bytes (none for 0); old contents are not kept. No-op when n == capacity.
  virtual void Allocate(uint64_t n);
  // Resizes the block keeping its contents. No-op when n == capacity.
  virtual void Reallocate(uint64_t n);
  // Frees the block; size is left as it was.
  virtual void Free();

  // Sets size to n, growing the capacity to max(2 * capacity, n) when n exceeds it.
  void Resize(uint64_t n);
  // Grows as Resize, sets size n and copies n bytes from source when source is not null.
  void SetData(const void* source, uint64_t n);

  char* data = nullptr;
  uint64_t capacity = 0;
  uint64_t size = 0;
};

}  // namespace Qve
