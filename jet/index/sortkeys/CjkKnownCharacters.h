// The ideographs whose keys Access was seen to store in the Chinese and Japanese sort
// orders (generated, see CjkKnownCharacters.cpp).
#pragma once

#include <cstddef>

#include "jet/index/SortOrders.h"

namespace jet::index::sortkeys {

extern const KnownCharacter kChinesePrcKnown[];
extern const size_t kChinesePrcKnownCount;
extern const KnownCharacter kChineseTaiwanKnown[];
extern const size_t kChineseTaiwanKnownCount;
extern const KnownCharacter kJapaneseKnown[];
extern const size_t kJapaneseKnownCount;

}  // namespace jet::index::sortkeys
