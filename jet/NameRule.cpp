#include "jet/NameRule.h"

#include <cstdint>
#include <vector>

#include "jet/Text.h"
#include "jet/index/TextSortKey.h"

namespace jet {

namespace {
// Keys of the two kinds never meet: a name whose sort key cannot be made (an unpaired
// surrogate, a character Access 97's code page lacks) cannot be written into the catalogue
// either, and is only ever looked up.
constexpr char kSortKey = 'k';
constexpr char kAsciiFold = 'a';
}  // namespace

NameRule NameRule::ForSortOrder(uint16_t lcid, uint8_t sortId, uint8_t version, bool jet3) {
  auto order = index::ResolveTextSortOrder(lcid, sortId, version, jet3);
  return order.ok() ? NameRule(*order) : NameRule();
}

std::string NameRule::key(std::string_view name) const {
  if (order_) {
    std::vector<uint8_t> bytes;
    if (index::AppendTextSortKey(*order_, Utf8ToUtf16(std::string(name)), true, bytes).ok()) {
      std::string out(1, kSortKey);
      out.append(bytes.begin(), bytes.end());
      return out;
    }
  }
  std::string out(1, kAsciiFold);
  for (char c : name) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

bool NameRule::same(std::string_view a, std::string_view b) const {
  if (a == b) return true;
  return key(a) == key(b);
}

}  // namespace jet
