// Text sort keys: the documented layout, case folding, trimming, the 255-unit cut,
// descending keys and refusals. The byte-exact check against Access is the corpus test.
#include <gtest/gtest.h>

#include "jet/index/TextSortKey.h"

namespace jet::index {
namespace {

std::vector<uint8_t> Key(TextSortOrder order, std::u16string_view text, bool ascending = true) {
  std::vector<uint8_t> out;
  Status st = AppendTextSortKey(order, text, ascending, out);
  EXPECT_TRUE(st.ok()) << st.message();
  return out;
}

constexpr TextSortOrder kAllOrders[] = {TextSortOrder::kGeneralLegacy, TextSortOrder::kGeneral, TextSortOrder::kGeneral97};

TEST(TextSortKey, PlainNameMatchesTheCatalogueExample) {
  // From an Access-made catalogue entry: "T1" = 6D 38 01 00 in General Legacy.
  EXPECT_EQ(Key(TextSortOrder::kGeneralLegacy, u"T1"), (std::vector<uint8_t>{0x6D, 0x38, 0x01, 0x00}));
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// A key Access stored (whole key, after the column's 0x7F flag): the positions of the two hyphens
// count "ß" as two characters, 11 and 17 (0x8033, 0x804B), where the code tables alone give 10 and 16.
TEST(TextSortKey, ExpandingCharactersCountAsTheirLettersAsAccessStoresThem) {
  const auto access = FromHex("626f626f4d4a07626f6b6b62646f554a6d4d695160510101010180330682804b068200");
  EXPECT_EQ(Key(TextSortOrder::kGeneralLegacy, u"NuNuCa Nu\u00DF-Nougat-Creme"), access);
  for (TextSortOrder order : {TextSortOrder::kGeneralLegacy, TextSortOrder::kGeneral}) {
    SCOPED_TRACE(TextSortOrderName(order));
    // So the key of "ß" is the key of "ss", and likewise for the other letters the order expands.
    EXPECT_EQ(Key(order, u"NuNuCa Nu\u00DF-Nougat-Creme"), Key(order, u"NuNuCa Nuss-Nougat-Creme"));
    EXPECT_EQ(Key(order, u"Plutzer Lebensmittelgro\u00DFm\u00E4rkte AG"),
              Key(order, u"Plutzer Lebensmittelgrossm\u00E4rkte AG"));
    EXPECT_EQ(Key(order, u"\u00C6-\u0153-\u00FE-x"), Key(order, u"ae-oe-th-x"));
    // A character that is one letter is not taken for two.
    EXPECT_NE(Key(order, u"w-x"), Key(order, u"vv-x"));
  }
  // Access 97 stored these in a Northwind it made: "ß" takes two placeholders before the
  // extra code of "ä" (11 in all), and a module name ending in NUL keys it as the other
  // control characters (0x10).
  EXPECT_EQ(Key(TextSortOrder::kGeneral97, u"Plutzer Lebensmittelgro\u00DFm\u00E4rkte AG"),
            FromHex("736d78777e6675116d66616670766f6a7777666d68757276766f60756c7766116068022222222222" "60"));
  EXPECT_EQ(Key(TextSortOrder::kGeneral97, std::u16string(u"Lock") + u'\0'), FromHex("6d72626c1000"));
}

TEST(TextSortKey, CaseAndTrailingSpacesDoNotMatterButInnerSpacesDo) {
  for (TextSortOrder order : kAllOrders) {
    SCOPED_TRACE(TextSortOrderName(order));
    EXPECT_EQ(Key(order, u"Customers"), Key(order, u"CUSTOMERS"));
    EXPECT_EQ(Key(order, u"Orders"), Key(order, u"Orders   "));
    EXPECT_NE(Key(order, u"Ord ers"), Key(order, u"Orders"));
    EXPECT_NE(Key(order, u"Orders"), Key(order, u"Order"));
  }
}

TEST(TextSortKey, AccentsSortAfterTheBaseLetterAndKeepKeysDistinct) {
  for (TextSortOrder order : kAllOrders) {
    SCOPED_TRACE(TextSortOrderName(order));
    const auto plain = Key(order, u"Cafe");
    const auto accented = Key(order, u"Caf\u00E9");
    const auto next = Key(order, u"Cafg");
    EXPECT_NE(plain, accented);
    EXPECT_LT(plain, accented);
    EXPECT_LT(accented, next);  // the accent only breaks ties
  }
}

TEST(TextSortKey, OnlyTheFirst255UnitsCount) {
  for (TextSortOrder order : kAllOrders) {
    const std::u16string base(255, u'x');
    EXPECT_EQ(Key(order, base + u"abc"), Key(order, base + u"zzz"));
    EXPECT_NE(Key(order, base.substr(1) + u"a"), Key(order, base.substr(1) + u"b"));
  }
}

TEST(TextSortKey, LongValuesWithLineBreaksAreRefused) {
  const std::u16string longLine(200, u'x');
  for (TextSortOrder order : kAllOrders) {
    std::vector<uint8_t> out;
    EXPECT_EQ(AppendTextSortKey(order, longLine + u"\r\nmore", true, out).code(), ErrorCode::kUnsupported);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(AppendTextSortKey(order, u"short\r\ntext", true, out).ok());
    EXPECT_TRUE(AppendTextSortKey(order, longLine, true, out).ok());
  }
}

TEST(TextSortKey, DescendingKeysInvertTheOrder) {
  for (TextSortOrder order : kAllOrders) {
    SCOPED_TRACE(TextSortOrderName(order));
    const auto a = Key(order, u"Alpha", false), b = Key(order, u"Beta", false), ab = Key(order, u"Alphabet", false);
    EXPECT_GT(a, b);
    EXPECT_GT(a, ab);
  }
  // General Legacy: inverted bytes, then a plain 00.
  EXPECT_EQ(Key(TextSortOrder::kGeneralLegacy, u"T1", false),
            (std::vector<uint8_t>{0x92, 0xC7, 0xFE, 0xFF, 0x00}));
}

TEST(TextSortKey, UnprintableCharactersFollowTheDocumentedLayout) {
  // "a", U+0001 (unprintable), "b": inline a b | 01 | 01 01 | 01 | (7 + 4*1)|0x8000, 06, code | 00
  const auto key = Key(TextSortOrder::kGeneralLegacy, u"a\u0001b");
  const auto a = Key(TextSortOrder::kGeneralLegacy, u"a");
  const auto ab = Key(TextSortOrder::kGeneralLegacy, u"ab");
  ASSERT_GE(key.size(), 9u);
  EXPECT_TRUE(std::equal(ab.begin(), ab.end() - 1, key.begin()));  // same inline codes and 01
  const std::vector<uint8_t> tail(key.begin() + (ab.size() - 1), key.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x03, 0x00}));
  EXPECT_EQ(a.size(), 3u);
}

TEST(TextSortKey, SurrogatePairsAreKeyedButLoneSurrogatesAreRefused) {
  // U+1F600 = D83D DE00: computed inline codes B03F B6FC, extra 3F each.
  EXPECT_EQ(Key(TextSortOrder::kGeneral, u"\U0001F600"),
            (std::vector<uint8_t>{0xB0, 0x3F, 0xB6, 0xFC, 0x01, 0x3F, 0x3F, 0x00}));
  std::vector<uint8_t> out{0xAA};
  Status st = AppendTextSortKey(TextSortOrder::kGeneralLegacy, u"ab\xD800" u"c", true, out);
  EXPECT_EQ(st.code(), ErrorCode::kInvalidArgument);
  EXPECT_NE(st.message().find("U+D800"), std::string::npos);
  EXPECT_EQ(out, std::vector<uint8_t>{0xAA});  // nothing appended
}

TEST(TextSortKey, Access97KeysFoldCodePageCharactersAndRefuseOthers) {
  // The euro sign is 0x80 in the Access 97 code page.
  EXPECT_EQ(Key(TextSortOrder::kGeneral97, u"\u20AC1"), Key(TextSortOrder::kGeneral97, u"\u00801"));
  std::vector<uint8_t> out;
  Status st = AppendTextSortKey(TextSortOrder::kGeneral97, u"\u0416ar", true, out);
  EXPECT_EQ(st.code(), ErrorCode::kUnsupported);
  EXPECT_TRUE(out.empty());
}

TEST(TextSortOrder, OnlyTheGeneralOrdersAreKnown) {
  EXPECT_EQ(*ResolveTextSortOrder(1033, 0, false), TextSortOrder::kGeneralLegacy);
  EXPECT_EQ(*ResolveTextSortOrder(1033, 1, false), TextSortOrder::kGeneral);
  EXPECT_EQ(*ResolveTextSortOrder(1033, 0, true), TextSortOrder::kGeneral97);
  for (auto [lcid, version] : {std::pair<uint16_t, uint8_t>{1049, 0}, {1045, 1}, {1033, 2}, {1053, 0}}) {
    Result<TextSortOrder> r = ResolveTextSortOrder(lcid, version, false);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().code(), ErrorCode::kUnsupported);
    EXPECT_NE(r.status().message().find(std::to_string(lcid)), std::string::npos);
  }
}

}  // namespace
}  // namespace jet::index
