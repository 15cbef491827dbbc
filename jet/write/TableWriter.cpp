#include "jet/write/TableWriter.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/RowCodec.h"
#include "jet/Text.h"
#include "jet/write/AutoNumbers.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/StoredText.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

constexpr char kNotUtf8[] = "the text is not valid UTF-8 (a byte sequence is broken, overlong or beyond U+10FFFF)";

Status WrongValue(const Where& context, const ColumnDef& c, const std::string& why) {
  return Status(ErrorCode::kInvalidArgument, context + ", column " + c.name, why);
}

std::optional<int64_t> WholeNumber(const Value& v) {
  if (auto* b = std::get_if<uint8_t>(&v)) return *b;
  if (auto* s = std::get_if<int16_t>(&v)) return *s;
  if (auto* l = std::get_if<int32_t>(&v)) return *l;
  if (auto* g = std::get_if<BigInt>(&v)) return g->value;
  return std::nullopt;
}

// Replaces `out` with the `bytes` low bytes of `v`, least significant first.
Status LittleEndian(uint64_t v, size_t bytes, std::vector<uint8_t>& out) {
  out.resize(bytes);
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
  return Status::Ok();
}

// Text as the file stores it (TextStorage); `counted` receives what a Text column's size
// limits: 2 per UTF-16 unit (Jet4, whose sizes count bytes of UTF-16) or the bytes (Jet3).
Status EncodeText(const ColumnDef& c, const std::string& text, const TextStorage& storage, const Where& context,
                  std::vector<uint8_t>& out, size_t& counted) {
  if (!storage.codePageText) {
    const auto units = EncodeStoredText(text, c.compressedUnicode(), out);
    if (!units) return WrongValue(context, c, kNotUtf8);
    counted = *units * 2;
    return Status::Ok();
  }
  const CodePageEncoding encoded = EncodeCodePageText(text, storage.codePage, out);
  switch (encoded.fault) {
    case CodePageEncoding::Fault::kNone: counted = out.size(); return Status::Ok();
    case CodePageEncoding::Fault::kNotUtf8: return WrongValue(context, c, kNotUtf8);
    case CodePageEncoding::Fault::kUnmappable:
      return WrongValue(context, c, "the character " + DescribeCharacter(encoded.character) +
                                        " cannot be stored in this Access 97 database, whose text is in code page " +
                                        std::to_string(storage.codePage) + "; nothing was written");
    case CodePageEncoding::Fault::kUnknownCodePage: break;
  }
  return Status(ErrorCode::kUnsupported, context + ", column " + c.name,
                "the database's code page " + std::to_string(storage.codePage) +
                    " is not known here, so text cannot be written to it");
}

// The bytes memo/OLE data stores, before it becomes a long value.
Status LongValueData(const ColumnDef& c, const Value& v, const TextStorage& storage, const Where& context,
                     std::vector<uint8_t>& out) {
  if (auto* t = std::get_if<std::string>(&v)) {
    if (c.type() == ColumnType::kMemo) {
      size_t counted = 0;
      return EncodeText(c, *t, storage, context, out, counted);
    }
    return WrongValue(context, c, "an OLE Object column takes bytes, not text");
  }
  if (auto* b = std::get_if<Binary>(&v)) {
    out.assign(b->bytes.begin(), b->bytes.end());
    return Status::Ok();
  }
  return WrongValue(context, c, "value of the wrong kind for a " + std::string(ColumnTypeName(c.type())) + " column");
}

