// The bytes a Jet4/ACE text or memo value is stored as, made from UTF-8 in one walk:
// "compressed unicode" (FF FE, then one byte per character) where Access compresses, else
// UTF-16LE. Bytes that are no valid UTF-8 are stored as U+FFFD, never as themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace jet {

// Replaces `out` with the stored bytes of `text`; returns its length in UTF-16 units
// (what a Text column's size limits). `compressible`: the column allows compression.
size_t EncodeStoredText(std::string_view text, bool compressible, std::vector<uint8_t>& out);

}  // namespace jet
