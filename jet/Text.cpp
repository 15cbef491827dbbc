#include "jet/Text.h"

#include <iconv.h>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace jet {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five undefined bytes.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string DecodeCp1252(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) AppendUtf8(out, FromWindows1252(b).value_or(0xFFFD));
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<char32_t> FromWindows1252(uint8_t byte) {
  if (byte < 0x80 || byte > 0x9F) return byte;
  if (const uint16_t cp = kCp1252High[byte - 0x80]) return cp;
  return std::nullopt;
}

namespace {

// Builds UTF-8 from UTF-16 units through a block on the stack that is appended to the string
// when full: sizing the string for the worst case up front (3 bytes a unit) would zero
// three times the text's size first. Lone surrogates are kept as WTF-8, as the readers
// before us did.
class Utf8Builder {
 public:
  explicit Utf8Builder(std::string& out) : out_(out) {}

  void unit(uint32_t u) {
    if (p_ > block_ + kRefill) flush();
    if (high_ != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        const uint32_t cp = 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00);
        *p_++ = static_cast<char>(0xF0 | cp >> 18);
        *p_++ = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        *p_++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        *p_++ = static_cast<char>(0x80 | (cp & 0x3F));
        high_ = 0;
        return;
      }
      three(high_);
      high_ = 0;
    }
    if (u < 0x80) {
      *p_++ = static_cast<char>(u);
    } else if (u < 0x800) {
      *p_++ = static_cast<char>(0xC0 | u >> 6);
      *p_++ = static_cast<char>(0x80 | (u & 0x3F));
    } else if (u >= 0xD800 && u <= 0xDBFF) {
      high_ = u;
    } else {
      three(u);
    }
  }

  // Plain ASCII copied as it is (only between characters, not inside a surrogate pair).
  bool idle() const { return high_ == 0; }
  void ascii(const uint8_t* bytes, size_t count) {
    if (count > static_cast<size_t>(block_ + sizeof block_ - p_)) {
      flush();
      out_.append(reinterpret_cast<const char*>(bytes), count);
      return;
    }
    std::memcpy(p_, bytes, count);
    p_ += count;
  }
  // Room for `count` bytes written straight through the returned pointer, then advance().
  char* room(size_t count) {
    if (count > static_cast<size_t>(block_ + sizeof block_ - p_)) flush();
    return p_;
  }
  void advance(size_t count) { p_ += count; }

  void finish() {
    if (high_ != 0) {
      if (p_ > block_ + kRefill) flush();
      three(high_);
    }
    high_ = 0;
    flush();
  }

 private:
  // One unit writes at most 6 bytes (a waiting lone high surrogate, then a three-byte unit).
  static constexpr size_t kBlockSize = 1024;
  static constexpr size_t kRefill = kBlockSize - 8;

  void three(uint32_t u) {
    *p_++ = static_cast<char>(0xE0 | u >> 12);
    *p_++ = static_cast<char>(0x80 | (u >> 6 & 0x3F));
    *p_++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  void flush() {
    out_.append(block_, static_cast<size_t>(p_ - block_));
    p_ = block_;
  }

  std::string& out_;
  char block_[kBlockSize];
  char* p_ = block_;
  uint32_t high_ = 0;
};

// Length of the run of bytes 01..7F from `from` on: one compressed-text ASCII run.
size_t CompressedAsciiRun(std::span<const uint8_t> bytes, size_t from) {
  size_t i = from;
  const size_t n = bytes.size();
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    // A byte belongs to the run when its high bit is clear and its low seven bits are not all zero.
    const uint64_t inRun = ((word & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) & ~word & 0x8080808080808080ull;
    if (inRun != 0x8080808080808080ull) break;
  }
  while (i < n && bytes[i] != 0 && bytes[i] < 0x80) ++i;
  return i - from;
}

