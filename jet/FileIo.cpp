#include "jet/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace jet {
namespace {

std::function<void(const FileChange&)>& Watcher() {
  static std::function<void(const FileChange&)> watcher;
  return watcher;
}

void Report(const FileChange& change) {
  if (Watcher()) Watcher()(change);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void WatchFileChanges(std::function<void(const FileChange&)> watcher) { Watcher() = std::move(watcher); }

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
  const FileChange change{FileChange::Kind::kWrite, fd, {}, offset, data, length};
  while (length > 0) {
    ssize_t n = ::pwrite(fd, data, length, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;  // nothing taken: the device has no room
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
    offset += n;
  }
  Report(change);
  return true;
}

bool WriteVectorFully(int fd, iovec* parts, int count, off_t offset) {
  if (Watcher()) {
    off_t at = offset;
    for (int k = 0; k < count; ++k) {
      Report({FileChange::Kind::kWrite, fd, {}, at, static_cast<const uint8_t*>(parts[k].iov_base), parts[k].iov_len});
      at += static_cast<off_t>(parts[k].iov_len);
    }
  }
  while (count > 0) {
    ssize_t n = ::pwritev(fd, parts, count, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    offset += n;
    // Skip what was written; a part written halfway continues from where it stopped.
    while (count > 0 && static_cast<size_t>(n) >= parts->iov_len) {
      n -= static_cast<ssize_t>(parts->iov_len);
      ++parts;
      --count;
    }
    if (count > 0) {
      parts->iov_base = static_cast<uint8_t*>(parts->iov_base) + n;
      parts->iov_len -= static_cast<size_t>(n);
    }
  }
  return true;
}

bool SyncData(int fd) {
  if (::fdatasync(fd) != 0) return false;
  Report({FileChange::Kind::kSync, fd, {}, 0, nullptr, 0});
  return true;
}

bool TruncateFile(int fd, off_t size) {
  if (::ftruncate(fd, size) != 0) return false;
  Report({FileChange::Kind::kTruncate, fd, {}, size, nullptr, 0});
  return true;
}

int CreateNewFile(const std::string& path, int flags, mode_t mode) {
  const int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
  if (fd >= 0) Report({FileChange::Kind::kCreate, fd, path, 0, nullptr, 0});
  return fd;
}

bool RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return false;
  Report({FileChange::Kind::kRemove, -1, path, 0, nullptr, 0});
  return true;
}

Status SyncFolderOf(const std::string& path) {
  const std::string folder = FolderOf(path);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return IoError(folder, "cannot open the folder to sync it");
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  if (!synced) return IoError(folder, "cannot sync the folder");
  Report({FileChange::Kind::kSyncFolder, -1, folder, 0, nullptr, 0});
  return Status::Ok();
}

Status IoError(const std::string& fileName, const std::string& what) {
  const int error = errno;
  if (error == 0) return Status(ErrorCode::kIo, Where::File(fileName), what + ": the file ends before it");
  return Status(ErrorCode::kIo, Where::File(fileName), what + ": " + std::strerror(error));
}

}  // namespace jet
