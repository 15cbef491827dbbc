// Whole reads and writes at an offset, retried where the system returns part of them or is
// interrupted, and the error a failed call gives the user.
//
// Every call of the page file and the journal that changes what a power cut could leave on
// disk (a write, a sync, a truncation, a file made or removed, a folder synced) goes through
// the functions here, and a test may watch each as it succeeds (WatchFileChanges): the crash
// simulator of the tests rebuilds from them the states a power cut can leave.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "jet/Status.h"

namespace jet {

// False when the file ends first or the call fails (errno says which, 0 at the end).
bool ReadFully(int fd, uint8_t* out, size_t length, off_t offset);
bool WriteFully(int fd, const uint8_t* data, size_t length, off_t offset);
// Writes `count` buffers to consecutive offsets from `offset`, as one call when it can.
// The buffers' descriptions are used up.
bool WriteVectorFully(int fd, iovec* parts, int count, off_t offset);
// fdatasync, ftruncate: false with errno on failure.
bool SyncData(int fd);
bool TruncateFile(int fd, off_t size);
// open(path, flags | O_CREAT | O_EXCL, mode): the descriptor, or -1 with errno.
int CreateNewFile(const std::string& path, int flags, mode_t mode);
// unlink: false with errno on failure.
bool RemoveFile(const std::string& path);
// Makes the folder entries of files made or removed beside `path` durable.
Status SyncFolderOf(const std::string& path);

// kIo: "<file>: <what>: <the system's reason>", from errno.
Status IoError(const std::string& fileName, const std::string& what);

// One change that succeeded, as a test sees it. `fd` is -1 for the calls that name a path
// (the folder for kSyncFolder), `path` empty for those that take a descriptor.
struct FileChange {
  enum class Kind { kWrite, kSync, kTruncate, kCreate, kRemove, kSyncFolder };
  Kind kind;
  int fd = -1;
  std::string path;
  off_t offset = 0;           // kWrite: where; kTruncate: the new size
  const uint8_t* data = nullptr;  // kWrite: the bytes written
  size_t length = 0;
};
// Tests only: `watcher` sees every change from now on (none: stop watching). Not for
// use while another thread writes.
void WatchFileChanges(std::function<void(const FileChange&)> watcher);

}  // namespace jet
