#include "jet/FileIo.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace jet {

bool ReadFully(int fd, uint8_t* out, size_t length, off_t offset) {
  while (length > 0) {
    ssize_t n = ::pread(fd, out, length, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = 0;
    if (n <= 0) return false;
    out += n;
    length -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool WriteFully(int fd, const uint8_t* data, size_t length, off_t offset) {
  while (length > 0) {
    ssize_t n = ::pwrite(fd, data, length, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;  // nothing taken: the device has no room
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

Status IoError(const std::string& fileName, const std::string& what) {
  const int error = errno;
  if (error == 0) return Status(ErrorCode::kIo, fileName + ": " + what + ": the file ends before it");
  return Status(ErrorCode::kIo, fileName + ": " + what + ": " + std::strerror(error));
}

}  // namespace jet
