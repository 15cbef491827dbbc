// Property blobs (MSysObjects.LvProp): a 4-byte tag, then blocks of int32 length (the
// 6-byte block header included) and int16 block type. The name-list block comes first;
// each other block holds one object's values: int32 length of its name part (itself
// included), int16 byte length and the name; then per value int16 length (itself
// included), flag byte, type byte (a column type code), int16 index into the name list,
// int16 data size, data.
#pragma once

#include <cstdint>

namespace jet::property {

inline constexpr char kJet4Tag[4] = {'M', 'R', '2', '\0'};
inline constexpr char kJet3Tag[4] = {'K', 'K', 'D', '\0'};
inline constexpr uint32_t kTagSize = 4;
inline constexpr uint32_t kBlockHeader = 6;  // length (4), type (2)
inline constexpr uint32_t kValueHeader = 8;  // length (2), flag (1), type (1), name index (2), data size (2)

// Block types.
inline constexpr uint16_t kObjectBlock = 0x00;    // the table's own values (object name "")
inline constexpr uint16_t kColumnBlock = 0x01;    // one column's values, under its name
inline constexpr uint16_t kNameListBlock = 0x80;  // the property names, in index order

// Access sets this flag on the values the database engine itself acts on (Required,
// DefaultValue, ValidationRule, ...), and leaves it clear on display settings.
inline constexpr uint8_t kEngineValue = 0x01;

// Names of the column properties the engine acts on.
inline constexpr char kRequired[] = "Required";          // Yes/No, one byte: 1 = a value is required
inline constexpr char kDefaultValue[] = "DefaultValue";  // text: an expression, e.g. 0 or "abc"
inline constexpr char kResultType[] = "ResultType";      // one byte: a calculated column's type code
inline constexpr char kExpression[] = "Expression";      // text: a calculated column's expression
// Of a column, or of the table (its own block): the rule a value or row must pass, and the
// message Access shows when one does not.
inline constexpr char kValidationRule[] = "ValidationRule";
inline constexpr char kValidationText[] = "ValidationText";

}  // namespace jet::property
