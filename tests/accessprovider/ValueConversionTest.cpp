// The kinds of value no corpus file holds (or holds only one way): Date/Time Extended text,
// attachment and placeholder renderings, and the types reported for such columns.
#include "ado/Constants.h"
#include "ado/access/ValueConversion.h"

#include <gtest/gtest.h>

namespace ado::access {
namespace {

TEST(ValueConversion, DateTimeExtendedKeepsEveryStoredDigitAcrossTheWholeRange) {
  EXPECT_EQ(VariantFromValue(jet::DateTimeExtended{738944, 49530, 1234567}), Variant::text("2024-02-29 13:45:30.1234567"));
  EXPECT_EQ(DateTimeExtendedText({0, 0, 0}), "0001-01-01 00:00:00.0000000");
  EXPECT_EQ(DateTimeExtendedText({3652058, 86399, 9999999}), "9999-12-31 23:59:59.9999999");
  EXPECT_EQ(DateTimeExtendedText({693594, 86400 + 1, 5}), "1900-01-01 00:00:01.0000005");  // seconds past a day
}

TEST(ValueConversion, ComplexAndUndecodableValuesReadAsText) {
  jet::Attachments two;
  two.items.push_back({"photo.jpg", "jpg", std::vector<std::uint8_t>(1234), "", false, 0, 0});
  two.items.push_back({"", "txt", {}, "", false, 0, 0});
  EXPECT_EQ(VariantFromValue(two), Variant::text("photo.jpg (1234 bytes); (no name) (0 bytes)"));
  EXPECT_TRUE(VariantFromValue(jet::Attachments{}).isNull());
  EXPECT_EQ(VariantFromValue(jet::Unsupported{"multi-value data"}), Variant::text("(value not readable: multi-value data)"));

  jet::ColumnDef column;
  column.typeCode = static_cast<std::uint8_t>(jet::ColumnType::kDateTimeExtended);
  EXPECT_EQ(AdoTypeOfColumn(column), adDBTimeStamp);
  for (std::uint8_t code : {std::uint8_t(0x12), std::uint8_t(0x0D), std::uint8_t(0x46)}) {
    column.typeCode = code;
    EXPECT_EQ(AdoTypeOfColumn(column), adLongVarWChar) << int(code);
  }
}

}  // namespace
}  // namespace ado::access
