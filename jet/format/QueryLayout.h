// Saved queries: the rows of the system table MSysQueries that describe one query. Every row
// of a query carries its MSysObjects Id (object type 5) in ObjectId; Attribute says what the
// row is. Facts read from Access-made files; docs/saved-queries.md has the worked examples.
#pragma once

#include <cstdint>

namespace jet::query {

inline constexpr const char* kQueriesTable = "MSysQueries";

// The Attribute column.
enum class Attribute : uint8_t {
  kStart = 0,       // first row, Flag 0
  kType = 1,        // Flag: QueryType below; DDL and pass-through keep their text in Expression
  kParameter = 2,   // Name1 the parameter, Flag its data type (a column type code), Name2 unused
  kFlags = 3,       // Flag: SelectFlag bits below
  kRemoteDb = 4,    // Name1 the other database's path, Expression its type ("ODBC;..." etc.)
  kInput = 5,       // Name1 a table or query, Name2 its alias; Expression a subquery or a union part
  kColumn = 6,      // Expression the value, Name1 its alias; Name2 an action query's target column
  kJoin = 7,        // Name1/Name2 the two inputs (aliases), Expression the ON condition, Flag JoinKind
  kWhere = 8,       // Expression
  kGroupBy = 9,     // Expression
  kHaving = 10,     // Expression
  kOrderBy = 11,    // Expression, Name1 "D" for descending
  kEnd = 255,
};

// Flag of the kType row. Select queries may have no such row; the MSysObjects Flags then
// say the kind (ObjectFlag below).
enum class QueryType : int16_t {
  kSelect = 1,
  kMakeTable = 2,
  kAppend = 3,
  kUpdate = 4,
  kDelete = 5,
  kCrosstab = 6,
  kDataDefinition = 7,
  kPassThrough = 8,
  kUnion = 9,
};

// The same kinds as the query's MSysObjects Flags, bits 4-7.
inline constexpr uint32_t kObjectFlagKindMask = 0xF0;
enum class ObjectFlag : uint32_t {
  kSelect = 0,
  kCrosstab = 16,
  kDelete = 32,
  kUpdate = 48,
  kAppend = 64,
  kMakeTable = 80,
  kDataDefinition = 96,
  kPassThrough = 112,
  kUnion = 128,
};

// Bits of the kFlags row's Flag.
inline constexpr int16_t kFlagAllColumns = 0x01;    // SELECT * (more columns may follow)
inline constexpr int16_t kFlagDistinct = 0x02;      // DISTINCT; on a union query: UNION, not UNION ALL
inline constexpr int16_t kFlagOwnerAccess = 0x04;   // WITH OWNERACCESS OPTION
inline constexpr int16_t kFlagDistinctRow = 0x08;   // DISTINCTROW
inline constexpr int16_t kFlagTop = 0x10;           // TOP, the count in Name1
inline constexpr int16_t kFlagPercent = 0x20;       // TOP ... PERCENT

// Flag of a kColumn row of a crosstab query.
inline constexpr int16_t kCrosstabPivot = 0x01;     // the PIVOT value
inline constexpr int16_t kCrosstabRowHeading = 0x02;  // a row heading (GROUP BY); no flag: the value

// Flag of a kJoin row.
enum class JoinKind : int16_t { kInner = 1, kLeft = 2, kRight = 3 };

// Name2 of the two kInput rows of a union query, whose Expression is each part's SQL.
inline constexpr const char* kUnionPart1 = "X7YZ_____1";
inline constexpr const char* kUnionPart2 = "X7YZ_____2";

// Name1 of a descending kOrderBy row.
inline constexpr const char* kDescending = "D";

}  // namespace jet::query
