// Index definitions as a table definition (TDEF) stores them, for tables the writer
// creates or gives a new index: what a new index asks for (NewIndex), how it maps onto
// real indexes (the B-trees, shared between logical indexes with the same columns and
// flags, as Access shares them) and logical indexes (names, primary/foreign key), and the
// bytes of each block as Access writes them (checked against Access-made tables).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/format/JetFormat.h"

namespace jet {

struct NewIndexColumn {
  std::string name;
  bool ascending = true;
};

struct NewIndex {
  std::string name;
  std::vector<NewIndexColumn> columns;  // 1 to 10
  bool primaryKey = false;   // named "PrimaryKey" by Access; unique and required
  bool unique = false;
  bool required = false;     // no column may be Null (WITH DISALLOW NULL)
  bool ignoreNulls = false;  // rows whose key columns are all Null are not indexed
};

// Real-index flag bits (the flags byte of a real index block).
namespace real_index_flags {
inline constexpr uint8_t kUnique = 0x01;
inline constexpr uint8_t kIgnoreNulls = 0x02;
inline constexpr uint8_t kRequired = 0x08;
inline constexpr uint8_t kAlways = 0x80;  // set on every index Access 2000 and later write
}  // namespace real_index_flags

// Logical index types (byte 23 of a Jet4 logical index block).
inline constexpr uint8_t kLogicalIndexNormal = 0;
inline constexpr uint8_t kLogicalIndexPrimaryKey = 1;
inline constexpr uint8_t kLogicalIndexForeignKey = 2;
// The role byte of a foreign-key logical index: this table is the referenced (one) side
// of the relationship, or the referencing (many) side.
inline constexpr uint8_t kForeignKeyOnReferencedTable = 1;
inline constexpr uint8_t kForeignKeyOnReferencingTable = 2;

// The real-index flags of a new index.
uint8_t RealIndexFlags(const NewIndex& index);

// Checks `index` against `table` (columns exist and can be keyed, name free, one primary
// key, at most 10 columns) and returns its columns as the TDEF names them. Messages name
// the file's table and the index.
Result<std::vector<IndexColumn>> ResolveIndexColumns(const TableDef& table, const NewIndex& index,
                                                     const Where& context);

// Position of a real index of `table` with exactly these columns (and, unless `anyFlags`,
// these flags), or -1.
int FindRealIndex(const std::vector<RealIndexDef>& reals, const std::vector<IndexColumn>& columns, uint8_t flags,
                  bool anyFlags);

// The 12-byte per-real-index count block, the 52-byte real index block and the 28-byte
// logical index block (Jet4 and ACE).
void AppendRealIndexCount(std::vector<uint8_t>& out, uint32_t uniqueEntries);
void AppendRealIndexBlock(std::vector<uint8_t>& out, const RealIndexDef& real, const JetFormat& format);
void AppendLogicalIndexBlock(std::vector<uint8_t>& out, const LogicalIndexDef& logical, const JetFormat& format);
// A logical index name (2-byte length + UTF-16).
void AppendIndexName(std::vector<uint8_t>& out, const std::string& name);

// Order of logical index blocks and names in a TDEF: by name, without regard to case.
bool LogicalIndexListsBefore(const std::string& a, const std::string& b);

}  // namespace jet
