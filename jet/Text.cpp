#include "jet/Text.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
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

// Windows-1252 0x80..0x9F; 0 marks the five undefined bytes.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string DecodeCp1252(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    if (b >= 0x80 && b <= 0x9F) {
      const uint16_t cp = kCp1252High[b - 0x80];
      AppendUtf8(out, cp ? cp : 0xFFFD);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

}  // namespace

namespace {

// Turns UTF-16 units into UTF-8 straight into `out`, which is sized up front for the worst
// case (3 bytes per unit: a pair of units becomes 4 bytes), so the hot loop never allocates.
// Lone surrogates are kept as WTF-8, as the readers before us did.
class Utf16ToUtf8 {
 public:
  Utf16ToUtf8(std::string& out, size_t maxUnits) : out_(out) {
    const size_t base = out.size();
    out.resize(base + 3 * maxUnits);
    p_ = out.data() + base;
  }

  void unit(uint32_t u) {
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
    std::memcpy(p_, bytes, count);
    p_ += count;
  }

  void finish() {
    if (high_ != 0) three(high_);
    high_ = 0;
    out_.resize(static_cast<size_t>(p_ - out_.data()));
  }

 private:
  void three(uint32_t u) {
    *p_++ = static_cast<char>(0xE0 | u >> 12);
    *p_++ = static_cast<char>(0x80 | (u >> 6 & 0x3F));
    *p_++ = static_cast<char>(0x80 | (u & 0x3F));
  }

  std::string& out_;
  char* p_ = nullptr;
  uint32_t high_ = 0;
};

}  // namespace

std::string DecodeUtf16Le(std::span<const uint8_t> bytes) {
  std::string out;
  const size_t count = bytes.size() / 2;
  Utf16ToUtf8 writer(out, count);
  const uint8_t* b = bytes.data();
  for (size_t i = 0; i < count; ++i) writer.unit(static_cast<uint32_t>(b[2 * i] | b[2 * i + 1] << 8));
  writer.finish();
  return out;
}

std::string DecodeJet4Text(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return DecodeUtf16Le(bytes);
  // Compressed unicode: after FF FE, single bytes are characters U+0001..U+00FF until a 00 byte
  // switches to two-byte units (and the next 00 back). Never more units than bytes.
  std::string out;
  Utf16ToUtf8 writer(out, bytes.size());
  bool oneByte = true;
  for (size_t i = 2; i < bytes.size();) {
    if (bytes[i] == 0x00) {
      oneByte = !oneByte;
      ++i;
    } else if (oneByte) {
      if (bytes[i] < 0x80 && writer.idle()) {  // a run of ASCII bytes as they are
        size_t end = i + 1;
        while (end < bytes.size() && bytes[end] != 0 && bytes[end] < 0x80) ++end;
        writer.ascii(bytes.data() + i, end - i);
        i = end;
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

}  // namespace jet