// How many units from `units` on (eight readable) are ASCII, up to eight; their bytes are
// stored at `out`, and so are bytes for the rest of the eight, which the caller overwrites.
inline size_t LeadingAsciiUnits(const uint8_t* units, char* out) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                        _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
  const unsigned notAscii = ~static_cast<unsigned>(_mm_movemask_epi8(ascii)) & 0xFFFFu;
  return notAscii == 0 ? 8 : static_cast<size_t>(std::countr_zero(notAscii)) / 2;
#else
  size_t n = 0;
  while (n < 8 && units[2 * n + 1] == 0 && units[2 * n] < 0x80) {
    out[n] = static_cast<char>(units[2 * n]);
    ++n;
  }
  return n;
#endif
}

#if defined(__x86_64__)
// Eight units below U+0800 (ASCII and two-byte characters, which covers Latin, Greek,
// Cyrillic, Hebrew and Arabic text) are turned into UTF-8 in a few vector steps: each unit
// becomes its two-byte form in its own 16-bit lane (an ASCII unit keeps its byte), then one
// shuffle drops the second byte of the ASCII lanes. The shuffle needs SSSE3, which is looked
// for when the program runs.
struct GroupShuffles {
  alignas(16) uint8_t shuffle[256][16];  // by the mask of ASCII units: where each output byte comes from
  uint8_t length[256];
};

constexpr GroupShuffles MakeGroupShuffles() {
  GroupShuffles t{};
  for (int ascii = 0; ascii < 256; ++ascii) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      t.shuffle[ascii][n++] = static_cast<uint8_t>(2 * k);
      if (!(ascii >> k & 1)) t.shuffle[ascii][n++] = static_cast<uint8_t>(2 * k + 1);
    }
    for (int rest = n; rest < 16; ++rest) t.shuffle[ascii][rest] = 0x80;
    t.length[ascii] = static_cast<uint8_t>(n);
  }
  return t;
}

constexpr GroupShuffles kGroupShuffles = MakeGroupShuffles();

// Writes the UTF-8 of the eight units at `units` (16 bytes stored at `out`) and returns its
// length; when a unit is U+0800 or above (three bytes, or a surrogate) writes nothing and
// returns -1 - its index.
__attribute__((target("ssse3"))) int TwoByteGroup(const uint8_t* units, char* out) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i zero = _mm_setzero_si128();
  const unsigned narrow = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))), zero)));
  if (narrow != 0xFFFF) return -1 - std::countr_zero(~narrow & 0xFFFFu) / 2;
  const __m128i asciiLanes = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))), zero);
  const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
  const __m128i trail = _mm_or_si128(_mm_and_si128(v, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
  const __m128i twoBytes = _mm_or_si128(lead, _mm_slli_epi16(trail, 8));
  const __m128i lanes = _mm_or_si128(_mm_and_si128(asciiLanes, v), _mm_andnot_si128(asciiLanes, twoBytes));
  const int ascii = _mm_movemask_epi8(_mm_packs_epi16(asciiLanes, zero)) & 0xFF;
  const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(kGroupShuffles.shuffle[ascii]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(lanes, order));
  return kGroupShuffles.length[ascii];
}

bool HasShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#else
inline int TwoByteGroup(const uint8_t*, char*) { return -1; }  // never used: HasShuffle() is false
inline bool HasShuffle() { return false; }
#endif

}  // namespace

