// Bounds-checked little-endian reads from the encryption description.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace jet {

inline std::optional<uint32_t> ReadU32(std::span<const uint8_t> bytes, size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return std::nullopt;
  return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 16) | (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline std::optional<uint16_t> ReadU16(std::span<const uint8_t> bytes, size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return std::nullopt;
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// The `length` bytes at `offset`, or nothing when they run past the end.
inline std::optional<std::span<const uint8_t>> ReadBytes(std::span<const uint8_t> bytes, size_t offset, size_t length) {
  if (offset > bytes.size() || bytes.size() - offset < length) return std::nullopt;
  return bytes.subspan(offset, length);
}

}  // namespace jet