// EncodeColumnValue into `out`, whose buffer is reused from row to row.
Status EncodeColumnValueInto(const ColumnDef& c, const Value& v, const TextStorage& storage, const Where& context,
                             std::vector<uint8_t>& out) {
  const auto whole = WholeNumber(v);
  auto range = [&](int64_t lo, int64_t hi) -> Status {
    if (!whole) return WrongValue(context, c, "expected a whole number");
    if (*whole < lo || *whole > hi) return WrongValue(context, c, std::to_string(*whole) + " is out of range");
    return Status::Ok();
  };
  switch (c.type()) {
    case ColumnType::kByte:
      JET_RETURN_IF_ERROR(range(0, 255));
      return LittleEndian(static_cast<uint64_t>(*whole), 1, out);
    case ColumnType::kInteger:
      JET_RETURN_IF_ERROR(range(INT16_MIN, INT16_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 2, out);
    case ColumnType::kLong:
      JET_RETURN_IF_ERROR(range(INT32_MIN, INT32_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 4, out);
    case ColumnType::kBigInt:
      JET_RETURN_IF_ERROR(range(INT64_MIN, INT64_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 8, out);
    case ColumnType::kCurrency: {
      const auto* m = std::get_if<Currency>(&v);
      if (!m) return WrongValue(context, c, "expected a Currency value");
      return LittleEndian(static_cast<uint64_t>(m->tenThousandths), 8, out);
    }
    case ColumnType::kFloat:
    case ColumnType::kDouble:
    case ColumnType::kDateTime: {
      double d = 0;
      if (auto* f = std::get_if<float>(&v)) d = *f;
      else if (auto* x = std::get_if<double>(&v)) d = *x;
      else if (auto* t = std::get_if<DateTime>(&v)) d = t->days;
      else if (whole) d = static_cast<double>(*whole);
      else return WrongValue(context, c, "expected a number");
      if (c.type() == ColumnType::kFloat) {
        const float f = static_cast<float>(d);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return LittleEndian(bits, 4, out);
      }
      out.resize(8);
      StoreDouble(out.data(), d);
      return Status::Ok();
    }
    case ColumnType::kGuid: {
      const auto* g = std::get_if<Guid>(&v);
      if (!g) return WrongValue(context, c, "expected a GUID");
      out.assign(g->bytes.begin(), g->bytes.end());
      return Status::Ok();
    }
    case ColumnType::kNumeric: {
      const auto* d = std::get_if<Decimal>(&v);
      if (!d) return WrongValue(context, c, "expected a Decimal value");
      unsigned __int128 magnitude = d->magnitude;
      for (int s = d->scale; s < c.scale; ++s) magnitude *= 10;  // same value at the column's scale
      if (d->scale > c.scale) return WrongValue(context, c, "value has more decimals than the column's scale");
      unsigned __int128 limit = 1;
      for (int p = 0; p < c.precision; ++p) limit *= 10;
      if (magnitude >= limit) return WrongValue(context, c, "value has more digits than the column's precision");
      out.assign(17, 0);
      out[0] = d->negative && magnitude != 0 ? 0x80 : 0x00;
      // Four little-endian 32-bit words, most significant first.
      for (int word = 0; word < 4; ++word) {
        StoreU32(&out[1 + 4 * word], static_cast<uint32_t>(magnitude >> (32 * (3 - word))));
      }
      return Status::Ok();
    }
    case ColumnType::kText: {
      const auto* t = std::get_if<std::string>(&v);
      if (!t) return WrongValue(context, c, "expected text");
      size_t counted = 0;
      JET_RETURN_IF_ERROR(EncodeText(c, *t, storage, context, out, counted));
      if (counted > c.length) {
        const size_t perCharacter = storage.codePageText ? 1 : 2;
        return WrongValue(context, c, "text of " + std::to_string(counted / perCharacter) +
                                          " characters is longer than the column's " +
                                          std::to_string(c.length / perCharacter));
      }
      return Status::Ok();
    }
    case ColumnType::kBinary: {
      const auto* b = std::get_if<Binary>(&v);
      if (!b) return WrongValue(context, c, "expected bytes");
      if (b->bytes.size() > c.length) {
        return WrongValue(context, c, std::to_string(b->bytes.size()) + " bytes are more than the column's " +
                                          std::to_string(c.length));
      }
      out.assign(b->bytes.begin(), b->bytes.end());
      return Status::Ok();
    }
    default:
      return Status(ErrorCode::kUnsupported, context + ", column " + c.name,
                    "values of type " + std::string(ColumnTypeName(c.type())) + " are not written");
  }
}

// A calculated column's value as Access stores it, Access's own computation of the same
// expression: the value of the result type, wrapped (16 bytes, int32 data length, the data,
// 3 bytes). Yes/No is one data byte (0xFF for Yes); a decimal is an OLE VARIANT DECIMAL
// (type tag 0x000E, scale, sign 0x80 when negative, the magnitude's high 32 and low 64 bits).
// Text is never compressed.
Status EncodeCalculatedValue(const ColumnDef& c, const Value& v, const TextStorage& storage, const Where& context,
                             std::vector<uint8_t>& out) {
  std::vector<uint8_t> data;
  ColumnDef plain = c;
  plain.extFlags = 0;
  plain.typeCode = static_cast<uint8_t>(c.valueType());
  switch (c.valueType()) {
    case ColumnType::kBoolean: {
      const auto* b = std::get_if<bool>(&v);
      if (!b) return WrongValue(context, c, "expected Yes or No");
      data.push_back(*b ? 0xFF : 0x00);
      break;
    }
    case ColumnType::kNumeric: {
      constexpr uint16_t kVariantDecimal = 0x000E;
      constexpr uint8_t kMaxScale = 28;
      const auto* d = std::get_if<Decimal>(&v);
      if (!d) return WrongValue(context, c, "expected a Decimal value");
      if (d->scale > kMaxScale || (d->magnitude >> 96) != 0)
        return WrongValue(context, c, "the value is beyond a calculated decimal (96 bits, 28 decimals)");
      data.assign(16, 0);
      StoreU16(&data[0], kVariantDecimal);
      data[2] = d->scale;
      data[3] = d->negative && d->magnitude != 0 ? 0x80 : 0x00;
      StoreU32(&data[4], static_cast<uint32_t>(d->magnitude >> 64));
      StoreU64(&data[8], static_cast<uint64_t>(d->magnitude));
      break;
    }
    case ColumnType::kMemo:
    case ColumnType::kOle:
      JET_RETURN_IF_ERROR(LongValueData(plain, v, storage, context, data));
      break;
    default:
      // Text is declared with the wrapper's bytes in its length.
      if (plain.type() == ColumnType::kText || plain.type() == ColumnType::kBinary)
        plain.length = c.length > kCalculatedWrapperSize ? c.length - kCalculatedWrapperSize : 0;
      JET_RETURN_IF_ERROR(EncodeColumnValueInto(plain, v, storage, context, data));
      break;
  }
  out.assign(kCalculatedDataOffset, 0);
  StoreU32(&out[kCalculatedLengthOffset], static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), kCalculatedWrapperSize - kCalculatedDataOffset, 0);
  return Status::Ok();
}

// The working buffers of the row being inserted, kept from row to row so that each
// column's buffer is allocated once rather than once per value.
struct RowScratch {
  std::vector<std::vector<uint8_t>> stored;      // encoded values
  std::vector<FieldSlice> fields;                // what the row encoder takes
  std::vector<std::vector<uint8_t>> references;  // long values' row fields
  std::vector<bool> inlined;
  Where context;  // the file and table, for messages
  std::vector<uint8_t> row;

  static RowScratch& ForRow(size_t columns) {
    thread_local RowScratch scratch;
    constexpr size_t kKeptCapacity = 1 << 20;  // a huge value does not keep its buffer
    scratch.stored.resize(columns);
    for (auto& buffer : scratch.stored)
      if (buffer.capacity() > kKeptCapacity) std::vector<uint8_t>().swap(buffer);
    scratch.fields.assign(columns, FieldSlice{});
    scratch.references.resize(columns);
    scratch.inlined.assign(columns, false);
    return scratch;
  }
};

}  // namespace

Result<std::vector<uint8_t>> EncodeColumnValue(const ColumnDef& c, const Value& v, const Where& context,
                                               const TextStorage& storage) {
  std::vector<uint8_t> out;
  JET_RETURN_IF_ERROR(EncodeColumnValueInto(c, v, storage, context, out));
  return out;
}

Result<RowPointer> InsertRow(PageWriter& writer, const TableDef& def, const std::vector<Value>& values,
                             const InsertOptions& options) {
  const JetFormat& format = writer.format();
  RowScratch& scratch = RowScratch::ForRow(values.size());
  scratch.context.file.assign(writer.file().fileName());
  scratch.context.within.assign("table ").append(def.name);
  scratch.context.table.assign(def.name);
  const Where& context = scratch.context;
  if (values.size() != def.columns.size()) {
    return Status::InvalidArgument(context, std::to_string(values.size()) + " values for " +
                                                std::to_string(def.columns.size()) + " columns");
  }
  JET_RETURN_IF_ERROR(CheckIndexable(def, writer.file()));
  bool numbered = true;
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    // Access computes these itself from other tables or expressions.
    if (c.type() == ColumnType::kComplex) {
      return Status(ErrorCode::kUnsupported, context,
                    "column " + c.name +
                        " is a multi-value column, which this "
                        "engine does not fill yet; nothing was written");
    }
    if (c.autoNumber() && IsNull(values[i])) {
      numbered = false;
    } else if (c.required && IsNull(values[i]) && c.type() != ColumnType::kBoolean) {
      return Status(ErrorCode::kInvalidArgument, context + ", column " + c.name,
                    "a value is required (the column is NOT NULL), the row "
                    "has none; nothing was written");
    }
  }
  if (!numbered) {
    // Callers that may change the row number it themselves (WriteSession) and save this copy.
    std::vector<Value> filled = values;
    JET_RETURN_IF_ERROR(FillAutoNumbers(writer, def, filled, context));
    return InsertRow(writer, def, filled, options);
  }

  const TextStorage storage = TextStorageOf(writer.file().header());
  // Encode every plain column first: a bad value refuses the row before any write.
  auto& stored = scratch.stored;
  auto& fields = scratch.fields;
  auto& references = scratch.references;
  auto& inlined = scratch.inlined;
  size_t longValues = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (c.calculated()) {
      if (IsNull(values[i])) continue;
      JET_RETURN_IF_ERROR(EncodeCalculatedValue(c, values[i], storage, context, stored[i]));
      if (IsLongValueType(c.type())) {
        ++longValues;  // the wrapper lies inside the long value
        continue;
      }
      fields[i].present = true;
      fields[i].bytes = stored[i];
      continue;
    }
    if (c.type() == ColumnType::kBoolean) {
      const auto* b = std::get_if<bool>(&values[i]);
      if (!b && !IsNull(values[i])) return WrongValue(context, c, "expected Yes or No");
      fields[i].present = b && *b;
      continue;
    }
    if (IsNull(values[i])) continue;
    if (IsLongValueType(c.type())) {
      JET_RETURN_IF_ERROR(LongValueData(c, values[i], storage, context, stored[i]));
      ++longValues;
      continue;
    }
    JET_RETURN_IF_ERROR(EncodeColumnValueInto(c, values[i], storage, context, stored[i]));
    fields[i].present = true;
    fields[i].bytes = stored[i];
  }

  // Long values: inline when they and the row fit, else in LVAL rows.
  auto placeLongValues = [&](bool firstPass) -> Status {
    for (size_t i = 0; i < values.size(); ++i) {
      const ColumnDef& c = def.columns[i];
      if (!IsLongValueType(c.type()) || IsNull(values[i])) continue;
      if (!firstPass && !inlined[i]) continue;  // already in LVAL rows
      JET_RETURN_IF_ERROR(WriteLongValue(writer, def, c, stored[i], firstPass, references[i]));
      inlined[i] = firstPass && stored[i].size() <= JetFormat::kMaxInlineLongValue;
      fields[i].present = true;
      fields[i].bytes = references[i];
    }
    return Status::Ok();
  };
  // Short values go inline; if the row then is too long, they move to LVAL rows.
  JET_RETURN_IF_ERROR(placeLongValues(true));
  std::vector<uint8_t>& row = scratch.row;
  Status encoded = EncodeRowInto(def, format, fields, context, row);
  if (!encoded.ok() && longValues > 0) {
    JET_RETURN_IF_ERROR(placeLongValues(false));
    encoded = EncodeRowInto(def, format, fields, context, row);
  }
  JET_RETURN_IF_ERROR(encoded);
  JET_RETURN_IF_ERROR(KeepAutoNumbers(writer, def, values));

  // The table's last data page if the row fits there, else a new page in both maps.
  auto tableName = [&] { return "table " + def.name; };
  JET_ASSIGN_OR_RETURN(auto owned, writer.usageMap(def.ownedPages, tableName));
  JET_ASSIGN_OR_RETURN(auto free, writer.usageMap(def.freeSpacePages, tableName));
  JET_ASSIGN_OR_RETURN(auto last, owned->lastMember());
  uint32_t target = 0;
  if (last.has_value()) {
    JET_ASSIGN_OR_RETURN(auto page, writer.file().read(*last));
    if (RowFits(*page, format, row.size())) {
      target = *last;
    } else {
      JET_RETURN_IF_ERROR(free->remove(*last));  // full: no longer a page with room
    }
  }
  if (target == 0) {
    JET_ASSIGN_OR_RETURN(auto fresh, writer.allocate());
    target = fresh;
    JET_ASSIGN_OR_RETURN(auto bytes, writer.modify(target));
    InitNewDataPage(*bytes, format, def.firstPage());
    JET_RETURN_IF_ERROR(owned->add(target));
    JET_RETURN_IF_ERROR(free->add(target));
  }
  JET_ASSIGN_OR_RETURN(auto slot, AddRowToPage(writer, target, row));
  const RowPointer at{target, slot};
  if (options.catalogue && target < writer.file().flushedPageCount()) writer.writeLast(target);

  JET_RETURN_IF_ERROR(AddIndexEntries(writer, def, values, at, options.catalogue));

  if (!options.catalogue) {
    writer.countRowsAdded(def.firstPage(), 1);
    return at;
  }
  JET_ASSIGN_OR_RETURN(auto tdef, writer.modify(def.firstPage()));
  StoreU32(&(*tdef)[format.tdef.rowCount], LoadU32(&(*tdef)[format.tdef.rowCount]) + 1);
  writer.writeLast(def.firstPage());
  return at;
}

