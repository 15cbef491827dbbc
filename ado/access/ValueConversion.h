// Engine columns and values as the data-access layer shows them: the ADO type the Access
// OLE DB providers report for each column type, and each stored value as a Variant with
// nothing lost (Currency stays a count of ten-thousandths, Decimal its digits and scale,
// Date/Time the stored day count, GUID its bytes, OLE and Binary the bytes as stored).
//
// Types the providers have no ADO type of their own for:
//  - Date/Time Extended: adDBTimeStamp (135) with a text value "YYYY-MM-DD HH:MM:SS.fffffff".
//    ADO's DATE (a double day count) holds neither the 100 ns steps nor years before 100, so
//    the stored value travels as text, which any reader can parse back exactly.
//  - complex columns (attachments, multi-value fields, version history): adLongVarWChar (203)
//    with a readable rendering: "name (N bytes)" per attachment, "; " between them; Null when
//    the row has none.
//  - values the engine cannot decode (unknown column types, multi-value data): adLongVarWChar
//    (203) with a placeholder text that says so, never guessed bytes.
#pragma once

#include <string>

#include "ado/Variant.h"
#include "jet/TableDef.h"
#include "jet/Value.h"

namespace ado::access {

// The DataTypeEnum value of a field read from this column.
int AdoTypeOfColumn(const jet::ColumnDef& column);

Variant VariantFromValue(const jet::Value& value);
Variant VariantFromValue(jet::Value&& value);

// "YYYY-MM-DD HH:MM:SS.fffffff" (always seven fraction digits, as stored).
std::string DateTimeExtendedText(const jet::DateTimeExtended& value);

// The text a complex or undecodable value is shown as.
std::string AttachmentsText(const jet::Attachments& value);
std::string UnsupportedValueText(const jet::Unsupported& value);

}  // namespace ado::access
