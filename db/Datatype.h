// The names of ADO's data type numbers. The transfers classify a field by substring tests on
// the lower-cased name, so each name must be spelled exactly as ADO spells it.
#pragma once

#include <QString>
#include <cstdint>

namespace db {

// The DataTypeEnum name of a type number ("adVarWChar" for 202), or "" for a number that has none.
QString DataTypeName(std::int16_t type);

}  // namespace db
