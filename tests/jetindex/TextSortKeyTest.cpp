// Text sort keys: the documented layout, case folding, trimming, the 255-unit cut,
// descending keys and refusals. The byte-exact check against Access is the corpus test.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <span>
#include <sstream>

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

TEST(TextSortKey, PlainNameMatchesTheCatalogExample) {
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

// The whole descriptor selects the order: LANGID, sort id and version together.
TEST(TextSortOrder, TheWholeDescriptorSelectsTheOrder) {
  EXPECT_EQ(*ResolveTextSortOrder(1033, 0, 0, false), TextSortOrder::kGeneralLegacy);
  EXPECT_EQ(*ResolveTextSortOrder(1033, 0, 1, false), TextSortOrder::kGeneral);
  EXPECT_EQ(*ResolveTextSortOrder(1033, 0, 0, true), TextSortOrder::kGeneral97);
  auto name = [](uint16_t lang, uint8_t sortId, uint8_t version) {
    return TextSortOrderName(*ResolveTextSortOrder(lang, sortId, version, false));
  };
  EXPECT_EQ(name(1038, 0, 0), "Hungarian");
  EXPECT_EQ(name(1038, 1, 0), "Hungarian Technical");
  EXPECT_EQ(name(1031, 1, 0), "German Phone Book");
  EXPECT_EQ(name(1050, 0, 0), "Croatian (Legacy)");
  EXPECT_EQ(name(1050, 0, 1), "Croatian");
  EXPECT_EQ(ResolveTextSortOrder(1050, 0, 1, false)->base, SortBase::kGeneral);
  // German (1031) itself, a sort id General lacks, Polish version 1, Russian, any order in an Access 97 file.
  const std::array<std::array<int, 4>, 6> unknown = {
      {{1031, 0, 0, 0}, {1033, 1, 0, 0}, {1045, 0, 1, 0}, {1049, 0, 0, 0}, {1033, 0, 2, 0}, {1055, 0, 0, 1}}};
  for (const auto& [lang, sortId, version, jet3] : unknown) {
    Result<TextSortOrder> r = ResolveTextSortOrder(static_cast<uint16_t>(lang), static_cast<uint8_t>(sortId),
                                                   static_cast<uint8_t>(version), jet3 != 0);
    ASSERT_FALSE(r.ok()) << lang;
    EXPECT_EQ(r.status().code(), ErrorCode::kUnsupported);
    EXPECT_NE(r.status().message().find(std::to_string((sortId << 16) | lang)), std::string::npos);
  }
}

std::string ToHex(std::span<const uint8_t> bytes) {
  std::string s;
  char buf[4];
  for (uint8_t b : bytes) std::snprintf(buf, sizeof buf, "%02x", b), s += buf;
  return s;
}

TextSortOrder Order(uint32_t lcid, uint8_t version = 0) {
  Result<TextSortOrder> order = ResolveTextSortOrder(lcid & 0xFFFF, static_cast<uint8_t>(lcid >> 16), version, false);
  EXPECT_TRUE(order.ok()) << order.status().message();
  return order.ok() ? *order : TextSortOrder::kGeneralLegacy;
}

// Every key Access stored in databases of ten language orders comes out byte for byte.
TEST(LanguageSortKeys, EveryKeyAccessStoredComesOutByteForByte) {
  std::ifstream in(std::string(TABLOREN_TEST_DATA_DIR) + "/sortorder-keys/keys.tsv");
  ASSERT_TRUE(in) << "tests/data/sortorder-keys/keys.tsv is missing";
  size_t keys = 0;
  size_t wrong = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    std::string lcid, version, direction, value, stored;
    std::getline(fields, lcid, '\t'), std::getline(fields, version, '\t'), std::getline(fields, direction, '\t');
    std::getline(fields, value, '\t'), std::getline(fields, stored, '\t');
    ++keys;
    std::u16string text;
    for (size_t i = 0; i + 3 < value.size(); i += 4) text += static_cast<char16_t>(std::stoi(value.substr(i, 4), nullptr, 16));
    const bool ascending = direction == "A";
    std::vector<uint8_t> key{ascending ? uint8_t{0x7F} : uint8_t{0x80}};
    Status st = AppendTextSortKey(Order(static_cast<uint32_t>(std::stoul(lcid)), static_cast<uint8_t>(std::stoi(version))),
                                  text, ascending, key);
    if (!st.ok() || ToHex(key) != stored) {
      if (++wrong <= 25) ADD_FAILURE() << lcid << " " << value << ": stored " << stored << ", built " << ToHex(key) << " "
                                       << st.message();
    }
  }
  EXPECT_EQ(keys, 2029u);
  EXPECT_EQ(wrong, 0u);
}

