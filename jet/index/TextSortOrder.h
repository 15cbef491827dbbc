// Which text sort order an indexed text column uses, from the sort bytes of its column
// definition (Jet4/ACE: LANGID, sort id, version; Jet3: LANGID). The whole descriptor
// selects the order: Hungarian and Hungarian Technical share their LANGID and differ in
// the sort id, Croatian and Croatian Legacy differ in the version. Only orders whose
// key rules are known can be keyed; every other order is refused, so an index is never
// keyed wrongly.
#pragma once

#include <cstdint>
#include <string>

#include "jet/Status.h"

namespace jet::index {

// The weight tables an order is built on.
enum class SortBase : uint8_t {
  kGeneralLegacy,  // version 0 (Jet4 and older ACE files): one-byte letter weights
  kGeneral,        // version 1 (ACE, Access 2010 and later): two-byte weights
  kGeneral97,      // Jet3 (Access 97)
};

struct SortOrderInfo;  // jet/index/SortOrders.h: a language's order on top of a base

struct TextSortOrder {
  SortBase base = SortBase::kGeneralLegacy;
  const SortOrderInfo* language = nullptr;  // null: General itself

  bool operator==(const TextSortOrder&) const = default;

  static const TextSortOrder kGeneralLegacy;
  static const TextSortOrder kGeneral;
  static const TextSortOrder kGeneral97;
};

inline constexpr TextSortOrder TextSortOrder::kGeneralLegacy{SortBase::kGeneralLegacy, nullptr};
inline constexpr TextSortOrder TextSortOrder::kGeneral{SortBase::kGeneral, nullptr};
inline constexpr TextSortOrder TextSortOrder::kGeneral97{SortBase::kGeneral97, nullptr};

// The sort bytes of a text column as stored (Jet3 columns have only the LANGID).
struct TextSortBytes {
  uint16_t langId = 0;
  uint8_t sortId = 0;
  uint8_t version = 0;
};

// The LANGID every "General" order is stored under.
inline constexpr uint16_t kGeneralSortLcid = 1033;

// `jet3` selects the Access 97 meaning (Jet3 columns carry neither sort id nor version).
// An unknown order gives ErrorCode::kUnsupported naming the LCID, sort id and version.
Result<TextSortOrder> ResolveTextSortOrder(uint16_t langId, uint8_t sortId, uint8_t version, bool jet3);

// "General Legacy", "Turkish", "Hungarian Technical", "Croatian (version 1)" ...
std::string TextSortOrderName(TextSortOrder order);

}  // namespace jet::index
