// Whole reads and writes at an offset, retried where the system returns part of them or is
// interrupted, and the error a failed call gives the user.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "jet/Status.h"

namespace jet {

// False when the file ends first or the call fails (errno says which, 0 at the end).
bool ReadFully(int fd, uint8_t* out, size_t length, off_t offset);
bool WriteFully(int fd, const uint8_t* data, size_t length, off_t offset);

// kIo: "<file>: <what>: <the system's reason>", from errno.
Status IoError(const std::string& fileName, const std::string& what);

}  // namespace jet
