// The start of a table definition as every format has it: the header (page type, the
// format's mark, table type, column counts, index counts, row count, the two usage maps)
// and the column blocks of a new table. Names, indexes and long-value maps each writer
// appends itself.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/format/JetFormat.h"
#include "jet/format/PageTypes.h"

namespace jet {

struct DatabaseHeader;
struct NewColumn;

struct TableDefHeader {
  uint8_t tableType = 0;
  uint16_t columnCount = 0;
  uint16_t variableColumnCount = 0;
  uint32_t logicalIndexCount = 0;
  uint32_t realIndexCount = 0;
  uint32_t rowCount = 0;
  RowPointer ownedPages;
  RowPointer freeSpacePages;
};

// The header's bytes in `format` (Jet3: the "VC" mark; Jet4/ACE: the definition magic and
// the auto-number marker Access always sets).
std::vector<uint8_t> StartTableDef(const JetFormat& format, const TableDefHeader& header);

// Appends the blocks of new columns `columns` in `format`: numbers in order; fixed columns at
// increasing offsets (Yes/No takes none: its value is the null-mask bit); variable slots in
// column order; fixed columns carry the count of variable columns before them, as Access
// writes. `database` gives the sort order (and Jet3's code page) every column carries.
void AppendColumnBlocks(std::vector<uint8_t>& out, const JetFormat& format, const DatabaseHeader& database,
                        const std::vector<NewColumn>& columns);

}  // namespace jet
