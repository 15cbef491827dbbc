// Which text sort order an indexed text column uses, from the sort bytes of its column
// definition (Jet4/ACE: LCID + version; Jet3: LCID). Only orders whose key codes are
// known can be keyed; every other order is refused, so an index is never keyed wrongly.
#pragma once

#include <cstdint>
#include <string>

#include "jet/Status.h"

namespace jet::index {

enum class TextSortOrder {
  kGeneralLegacy,  // LCID 1033, version 0: Jet4 and older ACE files
  kGeneral,        // LCID 1033, version 1: ACE, Access 2010 and later
  kGeneral97,      // LCID 1033 in a Jet3 (Access 97) file
};

// The LCID every "General" order is stored under.
inline constexpr uint16_t kGeneralSortLcid = 1033;

// `jet3` selects the Access 97 meaning of the LCID (Jet3 columns carry no version).
// An unknown order gives ErrorCode::kUnsupported naming the LCID and version.
Result<TextSortOrder> ResolveTextSortOrder(uint16_t lcid, uint8_t version, bool jet3);

std::string TextSortOrderName(TextSortOrder order);

}  // namespace jet::index
