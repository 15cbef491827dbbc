// The lock file Access keeps beside a database it has open: `x.ldb` beside `x.mdb`,
// `x.laccdb` beside `x.accdb`. Access writes one 64-byte record per user into it (the
// computer name, then the user name, "Admin" without a workgroup, each in 32 bytes padded
// with zeros) and removes it when the last user closes the database. A writing session of
// ours does the same, so Access and other programs see that the file is in use.
//
// A lock file can outlive its writer (a crash, a power loss). One that nobody holds is
// told apart by the system's lock on it: a live writer, ours or Access's through a file
// server that passes byte-range locks on, holds a lock on the lock file for as long as it
// has the database open; locks die with their process. A lock file we can lock is stale:
// it is taken over (its records replaced by ours) and removed at the end as our own.
#pragma once

#include <memory>
#include <string>

#include "jet/FileLock.h"
#include "jet/Status.h"

namespace jet {

// The lock file's path for the database at `databasePath`.
std::string LockFilePath(const std::string& databasePath);

class AccessLockFile {
 public:
  // Creates (or takes over a stale) lock file for `databasePath` and locks it, waiting up to
  // `wait` for a live holder. Call while holding the database's exclusive lock, so that two
  // of our writers never race for it.
  static Result<std::unique_ptr<AccessLockFile>> Acquire(const std::string& databasePath, const LockWait& wait);
  ~AccessLockFile();  // removes the file, then lets its lock go
  AccessLockFile(const AccessLockFile&) = delete;
  AccessLockFile& operator=(const AccessLockFile&) = delete;

  const std::string& path() const { return path_; }
  // True when a lock file was found that nobody held (left by a crash).
  bool tookOverStaleFile() const { return tookOver_; }

  static constexpr size_t kNameBytes = 32;
  static constexpr size_t kRecordBytes = 2 * kNameBytes;

 private:
  AccessLockFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::string path_;
  int fd_ = -1;
  bool tookOver_ = false;
};

}  // namespace jet
