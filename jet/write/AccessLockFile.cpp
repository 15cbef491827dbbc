#include "jet/write/AccessLockFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "jet/FileIo.h"

namespace jet {
namespace {

// The record Access writes for one user: computer name and user name, 32 bytes each.
std::string UserRecord() {
  std::string record(AccessLockFile::kRecordBytes, '\0');
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') std::strcpy(host, "localhost");
  // Room for the closing zero Access's readers look for.
  const size_t hostLength = std::min(std::strlen(host), AccessLockFile::kNameBytes - 1);
  std::memcpy(record.data(), host, hostLength);
  static constexpr char kUser[] = "Admin";  // the user of a database without a workgroup
  std::memcpy(record.data() + AccessLockFile::kNameBytes, kUser, sizeof kUser - 1);
  return record;
}

}  // namespace

std::string LockFilePath(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string extension = hasExtension ? path.substr(dot) : "";
  for (auto& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return (hasExtension ? path.substr(0, dot) : path) + (extension == ".accdb" ? ".laccdb" : ".ldb");
}

Result<std::unique_ptr<AccessLockFile>> AccessLockFile::Acquire(const std::string& databasePath,
                                                                  const LockWait& wait) {
  const std::string path = LockFilePath(databasePath);
  struct stat before {};
  const bool existed = ::lstat(path.c_str(), &before) == 0;
  if (existed && !S_ISREG(before.st_mode)) {
    return Status(ErrorCode::kLocked, Where::File(databasePath),
                  path + " (the database's lock file) is not a regular file");
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    return IoError(databasePath, "cannot create the lock file " + path);
  }
  std::unique_ptr<AccessLockFile> lockFile(new AccessLockFile(path, fd));
  Status locked = LockWholeFile(fd, LockKind::kExclusive, wait, databasePath);
  if (!locked.ok()) {
    lockFile->path_.clear();  // a live holder's file: not ours to remove
    return locked;
  }
  lockFile->tookOver_ = existed && before.st_size > 0;
  const std::string record = UserRecord();
  // A short write leaves errno as it was: WriteFully says why it stopped.
  if (::ftruncate(fd, 0) != 0 ||
      !WriteFully(fd, reinterpret_cast<const uint8_t*>(record.data()), record.size(), 0)) {
    return IoError(databasePath, "cannot write the lock file " + path);
  }
  return lockFile;
}

AccessLockFile::~AccessLockFile() {
  // Removed while still locked, so no writer of ours can have opened it in between.
  if (!path_.empty()) ::unlink(path_.c_str());
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace jet
