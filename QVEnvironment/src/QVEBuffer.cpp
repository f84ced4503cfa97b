#include "QVEBuffer.h"

#include <cstdlib>
#include <cstring>

#include "QVEException.h"

namespace Qve {

namespace {
constexpr const char* kSourceFile = "Sources/Libraries/Static/QVEnvironment/src/QVEBuffer";
constexpr uint32_t kAllocateLine = 77;
constexpr uint32_t kReallocateLine = 95;
}  // namespace

QVBuffer::QVBuffer(uint64_t n) {
  if (n != 0) Allocate(n);
  size = n;
}

QVBuffer::~QVBuffer() { std::free(data); }

void QVBuffer::Allocate(uint64_t n) {
  if (n == capacity) return;
  char* block = nullptr;
  if (n != 0) {
    block = static_cast<char*>(std::malloc(n));
    if (block == nullptr) {
      ThrowQVException(kQVErrNoMemory, kSourceFile, kAllocateLine,
                       "Not enough memory, try to alloc: %d", static_cast<int32_t>(n));
    }
  }
  std::free(data);
  data = block;
  capacity = n;
}

void QVBuffer::Reallocate(uint64_t n) {
  if (n == capacity) return;
  if (n == 0) {
    // realloc to zero bytes is implementation-defined; an empty block is simply none.
    Free();
    return;
  }
  char* block = static_cast<char*>(std::realloc(data, n));
  if (block == nullptr) {
    ThrowQVException(kQVErrNoMemory, kSourceFile, kReallocateLine,
                     "Not enough memory, try to alloc: %d", static_cast<int32_t>(n));
  }
  data = block;
  capacity = n;
}

void QVBuffer::Free() {
  std::free(data);
  data = nullptr;
  capacity = 0;
}

void QVBuffer::Resize(uint64_t n) {
  if (n > capacity) {
    uint64_t grown = capacity > UINT64_MAX / 2 ? UINT64_MAX : 2 * capacity;
    if (grown < n) grown = n;
    if (capacity == 0 || data == nullptr) {
      Allocate(grown);
    } else {
      Reallocate(grown);
    }
  }
  size = n;
}

void QVBuffer::SetData(const void* source, uint64_t n) {
  Resize(n);
  if (source != nullptr && n != 0) std::memcpy(data, source, n);
}

}  // namespace Qve
