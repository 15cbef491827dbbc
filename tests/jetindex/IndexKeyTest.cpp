// Index keys: byte order must follow value order for every column kind, ascending and
// descending, with nulls first (ascending) or last (descending).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "jet/index/IndexKey.h"

namespace jet::index {
namespace {

std::vector<uint8_t> Key1(KeyColumnType type, KeyValue v, bool ascending = true) {
  KeyColumn col{type, ascending, TextSortOrder::kGeneralLegacy};
  Result<std::vector<uint8_t>> r = EncodeIndexKey(std::span(&col, 1), std::span(&v, 1));
  EXPECT_TRUE(r.ok()) << r.status().message();
  return r.ok() ? *r : std::vector<uint8_t>{};
}

TEST(IndexKey, CatalogKeysMatchAccess) {
  // ParentId 0x0F000001 + "T1", as stored in an Access-made ParentIdName index.
  const KeyColumn cols[] = {{KeyColumnType::kLong}, {KeyColumnType::kText, true, TextSortOrder::kGeneralLegacy}};
  const KeyValue vals[] = {int64_t{0x0F000001}, std::u16string(u"T1")};
  Result<std::vector<uint8_t>> key = EncodeIndexKey(cols, vals);
  ASSERT_TRUE(key.ok());
  EXPECT_EQ(*key, (std::vector<uint8_t>{0x7F, 0x8F, 0x00, 0x00, 0x01, 0x7F, 0x6D, 0x38, 0x01, 0x00}));
}

// Sorting values and sorting their keys must agree, in both directions.
template <typename T>
void ExpectOrderPreserved(KeyColumnType type, std::vector<T> values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  for (bool asc : {true, false}) {
    std::vector<std::vector<uint8_t>> keys;
    for (const T& v : values) keys.push_back(Key1(type, KeyValue(v), asc));
    keys.push_back(Key1(type, KeyValue(std::monostate{}), asc));  // null
    if (asc) {
      std::rotate(keys.rbegin(), keys.rbegin() + 1, keys.rend());  // null first
      EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    } else {
      const std::vector<uint8_t> null = keys.back();
      keys.pop_back();
      EXPECT_TRUE(std::is_sorted(keys.rbegin(), keys.rend()));  // larger values first
      EXPECT_GT(null, keys.front());                            // null last
    }
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
  }
}

TEST(IndexKey, WholeNumbersKeepTheirOrder) {
  std::mt19937 rng(7);
  std::vector<int64_t> longs = {INT32_MIN, -1, 0, 1, INT32_MAX, 0x0F000000, 0x0F000001};
  std::vector<int64_t> shorts = {-32768, -1, 0, 1, 32767};
  std::vector<int64_t> bytes = {0, 1, 127, 128, 255};
  std::vector<int64_t> money = {INT64_MIN, -10000, 0, 10000, INT64_MAX};
  for (int i = 0; i < 200; ++i) {
    longs.push_back(static_cast<int32_t>(rng()));
    shorts.push_back(static_cast<int16_t>(rng()));
    bytes.push_back(rng() % 256);
    money.push_back(static_cast<int64_t>(uint64_t{rng()} << 32 | rng()));
  }
  ExpectOrderPreserved(KeyColumnType::kLong, longs);
  ExpectOrderPreserved(KeyColumnType::kInteger, shorts);
  ExpectOrderPreserved(KeyColumnType::kByte, bytes);
  ExpectOrderPreserved(KeyColumnType::kCurrency, money);
}

TEST(IndexKey, FloatingValuesKeepTheirOrder) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  std::vector<double> values = {-1e300, -2.5, -1.25, -1e-300, 0.0, 1e-300, 0.5, 36525.75, 1e300};
  for (int i = 0; i < 300; ++i) values.push_back(dist(rng));
  ExpectOrderPreserved(KeyColumnType::kDouble, values);
  ExpectOrderPreserved(KeyColumnType::kDateTime, values);
  std::vector<double> singles;
  for (double v : values) singles.push_back(static_cast<float>(std::clamp(v, -1e30, 1e30)));
  ExpectOrderPreserved(KeyColumnType::kSingle, singles);
}

TEST(IndexKey, YesNoIsNeverNullAndYesComesFirst) {
  EXPECT_EQ(Key1(KeyColumnType::kYesNo, true), (std::vector<uint8_t>{0x7F, 0x00}));
  EXPECT_EQ(Key1(KeyColumnType::kYesNo, false), (std::vector<uint8_t>{0x7F, 0xFF}));
  EXPECT_EQ(Key1(KeyColumnType::kYesNo, std::monostate{}), Key1(KeyColumnType::kYesNo, false));
  EXPECT_EQ(Key1(KeyColumnType::kYesNo, true, false), (std::vector<uint8_t>{0x80, 0xFF}));
}

TEST(IndexKey, GuidsAreWrittenInEightByteSegments) {
  const uint8_t stored[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  const Guid g = Guid::FromStored(std::span<const uint8_t, 16>(stored));
  EXPECT_EQ(Key1(KeyColumnType::kGuid, g),
            (std::vector<uint8_t>{0x7F, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x09, 0x88, 0x99, 0xAA, 0xBB,
                                  0xCC, 0xDD, 0xEE, 0xFF, 0x08}));
  const auto desc = Key1(KeyColumnType::kGuid, g, false);
  ASSERT_EQ(desc.size(), 19u);
  EXPECT_EQ(desc[0], 0x80);
  EXPECT_EQ(desc[9], 0x09);   // the "more follows" marker stays
  EXPECT_EQ(desc[18], 0xF7);  // the last length is inverted
  EXPECT_EQ(desc[1], 0xFF);
}

TEST(IndexKey, WrongValuesAreRefusedNamingTheColumn) {
  const KeyColumn cols[] = {{KeyColumnType::kLong}, {KeyColumnType::kByte}};
  const std::vector<std::vector<KeyValue>> bad = {
      {int64_t{1}, int64_t{256}},                // out of range
      {int64_t{1}, int64_t{-1}},                 // Byte is unsigned
      {int64_t{1LL << 31}, int64_t{1}},          // Long overflow
      {std::u16string(u"x"), int64_t{1}},        // wrong kind
      {int64_t{1}},                              // missing value
  };
  for (const auto& vals : bad) {
    Result<std::vector<uint8_t>> r = EncodeIndexKey(cols, vals);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().code(), ErrorCode::kInvalidArgument);
  }
  const KeyColumn text[] = {{KeyColumnType::kText, true, TextSortOrder::kGeneral97}};
  const KeyValue cyrillic[] = {std::u16string(u"\u0416")};
  Result<std::vector<uint8_t>> r = EncodeIndexKey(text, cyrillic);
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.status().message().find("index column 1"), std::string::npos);
}

}  // namespace
}  // namespace jet::index

