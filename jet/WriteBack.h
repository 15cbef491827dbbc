// Starts the system's writing of ranges of a file to disk on a thread of its own, while the
// writer goes on: a long batch then finds little left to wait for at its closing sync.
// Only a hint to the system (Linux's sync_file_range); the sync stays the caller's, and
// errors show there. Elsewhere it does nothing.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace jet {

class WriteBack {
 public:
  explicit WriteBack(int fd) : fd_(fd) {}
  ~WriteBack();  // waits for the range being started, drops the rest
  WriteBack(const WriteBack&) = delete;
  WriteBack& operator=(const WriteBack&) = delete;

  // Bytes [offset, offset + length) were written and may go to disk now.
  void written(off_t offset, off_t length);

 private:
  void run();

  const int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::pair<off_t, off_t>> pending_;  // offset, length
  bool stop_ = false;
  std::thread thread_;  // started on the first range
};

}  // namespace jet
