#include "jet/index/IndexPageStore.h"

#include <algorithm>
#include <string>

namespace jet::index {

Status MemoryPageStore::readPage(uint32_t page, std::span<uint8_t> out) {
  auto it = pages_.find(page);
  if (it == pages_.end()) return Status(ErrorCode::kIo, "page " + std::to_string(page) + " does not exist");
  if (out.size() != pageSize_) return Status(ErrorCode::kInvalidArgument, "page buffer has the wrong size");
  std::copy(it->second.begin(), it->second.end(), out.begin());
  return Status::Ok();
}

Status MemoryPageStore::writePage(uint32_t page, std::span<const uint8_t> bytes) {
  if (bytes.size() != pageSize_) return Status(ErrorCode::kInvalidArgument, "page buffer has the wrong size");
  pages_[page].assign(bytes.begin(), bytes.end());
  nextPage_ = std::max(nextPage_, page + 1);
  return Status::Ok();
}

Result<uint32_t> MemoryPageStore::allocatePage() {
  const uint32_t page = nextPage_++;
  pages_[page].assign(pageSize_, 0);
  return page;
}

Status MemoryPageStore::freePage(uint32_t page) {
  if (pages_.erase(page) == 0) return Status(ErrorCode::kIo, "page " + std::to_string(page) + " freed twice");
  return Status::Ok();
}

}  // namespace jet::index