Status DeleteRow(PageWriter& writer, const TableDef& def, RowPointer row, const std::vector<Value>& values,
                 const InsertOptions& options) {
  const JetFormat& format = writer.format();
  const Where context = Where::Table(writer.file().fileName(), def.name);
  JET_RETURN_IF_ERROR(CheckIndexable(def, writer.file()));
  JET_ASSIGN_OR_RETURN(auto current, ReadRow(writer.file(), row, "a row of table " + def.name));
  // Free the LVAL rows of its long values (their pages stay with the column).
  RowDecoder decoder(def, format);
  std::vector<FieldSlice> fields;
  JET_RETURN_IF_ERROR(decoder.split(current.bytes(), fields, context));
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (!IsLongValueType(def.columns[i].type()) || !fields[i].present) continue;
    JET_ASSIGN_OR_RETURN(auto rows, LongValueRows(writer.file(), fields[i].bytes, context + ", column " + def.columns[i].name));
    for (const RowPointer& lv : rows) {
      JET_ASSIGN_OR_RETURN(auto page, writer.modify(lv.page));
      MarkRowDeleted(*page, format, lv.slot);
    }
  }
  JET_RETURN_IF_ERROR(RemoveIndexEntries(writer, def, values, row, options.catalogue));
  JET_ASSIGN_OR_RETURN(auto page, writer.modify(row.page));
  MarkRowDeleted(*page, format, row.slot);
  JET_ASSIGN_OR_RETURN(auto tdef, writer.modify(def.firstPage()));
  const uint32_t count = LoadU32(&(*tdef)[format.tdef.rowCount]);
  StoreU32(&(*tdef)[format.tdef.rowCount], count > 0 ? count - 1 : 0);
  if (options.catalogue) {
    // Entries go before their row (as rows come before their entries on insert): an
    // interruption can leave a row its index misses, never an entry without its row.
    writer.writeLast(row.page);
    writer.writeLast(def.firstPage());
  }
  return Status::Ok();
}

}  // namespace jet
