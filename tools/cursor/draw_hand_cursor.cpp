// Draws the program's hand pointer as a Windows cursor file (.CUR): a plain
// pointing hand, 32x32 pixels, 32-bit colour with alpha plus the AND mask that
// older readers use, hot spot on the tip of the index finger.
//
// Usage: draw_hand_cursor OUTPUT.CUR
// The committed resources/HAND-M.CUR is this tool's output; a test checks that
// both still agree.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kHotSpotX = 5;
constexpr int kHotSpotY = 0;

// '#' outline (black), '.' fill (white), anything else transparent.
// Rows not listed are transparent.
const std::array<const char*, 20> kHand = {
    "     ##           ",
    "    #..#          ",
    "    #..#          ",
    "    #..#          ",
    "    #..#          ",
    "    #..###        ",
    "    #..#..###     ",
    "    #..#..#..##   ",
    "    #..#..#..#.#  ",
    "##  #..#..#..#..# ",
    "#..##...........# ",
    "#...#...........# ",
    " #..............# ",
    "  #.............# ",
    "  #............#  ",
    "   #...........#  ",
    "   #..........#   ",
    "    #.........#   ",
    "    #.........#   ",
    "    ###########   ",
};

char PixelAt(int x, int y) {
  if (y >= static_cast<int>(kHand.size())) return ' ';
  const std::string row = kHand[y];
  return x < static_cast<int>(row.size()) ? row[x] : ' ';
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(v & 0xFF);
  out.push_back(v >> 8);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

std::vector<uint8_t> BuildCursorFile() {
  constexpr uint32_t kHeaderSize = 40;
  constexpr uint32_t kColourBytes = kSize * kSize * 4;
  constexpr uint32_t kMaskBytes = kSize * (kSize / 8);  // rows of 32 bits, already 4-byte aligned
  constexpr uint32_t kImageBytes = kHeaderSize + kColourBytes + kMaskBytes;
  constexpr uint32_t kImageOffset = 6 + 16;

  std::vector<uint8_t> out;
  // File header: reserved, type 2 = cursor, one image.
  Put16(out, 0);
  Put16(out, 2);
  Put16(out, 1);
  // Directory entry: width, height, colour count, reserved, hot spot x/y, size, offset.
  out.push_back(kSize);
  out.push_back(kSize);
  out.push_back(0);
  out.push_back(0);
  Put16(out, kHotSpotX);
  Put16(out, kHotSpotY);
  Put32(out, kImageBytes);
  Put32(out, kImageOffset);
  // Bitmap header; the height counts the colour image and the mask together.
  Put32(out, kHeaderSize);
  Put32(out, kSize);
  Put32(out, kSize * 2);
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, 0);   // no compression
  Put32(out, kColourBytes + kMaskBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  // Colour image, bottom row first, blue-green-red-alpha.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      const char p = PixelAt(x, y);
      const uint8_t level = p == '.' ? 0xFF : 0x00;
      const uint8_t alpha = (p == '#' || p == '.') ? 0xFF : 0x00;
      out.insert(out.end(), {level, level, level, alpha});
    }
  }
  // AND mask, bottom row first: a set bit lets the screen show through.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int byte = 0; byte < kSize / 8; ++byte) {
      uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const char p = PixelAt(byte * 8 + bit, y);
        if (p != '#' && p != '.') bits |= 0x80 >> bit;
      }
      out.push_back(bits);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.CUR\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> bytes = BuildCursorFile();
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
