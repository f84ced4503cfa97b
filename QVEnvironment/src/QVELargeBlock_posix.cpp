#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>
#include <new>

#include "QVELargeBlock.h"

namespace Qve {

void ReturnLargeFreedMemory() {
  // Setting the bound also fixes it: glibc no longer raises it after frees.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void QVLargeBlockFree::operator()(char* block) const { std::free(block); }

QVLargeBlock AllocateLargeBlock(size_t size) {
  if (size < kQVLargeBlockSize) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return QVLargeBlock(static_cast<char*>(block));
  }
  void* block = nullptr;
  if (posix_memalign(&block, kQVLargeBlockSize, size) != 0) throw std::bad_alloc();
  // Transparent huge pages where the system allows them for advised memory; a refusal only
  // costs the small pages.
  madvise(block, size - size % kQVLargeBlockSize, MADV_HUGEPAGE);
  return QVLargeBlock(static_cast<char*>(block));
}

}  // namespace Qve
