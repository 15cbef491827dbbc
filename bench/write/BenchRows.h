// The benchmark's table and its rows: the same row number always gives the same values,
// so the read-back can check every value without keeping the rows in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ado/Field.h"

namespace bench {

// Long, Text(50), Memo, Double, Currency, Integer, Yes/No, Date/Time, Single, Decimal.
inline constexpr char kCreateTable[] =
    "CREATE TABLE `Bench` (`ID` LONG, `Name` TEXT(50), `Notes` MEMO, `Amount` DOUBLE, `Price` CURRENCY, "
    "`Qty` SMALLINT, `Flag` YESNO, `When` DATETIME, `Ratio` SINGLE, `Exact` DECIMAL(18,4))";

// One row; an empty optional is NULL (about one value in ten, the ID never).
struct Row {
  std::int32_t id = 0;
  std::optional<std::string> name;   // up to 50 characters, some with ' and non-ASCII letters
  std::optional<std::string> notes;  // 0 to 2,000 characters
  std::optional<double> amount;
  std::optional<std::int64_t> priceUnits;  // ten-thousandths
  std::optional<std::int16_t> qty;
  std::optional<bool> flag;               // NULL reads back as No
  std::optional<std::int64_t> whenSeconds;  // seconds since 1899-12-30 00:00
  std::optional<float> ratio;
  std::optional<std::int64_t> exactUnits;   // ten-thousandths, 14 digits before the point at most
};

Row MakeRow(long index);

// INSERT INTO `Bench` VALUES('...', ...) with every value a quoted text literal, as the
// program sends rows it copies from SQLite. Reuses `out`'s buffer.
void InsertStatement(const Row& row, std::string& out);

// True when the fields of the current row hold exactly `row`'s values.
bool RowMatches(const Row& row, const ado::FieldCollection& fields);

}  // namespace bench
