// Gather writes for the platform files of the environment library (not part of its interface).
#pragma once

#include <sys/uio.h>

namespace Qve {

// Writes all bytes of `vectors[0..count)` to `fd`, going on after partial writes and EINTR.
// The vectors are advanced past what was written. False when a write fails or writes nothing.
bool WriteVectors(int fd, iovec* vectors, int count);

}  // namespace Qve
