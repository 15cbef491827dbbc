#include "jet/WriteBack.h"

#include <fcntl.h>

#include <system_error>

namespace jet {

WriteBack::~WriteBack() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void WriteBack::written(off_t offset, off_t length) {
#if defined(__linux__)
  {
    std::lock_guard lock(mutex_);
    // Consecutive writes make one range.
    if (!pending_.empty() && pending_.back().first + pending_.back().second == offset) {
      pending_.back().second += length;
    } else {
      pending_.emplace_back(offset, length);
    }
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread(&WriteBack::run, this);
      } catch (const std::system_error&) {
        pending_.clear();  // no thread to be had: the closing sync writes everything
        return;
      }
    }
  }
  wake_.notify_one();
#else
  (void)offset, (void)length;
#endif
}

void WriteBack::run() {
#if defined(__linux__)
  std::vector<std::pair<off_t, off_t>> ranges;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stop_ || !pending_.empty(); });
      if (stop_) return;
      ranges.swap(pending_);
    }
    // May wait for the disk's queue: that is why this runs here and not in the writer.
    for (const auto& [offset, length] : ranges) ::sync_file_range(fd_, offset, length, SYNC_FILE_RANGE_WRITE);
    ranges.clear();
  }
#endif
}

}  // namespace jet
