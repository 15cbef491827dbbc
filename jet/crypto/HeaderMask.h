// The header page (page 0) hides its fields from offset 0x18 under a fixed RC4 key
// stream: 126 bytes in Jet3 files, 128 in Jet4 and ACE files. Applying the mask
// twice restores the original, so the same call reads and writes.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

inline constexpr uint32_t kHeaderMaskOffset = 0x18;
inline constexpr uint32_t kHeaderMaskLengthJet3 = 126;
inline constexpr uint32_t kHeaderMaskLengthJet4 = 128;

// XORs the mask into `page0` (at least 0x18 + length bytes); `jet3` selects the length.
void ApplyHeaderMask(std::span<uint8_t> page0, bool jet3);

}  // namespace jet
