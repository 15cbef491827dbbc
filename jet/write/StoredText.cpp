#include "jet/write/StoredText.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jet/Bytes.h"

namespace jet {
namespace {

// Text values are stored compressed only where Access does: the column allows it and
// the value is of moderate length (Jackcess's tested rule).
constexpr size_t kMinCompressedChars = 3;
constexpr size_t kMaxCompressedChars = 1024;

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kLowBits = 0x0101010101010101ull;

uint64_t Load64(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// Four bytes spread to four little-endian 16-bit units.
void Widen4(uint8_t* to, uint32_t bytes) {
  uint64_t x = bytes;
  x = (x | x << 16) & 0x0000FFFF0000FFFFull;
  x = (x | x << 8) & 0x00FF00FF00FF00FFull;
  StoreU64(to, x);
}

// Widens the ASCII bytes at the start of s[0, left) to UTF-16LE at `to` and returns how
// many there are (up to one block). It may write a whole block's units: the caller's
// buffer has room for two bytes per input byte, and later units overwrite the excess.
// `zero` is set when one of the ASCII bytes taken is 0.
#if defined(__SSE2__)
constexpr size_t kBlock = 16;
size_t WidenAsciiBlock(const uint8_t* s, uint8_t* to, bool& zero) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i none = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(bytes, none));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16), _mm_unpackhi_epi8(bytes, none));
  const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
  const size_t ascii = high ? static_cast<size_t>(std::countr_zero(high)) : kBlock;
  const unsigned zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, none)));
  zero = (zeros & ((1u << ascii) - 1u)) != 0;
  return ascii;
}
#else
constexpr size_t kBlock = 8;
bool HasZeroByte(uint64_t word) { return ((word - kLowBits) & ~word & kHighBits) != 0; }
size_t WidenAsciiBlock(const uint8_t* s, uint8_t* to, bool& zero) {
  const uint64_t word = Load64(s);
  Widen4(to, static_cast<uint32_t>(word));
  Widen4(to + 8, static_cast<uint32_t>(word >> 32));
  const uint64_t high = word & kHighBits;
  const size_t ascii = high ? static_cast<size_t>(std::countr_zero(high)) / 8 : kBlock;
  const uint64_t taken = ascii == kBlock ? ~0ull : (1ull << (8 * ascii)) - 1;
  zero = HasZeroByte(word | ~taken);
  return ascii;
}
#endif

// Writes the UTF-16LE units of `text` to `to` (room for 2 bytes per input byte); returns
// the unit count. `narrow` ends false when a unit is 0 or above U+00FF, `valid` when a
// sequence is broken, overlong or past U+10FFFF.
size_t DecodeToUtf16Le(std::string_view text, uint8_t* to, bool& narrow, bool& valid) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  uint8_t* const start = to;
  bool wide = false;
  auto unit = [&](uint32_t u) {
    to[0] = static_cast<uint8_t>(u);
    to[1] = static_cast<uint8_t>(u >> 8);
    to += 2;
  };
  size_t i = 0;
  while (i < n) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      if (i + kBlock <= n) {
        bool zero = false;
        const size_t ascii = WidenAsciiBlock(s + i, to, zero);
        wide |= zero;
        i += ascii;
        to += 2 * ascii;
      } else {
        wide |= b == 0;
        unit(b);
        ++i;
      }
      continue;
    }
    auto cont = [&](size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
    uint32_t cp = 0xFFFD;
    size_t length = 1;
    if ((b & 0xE0) == 0xC0 && cont(1)) {
      cp = (b & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu);
      length = 2;
      valid = valid && b >= 0xC2;
    } else if ((b & 0xF0) == 0xE0 && cont(1) && cont(2)) {
      cp = (b & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
      length = 3;
      valid = valid && (b != 0xE0 || s[i + 1] >= 0xA0);
    } else if ((b & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
      cp = (b & 0x07u) << 18 | (s[i + 1] & 0x3Fu) << 12 | (s[i + 2] & 0x3Fu) << 6 | (s[i + 3] & 0x3Fu);
      length = 4;
      valid = valid && cp >= 0x10000 && cp <= 0x10FFFF;
    } else {
      valid = false;
    }
    i += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
      wide = true;
    } else {
      wide |= cp == 0 || cp > 0xFF;
      unit(cp);
    }
  }
  narrow = !wide;
  return static_cast<size_t>(to - start) / 2;
}

// ASCII bytes as UTF-16LE, four at a time.
void WidenAscii(const uint8_t* from, size_t count, uint8_t* to) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) Widen4(to + 2 * i, LoadU32(from + i));
  for (; i < count; ++i) {
    to[2 * i] = from[i];
    to[2 * i + 1] = 0;
  }
}

size_t AsciiPrefix(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8)
    if (Load64(s + i) & kHighBits) return i;
  while (i < text.size() && s[i] < 0x80) ++i;
  return i;
}

bool ShouldCompress(bool compressible, bool narrow, size_t units) {
  return compressible && narrow && units >= kMinCompressedChars && units <= kMaxCompressedChars;
}

}  // namespace

std::optional<size_t> EncodeStoredText(std::string_view text, bool compressible, std::vector<uint8_t>& out) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  if (AsciiPrefix(text) == text.size()) {  // every byte is one unit
    const size_t units = text.size();
    const bool narrow = std::memchr(s, 0, units) == nullptr;
    if (ShouldCompress(compressible, narrow, units)) {
      out.resize(units + 2);
      out[0] = 0xFF;
      out[1] = 0xFE;
      std::memcpy(out.data() + 2, s, units);
    } else {
      out.resize(units * 2);
      WidenAscii(s, units, out.data());
    }
    return units;
  }
  // No character takes more units than bytes.
  out.resize(text.size() * 2);
  bool narrow = true;
  bool valid = true;
  const size_t units = DecodeToUtf16Le(text, out.data(), narrow, valid);
  if (!valid) return std::nullopt;
  if (ShouldCompress(compressible, narrow, units)) {
    // Each unit's low byte, moved down in place, then behind the FF FE mark.
    uint8_t* bytes = out.data();
    for (size_t k = 0; k < units; ++k) bytes[k] = bytes[2 * k];
    std::memmove(bytes + 2, bytes, units);
    bytes[0] = 0xFF;
    bytes[1] = 0xFE;
    out.resize(units + 2);
  } else {
    out.resize(units * 2);
  }
  return units;
}

}  // namespace jet
