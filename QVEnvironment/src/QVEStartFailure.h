// Why a program file that exists could not be started, in words a user can act on.
#pragma once

#include "QVEString.h"

namespace Qve {

// The cause of a failed start of the regular file `path` (errno `error`) when the file itself
// explains it: a script whose "#!" line ends with a carriage return (Windows line ends, so the
// system looks for an interpreter whose name ends in "\r"), or whose interpreter does not exist
// or cannot be run. Empty when the file does not explain the failure.
QVEstring DescribeStartFailure(const QVEstring& path, int error);

}  // namespace Qve
