// CREATE TABLE: a new table definition (TDEF) with its usage-map rows, laid out as
// Access's own table designer writes them, plus its catalogue entries: the MSysObjects
// row with both of its index entries and the MSysACEs permission rows Access gives a
// new table (the Tables container's, copied). Indexes given with the columns are laid out
// as Access lays them out: the index usage-map rows after the table's own map rows, then
// one empty root leaf page per real index. Columns' Required, DefaultValue, validation rules
// and calculated expressions, and the table's own validation rule, go to the row's LvProp
// properties, as Access keeps them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/Database.h"
#include "jet/Status.h"
#include "jet/format/ColumnTypes.h"
#include "jet/write/IndexDefinitions.h"
#include "jet/write/PageWriter.h"

namespace jet {

// What numbers a column itself: AutoNumber as increment (Long) or replication ID (GUID).
enum class AutoNumber : uint8_t { kNone, kIncrement, kReplicationId };

struct NewColumn {
  std::string name;
  ColumnType type = ColumnType::kText;
  uint16_t length = 0;    // Text: characters; Binary: bytes; else unused
  uint8_t precision = 0;  // Decimal
  uint8_t scale = 0;
  AutoNumber autoNumber = AutoNumber::kNone;  // kIncrement needs kLong, kReplicationId kGuid
  bool required = false;                      // NOT NULL: the column property "Required"
  std::optional<std::string> defaultValue{};  // DEFAULT: the expression as Access stores it
  std::optional<std::string> validationRule{};  // as Access stores it: ">0", "Like \"A*\""
  std::optional<std::string> validationText{};  // what Access says when a value breaks the rule
  // A calculated column (Access 2010 and later): the expression Access evaluates; `type` is
  // the type of its result. Its values are stored as given, in their wrapper.
  std::optional<std::string> expression{};
  bool calculated() const { return expression.has_value(); }
};

// The table's own properties: the rule every row must pass (it may compare columns) and the
// message Access shows when a row breaks it.
struct NewTableProperties {
  std::optional<std::string> validationRule{};
  std::optional<std::string> validationText{};
};

// A new table's indexes as its definition lists them: real indexes in number order,
// logical indexes in listing order (by name).
struct TableIndexDefs {
  std::vector<RealIndexDef> reals;
  std::vector<LogicalIndexDef> logicals;
};

// The definition bytes of a new table (TDEF without page numbers of its own: the map
// row pointers are given). Exposed for the comparison with Access-made definitions.
std::vector<uint8_t> BuildTableDef(const DatabaseHeader& header, const std::vector<NewColumn>& columns,
                                          RowPointer ownedMap, RowPointer freeMap,
                                          const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps,
                                          const TableIndexDefs& indexes = {});

// The real and logical indexes of a new table with `columns` (numbered 0..n-1): each
// logical index shares the real index of an earlier one with the same columns and flags.
// Usage maps and root pages are left for the caller. Errors name `context` and the index.
Result<TableIndexDefs> PlanIndexes(const std::vector<NewColumn>& columns, const std::vector<NewIndex>& indexes,
                                   const Where& context);

// Creates table `name` with `indexes` (on the new, empty table). A table of that name
// (any case) is kExists; the caller checks the names' characters. An AutoNumber of the
// wrong type is kInvalidArgument. Calculated columns need an .accdb file (kUnsupported in
// .mdb files); the first one in an Access 2007 file marks the file as Access 2010's, as
// Access does when a database first uses a feature Access 2007 does not know.
Result<uint32_t> CreateTable(Database& db, PageWriter& writer, const std::string& name,
                             const std::vector<NewColumn>& columns, const std::vector<NewIndex>& indexes = {},
                             const NewTableProperties& table = {});

// Writes definition bytes `def` from page `firstPage` on, over the continuation pages of
// `chain` (the definition's pages now, first page included) and new pages after them
// when it needs more. Each page gets its TDEF header, free-space field and next-page link.
Status WriteTableDefPages(PageWriter& writer, const std::vector<uint8_t>& def, std::vector<uint32_t> chain);

// The LvProp blob for `columns` and the table's own properties (empty when there is no
// property to keep).
std::vector<uint8_t> BuildColumnProperties(const std::vector<NewColumn>& columns, const NewTableProperties& table = {});

}  // namespace jet
