// Column bytes to Values (and, for the writer, back). Fixed-width types are read
// from their slice; text is decoded per format; memo and OLE go through LongValue.
// Complex columns decode to their int32 key (an int32_t Value): resolving it to
// attachments is ComplexColumns' job.
#pragma once

#include <span>
#include <string>

#include "jet/DatabaseHeader.h"
#include "jet/PageFile.h"
#include "jet/RowCodec.h"
#include "jet/Status.h"
#include "jet/TableDef.h"
#include "jet/Value.h"

namespace jet {

// `context` names file, table and row; the column name is added here. A caller that decodes
// many rows may pass `columnContext`, the same text made once (context + ", column " + name).
Result<Value> DecodeValue(PageFile& file, const ColumnDef& column, const FieldSlice& field, const Where& context,
                          const Where* columnContext = nullptr);

// A calculated column's value, decoded by its result type from the wrapper it is stored in.
// Never fails: a value that cannot be decoded becomes an Unsupported placeholder saying why.
Value DecodeCalculatedValue(PageFile& file, const ColumnDef& column, const FieldSlice& field, const Where& context);

// Decodes a Date/Time Extended value (42 ASCII bytes).
Result<DateTimeExtended> ParseDateTimeExtended(std::span<const uint8_t> bytes);

}  // namespace jet
