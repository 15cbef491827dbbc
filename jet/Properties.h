// Object and column properties, as MSysObjects keeps them in its LvProp column: a
// "MR2\0" (Jet4/ACE) or "KKD\0" (Jet3) tag, then blocks of int32 length (the 6-byte
// block header included) and int16 type. Type 0x80 lists the property names (int16
// byte length, then the name); every other block holds one object's values: an int32
// length of its name part (itself included) with the name, then per value int16
// length (itself included), flag byte, type byte, int16 name index, int16 data size,
// data. The table's own values come in a block named "", a column's under its name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/Status.h"
#include "jet/TableDef.h"

namespace jet {

struct Property {
  std::string name;
  uint8_t typeCode = 0;
  std::vector<uint8_t> data;
  uint8_t flags = 0;  // property::kEngineValue for values the engine acts on
  bool operator==(const Property&) const = default;
};

struct PropertyBlock {
  std::string objectName;  // "" for the table itself
  uint16_t blockType = 0;
  std::vector<Property> values;

  const Property* find(const std::string& name) const;
  bool operator==(const PropertyBlock&) const = default;
};

// `jet3` names are code-page text, else UTF-16LE. Errors name what is damaged; the caller adds where.
Result<std::vector<PropertyBlock>> ParseProperties(std::span<const uint8_t> bytes, bool jet3, uint16_t codePage);

// Gives each calculated column of `table` its result type from the block named after it (names
// compared without case): the one-byte property "ResultType". Columns without one keep 0.
void ApplyResultTypes(TableDef& table, const std::vector<PropertyBlock>& blocks);

// ApplyResultTypes, and gives each column what its block says about "Required" (a value must
// be given) and "DefaultValue" (the expression an insert that leaves the column out stores).
void ApplyColumnProperties(TableDef& table, const std::vector<PropertyBlock>& blocks, bool jet3, uint16_t codePage);

}  // namespace jet
