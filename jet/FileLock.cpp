#include "jet/FileLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace jet {
namespace {

struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end of the file, however far it grows
  return lock;
}

#if defined(F_OFD_SETLK)
constexpr int kSetLock = F_OFD_SETLK;
constexpr int kGetLock = F_OFD_GETLK;
#else
constexpr int kSetLock = F_SETLK;
constexpr int kGetLock = F_GETLK;
#endif

// One attempt; EINVAL from a system without descriptor locks falls back to classic ones.
int TrySetLock(int fd, struct flock lock) {
  int result = ::fcntl(fd, kSetLock, &lock);
  if (result != 0 && errno == EINVAL && kSetLock != F_SETLK) {
    result = ::fcntl(fd, F_SETLK, &lock);
  }
  return result;
}

std::string BusyMessage(const std::string& fileName, LockHolder holder) {
  if (holder == LockHolder::kReader) {
    return fileName + " is being read by another program; try again when it has finished";
  }
  return fileName + " is being changed by another program; try again when it has finished";
}

}  // namespace

LockHolder LockHeldElsewhere(int fd) {
  struct flock probe = WholeFile(F_WRLCK);
  int result = ::fcntl(fd, kGetLock, &probe);
  if (result != 0 && errno == EINVAL && kGetLock != F_GETLK) {
    probe = WholeFile(F_WRLCK);
    result = ::fcntl(fd, F_GETLK, &probe);
  }
  if (result != 0 || probe.l_type == F_UNLCK) return LockHolder::kNone;
  return probe.l_type == F_RDLCK ? LockHolder::kReader : LockHolder::kWriter;
}

Status LockWholeFile(int fd, LockKind kind, const LockWait& wait, const std::string& fileName) {
  const struct flock lock = WholeFile(kind == LockKind::kExclusive ? F_WRLCK : F_RDLCK);
  const auto deadline = std::chrono::steady_clock::now() + wait.timeout;
  // Short naps at first (a commit takes milliseconds), longer ones while a copy runs.
  auto nap = std::chrono::milliseconds(2);
  for (;;) {
    if (TrySetLock(fd, lock) == 0) return Status::Ok();
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EAGAIN && error != EACCES) {
      if (error == EBADF && kind == LockKind::kExclusive) {
        return Status(ErrorCode::kReadOnly, Where::File(fileName),
                      "cannot lock the file for writing: it is open for reading only");
      }
      return Status(ErrorCode::kIo, Where::File(fileName),
                    std::string("cannot lock the file: ") + std::strerror(error));
    }
    const auto now = std::chrono::steady_clock::now();
    if (!wait.unlimited && now >= deadline) {
      return Status(ErrorCode::kLocked, BusyMessage(fileName, LockHeldElsewhere(fd)));
    }
    auto sleep = nap;
    if (!wait.unlimited) sleep = std::min(sleep, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                                  std::chrono::milliseconds(1));
    std::this_thread::sleep_for(sleep);
    nap = std::min(nap * 2, std::chrono::milliseconds(100));
  }
}

void UnlockWholeFile(int fd) {
  const struct flock lock = WholeFile(F_UNLCK);
  if (TrySetLock(fd, lock) != 0 && errno == EINTR) (void)TrySetLock(fd, lock);
}

}  // namespace jet
