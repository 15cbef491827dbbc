// The bytes a text value is stored as: compressed only where Access compresses (the column
// allows it, 3 to 1,024 characters, every character in U+0001..U+00FF), else UTF-16LE,
// whichever path (plain ASCII or not) the encoder takes; text that is not UTF-8 is refused.
#include <gtest/gtest.h>

#include <random>

#include "ado/access/AccessSql.h"
#include "jet/Text.h"
#include "jet/write/StoredText.h"
#include "jet/write/TableWriter.h"

namespace jetwrite_test {
namespace {

jet::ColumnDef TextColumn(bool compressible, uint16_t characters = 255) {
  jet::ColumnDef c;
  c.name = "T";
  c.typeCode = static_cast<uint8_t>(jet::ColumnType::kText);
  c.length = static_cast<uint16_t>(characters * 2);
  if (compressible) c.extFlags = jet::kColumnExtFlagCompressedUnicode;
  return c;
}

std::vector<uint8_t> Stored(const jet::ColumnDef& c, const std::string& text) {
  auto bytes = jet::EncodeColumnValue(c, jet::Value(text), "test");
  EXPECT_TRUE(bytes.ok()) << bytes.status().message();
  return bytes.ok() ? *bytes : std::vector<uint8_t>{};
}

std::vector<uint8_t> Utf16(std::u16string_view units) {
  std::vector<uint8_t> out;
  for (char16_t u : units) {
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
  return out;
}

TEST(TextEncoding, CompressedWhereAccessCompressesElseUtf16) {
  const auto compressible = TextColumn(true);
  EXPECT_EQ(Stored(compressible, "abc"), (std::vector<uint8_t>{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(Stored(compressible, "ab"), Utf16(u"ab"));  // too short to compress
  EXPECT_EQ(Stored(compressible, "caf\xC3\xA9"), (std::vector<uint8_t>{0xFF, 0xFE, 'c', 'a', 'f', 0xE9}));
  EXPECT_EQ(Stored(compressible, "1\xE2\x82\xAC 2"), Utf16(u"1\u20AC 2"));  // the euro sign needs two bytes
  // A character outside the basic plane: a surrogate pair.
  EXPECT_EQ(Stored(compressible, "ab\xF0\x9F\x98\x80"), (std::vector<uint8_t>{'a', 0, 'b', 0, 0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_EQ(Stored(compressible, std::string("a\0bc", 4)), Utf16(std::u16string(u"a\0bc", 4)));
  EXPECT_EQ(Stored(TextColumn(false), "abc"), Utf16(u"abc"));
  // Bytes that are no UTF-8 are refused, never stored as something else.
  for (const char* broken : {"ab\x80", "\x80\xFF", "\xC0\x80", "caf\xC3", "\xE0\x9F\xBF", "\xF4\x90\x80\x80"}) {
    auto refused = jet::EncodeColumnValue(compressible, jet::Value(std::string(broken)), "test");
    ASSERT_FALSE(refused.ok()) << broken;
    EXPECT_NE(refused.status().message().find("not valid UTF-8"), std::string::npos) << refused.status().message();
  }
  // An unpaired surrogate, as the reader gives it, goes back as it came.
  EXPECT_EQ(Stored(compressible, "ab\xED\xA0\x80"), Utf16(u"ab\xD800"));
  // Longer than the column allows.
  EXPECT_FALSE(jet::EncodeColumnValue(TextColumn(true, 2), jet::Value(std::string("abc")), "test").ok());
}

TEST(TextEncoding, LongAsciiAndNonAsciiTextTakeTheSameRules) {
  // Memo values take the same encoder; a wide text column shows it without long values.
  auto wide = TextColumn(true, 4000);
  const std::string ascii1024(1024, 'x'), ascii1025(1025, 'x');
  EXPECT_EQ(Stored(wide, ascii1024).size(), 1026u);
  EXPECT_EQ(Stored(wide, ascii1025), Utf16(std::u16string(1025, u'x')));
  std::string latin;
  for (int i = 0; i < 1025; ++i) latin += "\xC3\xA9";
  EXPECT_EQ(Stored(wide, latin), Utf16(std::u16string(1025, u'\u00E9')));
}

// Random mixes of ASCII runs, Latin-1, wider characters, astral ones, NULs and broken
// sequences, at every alignment: the one-walk encoder agrees with decoding to UTF-16 first,
// and refuses exactly the texts the SQL side's UTF-8 check refuses.
TEST(TextEncoding, OneWalkEncoderAgreesWithDecodingFirst) {
  const std::vector<std::string> pieces = {"a",        "plain ascii text ", "O'Brien",   "\xC3\xA9",     "\xC5\x81",
                                           "\xE2\x82\xAC", "\xF0\x9F\x98\x80", std::string(1, '\0'), "\x80",
                                           "\xC3",     "\xE2\x82",         "\xFF",      "\xED\xA0\x80", "12345678",
                                           "\xC4\x80" /* U+0100 */, "\xC0\x80" /* an overlong NUL */,
                                           "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
                                           // Runs of two- and three-byte characters, and the edges of each length.
                                           "Ελλάδα ", "日本 ", "straße ", "\xE0\xA0\x80", "\xDF\xBF", "\xEF\xBF\xBF", "\xC2\x80"};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 40);
    // Every third text holds only ASCII and Latin-1: compressible unless it holds a zero.
    const std::vector<std::string> narrowPieces = {"a", "plain ascii text ", "O'Brien", "\xC3\xA9", "\xC2\x80",
                                                   round % 4 == 0 ? std::string(1, '\0') : std::string("12345678")};
    for (int k = 0; k < count; ++k) {
      text += round % 3 == 0 ? narrowPieces[random() % narrowPieces.size()] : pieces[random() % pieces.size()];
    }
    if (round % 7 == 0) text = std::string(random() % 1100, 'x') + text;  // around the compression limit
    const std::u16string units = jet::Utf8ToUtf16(text);
    bool narrow = true;
    for (char16_t u : units) narrow = narrow && u != 0 && u <= 0xFF;
    const bool compressible = round % 2 == 0;
    std::vector<uint8_t> expected;
    if (compressible && narrow && units.size() >= 3 && units.size() <= 1024) {
      expected = {0xFF, 0xFE};
      for (char16_t u : units) expected.push_back(static_cast<uint8_t>(u));
    } else {
      expected = Utf16(units);
    }
    std::vector<uint8_t> stored = {1, 2, 3};  // replaced, not appended to
    const auto encoded = jet::EncodeStoredText(text, compressible, stored);
    ASSERT_EQ(encoded.has_value(), ado::access::Utf16Length(text) >= 0) << "round " << round;
    if (!encoded) continue;
    EXPECT_EQ(*encoded, units.size());
    ASSERT_EQ(stored, expected) << "round " << round;
  }
}

}  // namespace
}  // namespace jetwrite_test
