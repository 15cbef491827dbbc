// The ADO type a column of an SQLite table reports, from the type its CREATE TABLE declared.
// This follows what the SQLite ODBC driver reports, except that binary columns count as long
// binary (so that they reach Access as OLE objects) and decimals as doubles (so that fractions
// survive the copy).
#pragma once

#include <string_view>

namespace ado::sqlite {

// The declared type, lower-cased; the first rule that matches wins:
//   exactly "bigint" -> adBigInt; contains "int" -> adInteger; "char" -> adVarWChar;
//   "text" or "clob" -> adLongVarWChar; "real", "floa", "doub", "numeric" or "decimal" -> adDouble;
//   "datetime" or "timestamp" -> adDBTimeStamp; "date" -> adDBDate; "time" -> adDBTime;
//   "bool" or "bit" -> adBoolean; "blob" or "binary" -> adLongVarBinary;
//   nothing declared, or anything else -> adVarWChar.
int AdoTypeOfDeclaredType(std::string_view declaredType);

}  // namespace ado::sqlite