// Keys the public format reference gives for the language orders (measured there against
// Access's own engine), including the rules that only show in combinations.
TEST(LanguageSortKeys, KeysOfTheFormatReference) {
  struct Case {
    uint32_t lcid;
    uint8_t version;
    std::u16string_view text;
    std::string_view key;  // after the 7F flag
  };
  const Case cases[] = {
      {1034, 0, u"chico", "4e04594d640100"},        // a letter pair: five characters, four weights
      {1034, 0, u"lll", "5f045e0100"},              // longest match first, no backtracking
      {3082, 0, u"chico", "4d57594d640100"},        // Modern has no pairs
      {0x10407, 0, u"\u00E4", "4a510100"},          // German Phone Book: ä = a + e
      {1033, 0, u"\u00E4", "4a011300"},             // General Legacy: a with an umlaut
      {1055, 0, u"\u0131", "58060100"},             // Turkish dotless ı
      {1055, 0, u"\u0130", "590100"},               // dotted İ: plain i, no accent
      {1055, 0, u"I", "58060100"},
      {1029, 0, u"\u017C", "78010400"},             // ż is z with an accent in Czech ...
      {1045, 0, u"\u017C", "79040100"},             // ... and a letter in Polish
      {1029, 0, u"cch", "4d58030100"},              // Czech: c + ch
      {1044, 0, u"\u00F6", "7906011300"},           // Norwegian ö: two bytes, one accent slot
      {1044, 0, u"aa", "7909010300"},               // aa weighs as å
      {1036, 0, u"cot\u00E9", "4d646d51010e00"},    // French: accents from the end
      {1036, 0, u"c\u00F4te", "4d646d510102021200"},
      {1036, 0, u"c\u00F4t\u00E9", "4d646d51010e021200"},
      {1038, 0, u"ggy", "560356030100"},            // Hungarian doubles its pairs
      {1038, 0, u"dzs", "50050100"},
      {1038, 0, u"\u01F1", "4f780100"},             // the ligature Ǳ is d + z, not the pair dz
      {0x1040E, 0, u"gy", "5603760100"},            // Hungarian Technical: g is a letter, y plain
      {0x1040E, 0, u"\u00DF", "6c050100"},
      {1054, 0, u"\u0E40\u0E01", "7c99010300"},     // Thai: เก is one weight ...
      {1054, 0, u"\u0E01\u0E40", "7c987c9301030300"},  // ... กเ two
      {1066, 0, u"ngh", "630257 0100"},              // Vietnamese: ng + h
      {1050, 0, u"\u01C4", "5004010400"},           // Croatian Legacy: Ǆ is the letter dž
      {1060, 0, u"\u01C4", "4f79040100"},           // Slovenian: D + its own ž
      {1061, 0, u"z", "6c070100"},                  // Estonian z between s and t
      {1061, 0, u"\u017F", "6b010300"},
      {1063, 0, u"y", "5a020100"},                  // Lithuanian y after i; ogonek 0F
      {1063, 0, u"\u0105", "4a010f00"},
      {1050, 1, u"a", "0e020100"},                  // Croatian version 1: two-byte weights
      {1050, 1, u"lj", "0e4a0100"},
      {5146, 1, u"d\u017E", "0e1d010400"},
  };
  for (const Case& c : cases) {
    std::string want(c.key);
    std::erase(want, ' ');
    std::vector<uint8_t> key;
    ASSERT_TRUE(AppendTextSortKey(Order(c.lcid, c.version), c.text, true, key).ok());
    EXPECT_EQ(ToHex(key), want) << "LCID " << c.lcid << " text #" << (&c - cases);
  }
  // Descending: the ascending key inverted, then 00.
  std::vector<uint8_t> desc;
  ASSERT_TRUE(AppendTextSortKey(Order(0x10407), u"\u00E4", false, desc).ok());
  EXPECT_EQ(ToHex(desc), "b5aefeff00");
}

// Chinese, Japanese and Korean keys are built only from what is known: ASCII as in
// General Legacy, the ideographs Access was seen to key; any other is refused by name.
TEST(LanguageSortKeys, UnknownCharactersOfCjkOrdersAreRefusedByName) {
  for (uint32_t lcid : {2052u, 1028u, 1041u, 1042u}) {
    std::vector<uint8_t> ascii, general;
    ASSERT_TRUE(AppendTextSortKey(Order(lcid), u"Order_Details 12", true, ascii).ok());
    ASSERT_TRUE(AppendTextSortKey(TextSortOrder::kGeneralLegacy, u"Order_Details 12", true, general).ok());
    if (lcid != 1042) {
      EXPECT_EQ(ascii, general) << lcid;  // Korean moves the Latin letters
    }
  }
  const struct {
    uint32_t lcid;
    std::u16string_view text;
    std::string_view named;
  } refused[] = {{2052, u"\u9F8D\u738B", "U+9F8D"}, {1028, u"ab\u4E00", "U+4E00"}, {1041, u"\u9F8D", "U+9F8D"},
                 {1042, u"\u97D3\uAD6D", "U+97D3"}, {1041, u"\u30FC", "U+30FC"}};
  for (const auto& r : refused) {
    std::vector<uint8_t> out{0x7F};
    Status st = AppendTextSortKey(Order(r.lcid), r.text, true, out);
    EXPECT_EQ(st.code(), ErrorCode::kUnsupported) << r.lcid;
    EXPECT_NE(st.message().find(r.named), std::string::npos) << st.message();
    EXPECT_NE(st.message().find(TextSortOrderName(Order(r.lcid))), std::string::npos) << st.message();
    EXPECT_EQ(out.size(), 1u);
  }
}

}  // namespace
}  // namespace jet::index
