// When Access takes two object or column names for one: when their keys in the sort order
// of the catalogue's Name column are equal, the keys its unique index ParentIdName holds.
// In the General orders that folds letter case everywhere ("Äpfel" and "äpfel" are one
// name) but keeps accents apart ("Apfel" is another). Every check of a name against others
// (the existence of a table, DROP, the columns of a new table) goes through one rule, so
// that none lets through what the catalogue's index then refuses, or misses what it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/index/TextSortOrder.h"

namespace jet {

class NameRule {
 public:
  // Folds ASCII letters only: for a sort order whose keys are unknown (such a database is
  // read, never written).
  NameRule() = default;
  explicit NameRule(index::TextSortOrder order) : order_(order) {}
  // The rule of a text column's sort bytes; the ASCII fold when the order has no keys.
  static NameRule ForSortOrder(uint16_t lcid, uint8_t sortId, uint8_t version, bool jet3);

  // Equal for two names exactly when Access takes them for one (bytes, not text).
  std::string key(std::string_view name) const;
  bool same(std::string_view a, std::string_view b) const;

 private:
  std::optional<index::TextSortOrder> order_;
};

}  // namespace jet
