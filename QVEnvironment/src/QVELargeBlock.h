// Memory blocks for stores that only grow during a run (line storage, in-memory trace).
#pragma once

#include <cstddef>
#include <memory>

namespace Qve {

// Block size that stores should use: the platform's large page where it has one, so that
// filling a block takes one page fault instead of hundreds (first touches of fresh memory are
// the dearest part of filling a store on virtual machines).
inline constexpr size_t kQVLargeBlockSize = size_t{2} << 20;

struct QVLargeBlockFree {
  void operator()(char* block) const;
};
using QVLargeBlock = std::unique_ptr<char[], QVLargeBlockFree>;

// Makes the allocator hand every allocation of 128 KB or more back to the system when it is
// freed. By default it raises that bound after freeing such a block and then keeps freed large
// blocks in its heap: a run that passes huge lines through (1 MiB pieces, their copies) would
// hold tens of MB it no longer uses. Call once at start-up.
void ReturnLargeFreedMemory();

// `size` bytes, not initialised, aligned to kQVLargeBlockSize and given to large pages when
// `size` is at least that. Throws std::bad_alloc.
QVLargeBlock AllocateLargeBlock(size_t size);

}  // namespace Qve