namespace {

// Compiled twice: with the shuffle, inside a function built for SSSE3 (where the group step is
// inlined), and without it for processors that lack SSSE3.
template <bool kShuffle>
inline __attribute__((always_inline)) std::string DecodeUtf16LeWith(std::span<const uint8_t> bytes) {
  std::string out;
  const size_t count = bytes.size() / 2;
  out.reserve(count + count / 2);  // room for some text beyond ASCII without growing
  const uint8_t* b = bytes.data();
  auto load = [b](size_t i) { return static_cast<uint32_t>(b[2 * i] | b[2 * i + 1] << 8); };
  // The text goes through a block on the stack, appended when full: sizing the string for the
  // worst case up front (3 bytes a unit) would zero three times the text's size first.
  constexpr size_t kUnitsPerBlock = 256;
  char block[3 * kUnitsPerBlock + 16];  // one surrogate pair may run one unit past the block
  constexpr bool shuffle = kShuffle;
  // One unit (or a surrogate pair) at `i`, written at `p`; both move on.
  auto one = [&](size_t& i, char*& p) __attribute__((always_inline)) {
    const uint32_t u = load(i);
    if (u < 0x80) {
      *p++ = static_cast<char>(u);
      ++i;
    } else if (u < 0x800) {
      *p++ = static_cast<char>(0xC0 | u >> 6);
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && load(i + 1) >= 0xDC00 && load(i + 1) <= 0xDFFF) {
      const uint32_t cp = 0x10000 + ((u - 0xD800) << 10) + (load(i + 1) - 0xDC00);
      *p++ = static_cast<char>(0xF0 | cp >> 18);
      *p++ = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
      i += 2;
    } else {  // other BMP characters, and lone surrogates as WTF-8
      *p++ = static_cast<char>(0xE0 | u >> 12);
      *p++ = static_cast<char>(0x80 | (u >> 6 & 0x3F));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
      ++i;
    }
  };
  for (size_t i = 0; i < count;) {
    char* p = block;
    const size_t stop = std::min(count, i + kUnitsPerBlock);
    while (i < stop) {
      const uint32_t u = load(i);
      if (i + 8 <= stop) {
        if (u < 0x80) {  // runs of ASCII up to eight units at a time
          const size_t n = LeadingAsciiUnits(b + 2 * i, p);
          p += n;
          i += n;
          continue;
        }
        if (u < 0x800 && shuffle) {  // two-byte characters, with ASCII between them, eight at a time
          const int n = TwoByteGroup(b + 2 * i, p);
          if (n >= 0) {
            p += n;
            i += 8;
            continue;
          }
          const size_t upTo = i - static_cast<size_t>(n);  // the units up to the wider one
          while (i < upTo) one(i, p);
          continue;
        }
      }
      one(i, p);
    }
    out.append(block, static_cast<size_t>(p - block));
  }
  return out;
}

#if defined(__x86_64__)
__attribute__((target("ssse3"))) std::string DecodeUtf16LeShuffle(std::span<const uint8_t> bytes) {
  return DecodeUtf16LeWith<true>(bytes);
}
#endif
}  // namespace

std::string DecodeUtf16Le(std::span<const uint8_t> bytes) {
#if defined(__x86_64__)
  if (HasShuffle()) return DecodeUtf16LeShuffle(bytes);
#endif
  return DecodeUtf16LeWith<false>(bytes);
}

std::string DecodeJet4Text(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return DecodeUtf16Le(bytes);
  // Compressed unicode: after FF FE, single bytes are characters U+0001..U+00FF until a 00 byte
  // switches to two-byte units (and the next 00 back).
  std::string out;
  out.reserve(bytes.size());
  Utf8Builder writer(out);
  bool oneByte = true;
  for (size_t i = 2; i < bytes.size();) {
    if (bytes[i] == 0x00) {
      oneByte = !oneByte;
      ++i;
    } else if (oneByte) {
      if (bytes[i] < 0x80 && writer.idle()) {  // a run of ASCII bytes as they are
        const size_t run = CompressedAsciiRun(bytes, i);
        writer.ascii(bytes.data() + i, run);
        i += run;
      } else {
        writer.unit(bytes[i]);
        ++i;
      }
    } else {
      if (i + 1 >= bytes.size()) break;
      writer.unit(static_cast<uint32_t>(bytes[i] | bytes[i + 1] << 8));
      i += 2;
    }
  }
  writer.finish();
  return out;
}

