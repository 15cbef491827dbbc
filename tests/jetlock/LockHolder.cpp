// Holds a lock on an Access database until its standard input closes, as another program
// would: `write FILE` a writing session (with a table created but not committed),
// `read FILE` a reader, `lockfile FILE` only the lock file beside it, locked as Access
// through a file server leaves it. Prints "locked" once it holds it; exit 1 on failure.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "jet/Database.h"
#include "jet/FileLock.h"
#include "jet/write/AccessLockFile.h"
#include "jet/write/WriteSession.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "lock_holder: %s\n", message.c_str());
  return 1;
}

void HoldUntilInputCloses() {
  std::printf("locked\n");
  std::fflush(stdout);
  char buffer[64];
  while (::read(0, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: lock_holder write|read|lockfile FILE");
  const std::string mode = argv[1];
  const std::string file = argv[2];
  jet::LockWait wait;
  wait.timeout = std::chrono::seconds(5);
  if (mode == "write") {
    auto session = jet::WriteSession::Open(file, {}, wait);
    if (!session.ok()) return Fail(session.status().message());
    (*session)->beginBatch();
    const jet::Status created = (*session)->createTable("Held", {{"N", jet::ColumnType::kLong}});
    if (!created.ok()) return Fail(created.message());
    HoldUntilInputCloses();
    return 0;
  }
  if (mode == "read") {
    jet::Database::Options options;
    options.lockWait = wait;
    auto db = jet::Database::Open(file, options);
    if (!db.ok()) return Fail(db.status().message());
    HoldUntilInputCloses();
    return 0;
  }
  if (mode == "lockfile") {
    const std::string path = jet::LockFilePath(file);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
    if (fd < 0) return Fail(path + ": " + std::strerror(errno));
    const jet::Status locked = jet::LockWholeFile(fd, jet::LockKind::kExclusive, wait, path);
    if (!locked.ok()) return Fail(locked.message());
    HoldUntilInputCloses();
    ::close(fd);
    return 0;
  }
  return Fail("unknown mode " + mode);
}