namespace jet::index {
namespace {

std::vector<uint8_t> DecimalKeyBytes(DecimalKey v, uint8_t columnScale, bool legacy, bool ascending) {
  KeyColumn col{KeyColumnType::kDecimal, ascending, TextSortOrder::kGeneralLegacy, columnScale, legacy};
  const KeyValue value{v};
  Result<std::vector<uint8_t>> r = EncodeIndexKey(std::span(&col, 1), std::span(&value, 1));
  EXPECT_TRUE(r.ok()) << r.status().message();
  return r.ok() ? *r : std::vector<uint8_t>{};
}

// Decimals: FF and the magnitude at the column's scale, big-endian; negatives inverted.
// Descending keys differ between Jet4 (sign byte set after the inversion) and ACE.
TEST(IndexKey, DecimalKeysFollowTheFileFormat) {
  std::vector<uint8_t> onePointFive(18, 0);
  onePointFive[0] = 0x7F;
  onePointFive[1] = 0xFF;
  onePointFive[17] = 150;  // 1.5 at scale 2
  EXPECT_EQ(DecimalKeyBytes({false, 15, 1}, 2, false, true), onePointFive);
  EXPECT_EQ(DecimalKeyBytes({false, 15, 1}, 2, true, true), onePointFive);  // ascending: the same in Jet4
  std::vector<uint8_t> minus = onePointFive;
  for (size_t i = 1; i < minus.size(); ++i) minus[i] = static_cast<uint8_t>(~minus[i]);
  EXPECT_EQ(DecimalKeyBytes({true, 150, 2}, 2, false, true), minus);
  // Descending, ACE: the whole ascending value inverted, flag 0x80.
  std::vector<uint8_t> aceDesc = onePointFive;
  aceDesc[0] = 0x80;
  for (size_t i = 1; i < aceDesc.size(); ++i) aceDesc[i] = static_cast<uint8_t>(~aceDesc[i]);
  EXPECT_EQ(DecimalKeyBytes({false, 15, 1}, 2, false, false), aceDesc);
  // Descending, Jet4: the magnitude inverted but the sign byte FF (positives after negatives).
  std::vector<uint8_t> jet4Desc = aceDesc;
  jet4Desc[1] = 0xFF;
  EXPECT_EQ(DecimalKeyBytes({false, 15, 1}, 2, true, false), jet4Desc);
  EXPECT_LT(DecimalKeyBytes({true, 1, 0}, 2, true, false), jet4Desc);
  // Zero is never negative; extra decimal places must be zeros.
  EXPECT_EQ(DecimalKeyBytes({true, 0, 0}, 2, false, true), DecimalKeyBytes({false, 0, 0}, 2, false, true));
  KeyColumn col{KeyColumnType::kDecimal, true, TextSortOrder::kGeneralLegacy, 1, false};
  const KeyValue tooFine{DecimalKey{false, 123, 2}};
  EXPECT_FALSE(EncodeIndexKey(std::span(&col, 1), std::span(&tooFine, 1)).ok());
  // Ascending ACE keys sort as the values do.
  std::vector<std::vector<uint8_t>> keys;
  for (int v : {-300, -20, -1, 0, 1, 7, 20, 1000}) {
    keys.push_back(DecimalKeyBytes({v < 0, static_cast<unsigned __int128>(std::abs(v)), 0}, 0, false, true));
  }
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(IndexKey, BigIntKeysAreSignFlippedBigEndian) {
  KeyColumn col{KeyColumnType::kBigInt};
  const KeyValue v{int64_t{-2}};
  Result<std::vector<uint8_t>> r = EncodeIndexKey(std::span(&col, 1), std::span(&v, 1));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(*r, (std::vector<uint8_t>{0x7F, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}));
}

// Keys past 510 bytes keep 508 and end in the big-endian checksum of the rest: the fold
// whose step table the issue gives (T[1] = 0580, T[0x80] = 0383), the last byte entering
// unfolded. A dropped hyphen/apostrophe record is refused, not guessed.
TEST(IndexKey, LongKeysKeep508BytesAndAChecksum) {
  EXPECT_EQ(TruncatedKeyChecksum(std::vector<uint8_t>{0x01, 0x00, 0x00}), 0x0580);
  EXPECT_EQ(TruncatedKeyChecksum(std::vector<uint8_t>{0x80, 0x00, 0x00}), 0x0383);
  EXPECT_EQ(TruncatedKeyChecksum(std::vector<uint8_t>{0x03, 0x00, 0x00}), 0x0580 ^ 0x0F80);
  EXPECT_EQ(TruncatedKeyChecksum(std::vector<uint8_t>{0x00, 0x00, 0xE8}), 0xE800);

  const KeyColumn cols[] = {{KeyColumnType::kText, true, TextSortOrder::kGeneralLegacy},
                            {KeyColumnType::kText, false, TextSortOrder::kGeneralLegacy},
                            {KeyColumnType::kLong}};
  const std::u16string a(255, u'a'), b = std::u16string(254, u'b') + u"x";
  const KeyValue vals[] = {a, b, int64_t{7}};
  std::vector<uint8_t> whole;
  for (size_t i = 0; i < 3; ++i) {
    Result<std::vector<uint8_t>> part = EncodeIndexKey(std::span(&cols[i], 1), std::span(&vals[i], 1));
    ASSERT_TRUE(part.ok());
    whole.insert(whole.end(), part->begin(), part->end());
  }
  ASSERT_GT(whole.size(), kMaxKeyBytes);
  Result<std::vector<uint8_t>> key = EncodeIndexKey(cols, vals);
  ASSERT_TRUE(key.ok()) << key.status().message();
  ASSERT_EQ(key->size(), kMaxKeyBytes);
  EXPECT_TRUE(std::equal(key->begin(), key->begin() + kKeptKeyBytes, whole.begin()));
  const uint16_t sum = TruncatedKeyChecksum(std::span<const uint8_t>(whole).subspan(kKeptKeyBytes));
  EXPECT_EQ((*key)[508], sum >> 8);
  EXPECT_EQ((*key)[509], sum & 0xFF);

  // A key of exactly 510 bytes stays whole; a hyphen kept in the first 508 is fine ...
  const KeyValue fits[] = {std::u16string(252, u'a'), std::u16string(251, u'c')};
  EXPECT_EQ(EncodeIndexKey(std::span(cols, 2), fits)->size(), kMaxKeyBytes);
  const KeyValue keptHyphen[] = {std::u16string(250, u'a') + u"-b", std::u16string(300, u'c')};
  EXPECT_TRUE(EncodeIndexKey(std::span(cols, 2), keptHyphen).ok());
  // ... one in the dropped part is refused.
  const KeyValue droppedHyphen[] = {std::u16string(250, u'a'), std::u16string(250, u'c') + u"-d"};
  Result<std::vector<uint8_t>> refused = EncodeIndexKey(std::span(cols, 2), droppedHyphen);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.status().message().find("hyphen or apostrophe"), std::string::npos);
}

}  // namespace
}  // namespace jet::index
