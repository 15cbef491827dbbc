// ADO's enumeration values that the program passes or reads, under ADO's own names.
#pragma once

namespace ado {

// DataTypeEnum: the Type of a field.
enum DataTypeEnum : int {
  adEmpty = 0, adSmallInt = 2, adInteger = 3, adSingle = 4, adDouble = 5, adCurrency = 6, adDate = 7,
  adBSTR = 8, adIDispatch = 9, adError = 10, adBoolean = 11, adVariant = 12, adIUnknown = 13,
  adDecimal = 14, adTinyInt = 16, adUnsignedTinyInt = 17, adUnsignedSmallInt = 18, adUnsignedInt = 19,
  adBigInt = 20, adUnsignedBigInt = 21, adFileTime = 64, adGUID = 72, adBinary = 128, adChar = 129,
  adWChar = 130, adNumeric = 131, adUserDefined = 132, adDBDate = 133, adDBTime = 134,
  adDBTimeStamp = 135, adChapter = 136, adPropVariant = 138, adVarNumeric = 139, adVarChar = 200,
  adLongVarChar = 201, adVarWChar = 202, adLongVarWChar = 203, adVarBinary = 204, adLongVarBinary = 205
};

// CursorLocationEnum
enum CursorLocationEnum : int { adUseServer = 2, adUseClient = 3 };

// ConnectModeEnum (the values the program uses)
enum ConnectModeEnum : int { adModeUnknown = 0, adModeRead = 1, adModeWrite = 2, adModeReadWrite = 3 };

// CursorTypeEnum
enum CursorTypeEnum : int { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };

// LockTypeEnum
enum LockTypeEnum : int { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3, adLockBatchOptimistic = 4 };

// SchemaEnum: the schemas OpenSchema serves (ado/Schema.h has their fields).
enum SchemaEnum : int {
  adSchemaColumns = 4, adSchemaIndexes = 12, adSchemaTables = 20, adSchemaForeignKeys = 27, adSchemaPrimaryKeys = 28
};

// DBCOLUMNFLAGS: the COLUMN_FLAGS of the columns schema.
enum ColumnFlagsEnum : unsigned {
  DBCOLUMNFLAGS_MAYDEFER = 0x2, DBCOLUMNFLAGS_WRITEUNKNOWN = 0x8, DBCOLUMNFLAGS_ISFIXEDLENGTH = 0x10,
  DBCOLUMNFLAGS_ISNULLABLE = 0x20, DBCOLUMNFLAGS_MAYBENULL = 0x40, DBCOLUMNFLAGS_ISLONG = 0x80,
  DBCOLUMNFLAGS_ISROWID = 0x100
};

// The COLLATION of an index column and the NULLS of an index (indexes schema).
enum IndexCollationEnum : int { DB_COLLATION_ASC = 1, DB_COLLATION_DESC = 2 };
enum IndexNullsEnum : int { DBPROPVAL_IN_DISALLOWNULL = 1, DBPROPVAL_IN_IGNORENULL = 2, DBPROPVAL_IN_IGNOREANYNULL = 4 };

}  // namespace ado
