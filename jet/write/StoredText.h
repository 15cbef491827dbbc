// The bytes a Jet4/ACE text or memo value is stored as, made from UTF-8 in one walk:
// "compressed unicode" (FF FE, then one byte per character) where Access compresses, else
// UTF-16LE. Text that is not valid UTF-8 is refused, never stored altered: overlong forms,
// code points past U+10FFFF and cut sequences are faults; encoded surrogates are taken
// (the reader gives unpaired ones so, and they must go back as they came).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/DatabaseHeader.h"

namespace jet {

// How a file stores text values: Jet4/ACE as UTF-16 (compressed where the column allows
// it, EncodeStoredText), Jet3 as one byte a character in the database's code page
// (EncodeCodePageText, jet/Text.h).
struct TextStorage {
  bool codePageText = false;
  uint16_t codePage = 0;
};
inline TextStorage TextStorageOf(const DatabaseHeader& header) { return {header.jet3(), header.codePage}; }

// Replaces `out` with the stored bytes of `text` and returns its length in UTF-16 units
// (what a Text column's size limits), or nothing when `text` is not valid UTF-8 (`out` is
// then unspecified). `compressible`: the column allows compression.
std::optional<size_t> EncodeStoredText(std::string_view text, bool compressible, std::vector<uint8_t>& out);

}  // namespace jet
