#include "jet/check/PageLedger.h"

namespace jet::check {

namespace {
const char* const kMapRows = "usage-map rows";
}

void PageLedger::claim(uint32_t page, const std::string& owner) {
  if (page >= owners_.size()) {
    problems_.push_back(owner + " lists page " + std::to_string(page) + ", beyond the end of the file (" +
                        std::to_string(owners_.size()) + " pages)");
    return;
  }
  if (!owners_[page].empty()) {
    problems_.push_back("page " + std::to_string(page) + " is claimed twice: by " + owners_[page] + " and by " + owner);
    return;
  }
  owners_[page] = owner;
}

void PageLedger::claimMapRowPage(uint32_t page) {
  if (page < owners_.size() && owners_[page] == kMapRows) return;
  claim(page, kMapRows);
}

}  // namespace jet::check
