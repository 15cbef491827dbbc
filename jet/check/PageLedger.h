// Who owns each page of a file, as the checker discovers it. A page may be claimed
// once; pages that hold usage-map rows may be shared by the maps of several tables
// (the engine puts the system tables' maps on one page) but by nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jet::check {

class PageLedger {
 public:
  PageLedger(uint32_t pageCount, std::vector<std::string>& problems) : owners_(pageCount), problems_(problems) {}

  void claim(uint32_t page, const std::string& owner);
  void claimMapRowPage(uint32_t page);
  bool claimed(uint32_t page) const { return page < owners_.size() && !owners_[page].empty(); }
  const std::string& owner(uint32_t page) const { return owners_[page]; }
  uint32_t pageCount() const { return static_cast<uint32_t>(owners_.size()); }

 private:
  std::vector<std::string> owners_;
  std::vector<std::string>& problems_;
};

}  // namespace jet::check
