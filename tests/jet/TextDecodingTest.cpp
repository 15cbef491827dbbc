// The text decoders take shortcuts (eight units at a time, output in blocks); a plain decoder
// that takes one unit at a time says what they must produce, on random text of every shape.
#include "jet/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// One unit at a time: a pair of surrogates is one character, a lone one its own three bytes.
std::string ReferenceUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      jet::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
      ++i;
    } else {
      jet::AppendUtf8(out, u);
    }
  }
  return out;
}

Bytes LittleEndian(const std::vector<uint16_t>& units) {
  Bytes bytes;
  for (uint16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

// Runs of ASCII of every length between non-ASCII units of every width, pairs and lone halves.
std::vector<uint16_t> RandomUnits(std::mt19937& random, size_t count) {
  std::vector<uint16_t> units;
  while (units.size() < count) {
    switch (random() % 7) {
      case 0:
      case 1: {
        const size_t run = random() % 40;
        for (size_t k = 0; k < run; ++k) units.push_back(static_cast<uint16_t>(0x20 + random() % 0x5F));
        break;
      }
      case 2: units.push_back(static_cast<uint16_t>(0x80 + random() % 0x780)); break;  // two UTF-8 bytes
      case 3: units.push_back(static_cast<uint16_t>(0x800 + random() % 0xD000)); break;  // three, below the surrogates
      case 4: units.push_back(static_cast<uint16_t>(0xE000 + random() % 0x2000)); break;
      case 5:  // a pair
        units.push_back(static_cast<uint16_t>(0xD800 + random() % 0x400));
        units.push_back(static_cast<uint16_t>(0xDC00 + random() % 0x400));
        break;
      default:  // a lone half, or a unit that is 0x7F/0x80 or holds a zero byte
        units.push_back(static_cast<uint16_t>(
            std::vector<uint16_t>{0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x7F, 0x80, 0x100, 0x0, 0x7F00}[random() % 9]));
        break;
    }
  }
  units.resize(count);
  return units;
}

TEST(TextDecoding, Utf16MatchesOneUnitAtATimeForEveryShapeAndLength) {
  std::mt19937 random(7);
  // Lengths around the eight-unit steps and the output blocks, then long memo-sized texts.
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  for (size_t n : {255, 256, 257, 511, 512, 513, 767, 768, 769, 1500, 4000}) lengths.push_back(n);
  for (size_t n : lengths) {
    for (int round = 0; round < 20; ++round) {
      const auto units = RandomUnits(random, n);
      const Bytes bytes = LittleEndian(units);
      ASSERT_EQ(jet::DecodeUtf16Le(bytes), ReferenceUtf8(units)) << "length " << n << ", round " << round;
      // An odd trailing byte is ignored.
      Bytes odd = bytes;
      odd.push_back(0x41);
      ASSERT_EQ(jet::DecodeUtf16Le(odd), ReferenceUtf8(units)) << "length " << n << " with an odd byte";
    }
  }
  // All ASCII (the eight-at-a-time path only) and a pair split across the end of a block.
  std::vector<uint16_t> ascii(3000, 'a');
  ascii[2999] = 'z';
  EXPECT_EQ(jet::DecodeUtf16Le(LittleEndian(ascii)), std::string(2999, 'a') + "z");
  for (size_t at = 250; at < 262; ++at) {
    std::vector<uint16_t> units(300, 'x');
    units[at] = 0xD83D;
    units[at + 1] = 0xDE00;
    ASSERT_EQ(jet::DecodeUtf16Le(LittleEndian(units)), ReferenceUtf8(units)) << "pair at " << at;
  }
}

// Compressed text: after FF FE, one-byte characters until a zero byte switches to two-byte
// units and the next zero back; a last odd byte in two-byte mode is dropped.
std::string ReferenceCompressed(const Bytes& bytes) {
  std::vector<uint16_t> units;
  bool oneByte = true;
  for (size_t i = 2; i < bytes.size();) {
    if (bytes[i] == 0) {
      oneByte = !oneByte;
      ++i;
    } else if (oneByte) {
      units.push_back(bytes[i++]);
    } else {
      if (i + 1 >= bytes.size()) break;
      units.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
      i += 2;
    }
  }
  return ReferenceUtf8(units);
}

TEST(TextDecoding, CompressedTextMatchesByteByByteReading) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = {0xFF, 0xFE};
    const size_t pieces = random() % 12;
    for (size_t p = 0; p < pieces; ++p) {
      switch (random() % 4) {
        case 0: {  // ASCII run, long enough to cross several eight-byte words
          const size_t run = random() % 30;
          for (size_t k = 0; k < run; ++k) bytes.push_back(static_cast<uint8_t>(1 + random() % 0x7F));
          break;
        }
        case 1: bytes.push_back(static_cast<uint8_t>(0x80 + random() % 0x80)); break;
        case 2: bytes.push_back(0); break;  // switch modes
        default: {  // a two-byte unit, possibly half of a pair, possibly cut short
          bytes.push_back(static_cast<uint8_t>(random()));
          if (random() % 8) bytes.push_back(static_cast<uint8_t>(0xD8 + random() % 8));
          break;
        }
      }
    }
    ASSERT_EQ(jet::DecodeJet4Text(bytes), ReferenceCompressed(bytes)) << "round " << round;
  }
  // A long all-ASCII value and one where a high byte ends each word-sized step.
  Bytes ascii = {0xFF, 0xFE};
  for (int k = 0; k < 1000; ++k) ascii.push_back(static_cast<uint8_t>('a' + k % 26));
  EXPECT_EQ(jet::DecodeJet4Text(ascii), ReferenceCompressed(ascii));
  Bytes mixed = {0xFF, 0xFE};
  for (int k = 0; k < 200; ++k) mixed.push_back(k % 9 == 8 ? 0xE9 : 'q');
  EXPECT_EQ(jet::DecodeJet4Text(mixed), ReferenceCompressed(mixed));
}

}  // namespace
