// Text sort keys: the bytes Access writes into an index entry for a non-null text
// value (after the column's start flag), per sort order. Built from the measured code
// tables: inline codes per character, then the extra, "crazy" and unprintable codes.
// Values are trimmed of trailing spaces and cut at 255 UTF-16 units before keying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/Status.h"
#include "jet/index/TextSortOrder.h"

namespace jet::index {

// Longest text prefix (UTF-16 units) that takes part in a key.
inline constexpr size_t kMaxKeyedTextUnits = 255;
// Longer values with a line break are refused (Access splits their keys by a rule we
// do not know exactly).
inline constexpr size_t kLongTextUnits = 127;

// Appends the key bytes of `text` to `out`; descending keys are the inverted bytes.
// Refused (ErrorCode::kInvalidArgument / kUnsupported, `out` unchanged): text with an
// unpaired surrogate, a value over 127 units with a line break, for General 97 a
// character the Access 97 code page lacks, and in a Korean, Chinese or Japanese order a
// character whose key is not known (the message names it and the order).
// `wordSortAt`, if given, receives where the key's hyphen/apostrophe records begin in
// `out` (they run to the end of the key), or npos if it has none.
Status AppendTextSortKey(TextSortOrder order, std::u16string_view text, bool ascending,
                         std::vector<uint8_t>& out, size_t* wordSortAt = nullptr);

}  // namespace jet::index
