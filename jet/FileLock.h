// Locks that keep two programs from changing one database at once, and readers from
// seeing half of a commit: a writing session holds an exclusive lock on the whole
// database file, a reader a shared one, each for as long as it has the file open.
//
// They are open-file-description locks (F_OFD_SETLK): held by the descriptor, not by the
// process, so two opens of one file in one process exclude each other as two programs
// do, and the system drops them when the descriptor closes, also when the process dies:
// a lock is never left behind by a crash. Like classic fcntl locks they reach other
// machines where the network file system passes them on (NFS; SMB mounts, where Samba
// maps Access's own byte-range locks on a database onto the same locks, so an Access
// that has the file open on a share is waited for as well). Where the system has no
// such locks, classic fcntl locks stand in (per process).
#pragma once

#include <chrono>
#include <string>

#include "jet/Status.h"

namespace jet {

enum class LockKind { kShared, kExclusive };

// How long an open waits for another program's lock to go; `unlimited` waits as long as
// it takes (ADO's ConnectionTimeout 0).
struct LockWait {
  std::chrono::milliseconds timeout{15000};  // ADO's default ConnectionTimeout
  bool unlimited = false;

  // A timeout in seconds as ADO's ConnectionTimeout gives it: 0 (or less) waits as long
  // as it takes.
  static LockWait Seconds(int seconds) {
    LockWait wait;
    wait.unlimited = seconds <= 0;
    wait.timeout = std::chrono::seconds(seconds > 0 ? seconds : 0);
    return wait;
  }
};

// Takes `kind` on the whole of the file open as `fd` (read access suffices for a shared
// lock, an exclusive one needs write access). A lock held by another program is waited
// for up to `wait`; then kLocked with a message naming `fileName` and what the holder
// does ("... is being changed by another program; try again when it has finished").
// The same descriptor may be converted from one kind to the other.
Status LockWholeFile(int fd, LockKind kind, const LockWait& wait, const std::string& fileName);

// Gives the descriptor's lock up (the descriptor stays open).
void UnlockWholeFile(int fd);

// What another descriptor or program holds on the file open as `fd`: nothing, a shared
// or an exclusive lock. A failed query reports nothing.
enum class LockHolder { kNone, kReader, kWriter };
LockHolder LockHeldElsewhere(int fd);

}  // namespace jet
