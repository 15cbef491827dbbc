// Recognises the plain form of INSERT the copies send row after row,
//   INSERT INTO name VALUES(literal, ...)[;]
// with literals NULL, 'text' ('' inside), X'hex' and decimal numbers, so that the provider can
// run it as one prepared statement with bound values instead of having SQLite parse every
// row's text anew. A bound value gets the column's affinity exactly as the literal would;
// anything else (expressions, comments, other statements) is left to SQLite's own parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ado::sqlite {

struct InsertLiteral {
  enum class Kind { kNull, kInteger, kReal, kText, kBlob };
  Kind kind = Kind::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string_view text;  // kText without doubled quotes: the statement's own bytes
  std::string owned;      // kText with doubled quotes: its first `ownedLength` bytes (undone here); kBlob: the bytes
  size_t ownedLength = 0;
  bool escaped = false;   // kText: the value is in `owned`
  std::string_view textValue() const { return escaped ? std::string_view(owned.data(), ownedLength) : text; }
};

struct PlainInsert {
  std::string_view head;  // "INSERT INTO name VALUES(" as written
  std::vector<InsertLiteral> values;
};

// Fills `out` (its buffers are reused) and returns true when `sql` has the plain form.
bool ParsePlainInsert(std::string_view sql, PlainInsert& out);

}  // namespace ado::sqlite
