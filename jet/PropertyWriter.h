// Writes property blobs (MSysObjects.LvProp, Jet4/ACE "MR2" form; jet/Properties reads
// them): the name list, then the table's own block and one block per column, laid out as
// Access writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/Properties.h"

namespace jet {

// The blob for `blocks`: the first is the table's own (object name "", block type
// property::kObjectBlock), the others columns' (property::kColumnBlock). Names are listed
// once each, in the order they first occur.
std::vector<uint8_t> BuildProperties(const std::vector<PropertyBlock>& blocks);

// One value: Yes/No as Access stores it (one byte, 1 or 0), text as UTF-16LE.
Property YesNoProperty(const std::string& name, bool value, uint8_t flags);
Property MemoProperty(const std::string& name, const std::string& utf8, uint8_t flags);

}  // namespace jet
