// What a new table of an Access 97 (Jet3) file looks like, beside the Jet4/ACE layout of
// TableCreator: the TDEF bytes (one-byte name lengths, code-page names, 18-byte column
// blocks, "VC" in place of the free space), and what Access 97 cannot hold: column types
// that came with later versions, names its code page has no bytes for.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jet/DatabaseHeader.h"
#include "jet/PageFile.h"
#include "jet/Status.h"
#include "jet/format/PageTypes.h"
#include "jet/write/TableCreator.h"

namespace jet {

// Ok if table `name` with `columns` can be created in a Jet3 file with `header`; else a
// message naming the file, the table and the column.
Status CheckJet3Table(const DatabaseHeader& header, const std::string& fileName, const std::string& name,
                      const std::vector<NewColumn>& columns);

// New indexes (keys of a new table, CREATE INDEX, a relationship's) are not made in Jet3
// files yet: the refusal, naming the file and table.
Status RefuseJet3Indexes(const std::string& fileName, const std::string& table);

// BuildTableDef for a Jet3 file (no indexes); CheckJet3Table must have passed.
std::vector<uint8_t> BuildJet3TableDef(const DatabaseHeader& header, const std::vector<NewColumn>& columns,
                                              RowPointer ownedMap, RowPointer freeMap,
                                              const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps);

// The tail every table definition ends with, in Jet3 and Jet4/ACE alike: each long-value
// column's usage-map pair, the end marker, then the definition's length in its header.
void AppendLongValueMapsAndEnd(std::vector<uint8_t>& out, const JetFormat& f, const std::vector<NewColumn>& columns,
                               const std::vector<std::pair<RowPointer, RowPointer>>& longValueMaps);

// The space field of a TDEF page: Jet4/ACE the page's free bytes, Jet3 "VC".
void SetTableDefSpace(PageBytes& page, const JetFormat& format, uint16_t freeBytes);

}  // namespace jet