std::string DecodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage) {
  if (codePage == 0 || codePage == 1252) return DecodeCp1252(bytes);
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = ::iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return DecodeCp1252(bytes);
  std::string out;
  std::vector<char> in(bytes.begin(), bytes.end());
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An undefined or incomplete byte: replace it and go on.
      AppendUtf8(out, 0xFFFD);
      ++inPtr;
      --inLeft;
    }
  }
  ::iconv_close(cd);
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  ForEachUtf16Unit(text, [&](char16_t unit) { out += unit; });
  return out;
}

namespace {

// The next code point of UTF-8 `s` from `i` on (advancing `i`), or nothing when the bytes
// there are no valid UTF-8 (broken, overlong or beyond U+10FFFF). Encoded surrogates are
// taken: the reader gives unpaired ones so, and no code page holds them.
std::optional<char32_t> NextCodePoint(std::string_view s, size_t& i) {
  const auto* b = reinterpret_cast<const uint8_t*>(s.data());
  const size_t n = s.size();
  const uint8_t lead = b[i];
  if (lead < 0x80) return ++i, char32_t{lead};
  size_t length = 0;
  char32_t cp = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) length = 2, cp = lead & 0x1Fu, least = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, cp = lead & 0x0Fu, least = 0x800;
  else if ((lead & 0xF8) == 0xF0) length = 4, cp = lead & 0x07u, least = 0x10000;
  else return std::nullopt;
  if (i + length > n) return std::nullopt;
  for (size_t k = 1; k < length; ++k) {
    if ((b[i + k] & 0xC0) != 0x80) return std::nullopt;
    cp = cp << 6 | (b[i + k] & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF) return std::nullopt;
  i += length;
  return cp;
}

CodePageEncoding EncodeCp1252(std::string_view text, std::vector<uint8_t>& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto cp = NextCodePoint(text, i);
    if (!cp) return {CodePageEncoding::Fault::kNotUtf8, 0};
    if (*cp < 0x80 || (*cp >= 0xA0 && *cp <= 0xFF)) {
      out.push_back(static_cast<uint8_t>(*cp));
      continue;
    }
    const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), *cp);
    if (found == kCp1252High.end()) return {CodePageEncoding::Fault::kUnmappable, *cp};
    out.push_back(static_cast<uint8_t>(0x80 + (found - kCp1252High.begin())));
  }
  return {};
}

// Other code pages, one character at a time so that the one without a byte can be named.
CodePageEncoding EncodeWithIconv(std::string_view text, uint16_t codePage, std::vector<uint8_t>& out) {
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = ::iconv_open(name.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {CodePageEncoding::Fault::kUnknownCodePage, 0};
  out.clear();
  CodePageEncoding result;
  for (size_t i = 0; i < text.size() && result.ok();) {
    const size_t from = i;
    const auto cp = NextCodePoint(text, i);
    if (!cp) {
      result = {CodePageEncoding::Fault::kNotUtf8, 0};
      break;
    }
    char in[4];
    std::memcpy(in, text.data() + from, i - from);
    char bytes[8];
    char* inPtr = in;
    size_t inLeft = i - from;
    char* outPtr = bytes;
    size_t outLeft = sizeof bytes;
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      result = {CodePageEncoding::Fault::kUnmappable, *cp};
      break;
    }
    out.insert(out.end(), bytes, outPtr);
  }
  ::iconv_close(cd);
  return result;
}

}  // namespace

CodePageEncoding EncodeCodePageText(std::string_view text, uint16_t codePage, std::vector<uint8_t>& out) {
  if (codePage == 0 || codePage == 1252) return EncodeCp1252(text, out);
  return EncodeWithIconv(text, codePage, out);
}

std::string DescribeCharacter(char32_t character) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
  std::string out;
  if (character >= 0x20 && character != 0x7F && !(character >= 0x80 && character < 0xA0)) {
    out += '\'';
    AppendUtf8(out, character);
    out += "' ";
  }
  return out + "(" + code + ")";
}

}  // namespace jet
