#include "jet/write/TableWriter.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/RowCodec.h"
#include "jet/Text.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/UsageMapWriter.h"

namespace jet {
namespace {

// Text values are stored compressed only where Access does: the column allows it and
// the value is of moderate length (Jackcess's tested rule).
constexpr size_t kMinCompressedChars = 3;
constexpr size_t kMaxCompressedChars = 1024;

Status WrongValue(const std::string& context, const ColumnDef& c, const std::string& why) {
  return Status(ErrorCode::kInvalidArgument, context + ", column " + c.name + ": " + why);
}

std::optional<int64_t> WholeNumber(const Value& v) {
  if (auto* b = std::get_if<uint8_t>(&v)) return *b;
  if (auto* s = std::get_if<int16_t>(&v)) return *s;
  if (auto* l = std::get_if<int32_t>(&v)) return *l;
  if (auto* g = std::get_if<BigInt>(&v)) return g->value;
  return std::nullopt;
}

// A text value measured for storing. Plain ASCII is used as it stands; other text is
// decoded to UTF-16 once, into a buffer reused from value to value.
struct TextMeasure {
  size_t units = 0;            // UTF-16 length
  bool narrow = true;          // every unit fits one byte and is not 0
  bool ascii = false;          // every byte is ASCII: the units are the bytes
  const char16_t* decoded{};   // the units, when not ascii
};

TextMeasure MeasureText(const std::string& text) {
  if (AsciiRunLength(text) == text.size())
    return {text.size(), std::memchr(text.data(), 0, text.size()) == nullptr, true, nullptr};
  thread_local std::u16string scratch;
  constexpr size_t kKeptScratch = 1 << 20;  // a huge value does not keep its buffer
  if (scratch.capacity() > kKeptScratch && text.size() <= kKeptScratch) std::u16string().swap(scratch);
  scratch.resize(text.size());  // no character takes more units than bytes
  char16_t* out = scratch.data();
  bool wide = false;
  ForEachUtf16Run(
      text,
      [&](const uint8_t* bytes, size_t count) {
        wide = wide || std::memchr(bytes, 0, count) != nullptr;
        for (size_t k = 0; k < count; ++k) out[k] = bytes[k];
        out += count;
      },
      [&](char16_t u) {
        wide |= static_cast<char16_t>(u - 1) >= 0xFF;  // 0 or above U+00FF
        *out++ = u;
      });
  TextMeasure m;
  m.units = static_cast<size_t>(out - scratch.data());
  m.decoded = scratch.data();
  m.narrow = !wide;
  return m;
}

// The stored bytes of UTF-8 `text` as measured by MeasureText.
std::vector<uint8_t> TextBytes(const ColumnDef& c, const std::string& text, const TextMeasure& m) {
  const size_t units = m.units;
  const bool compress =
      m.narrow && c.compressedUnicode() && units >= kMinCompressedChars && units <= kMaxCompressedChars;
  // Compressed: FF FE, then the low bytes; else UTF-16LE.
  std::vector<uint8_t> out(compress ? units + 2 : units * 2);
  uint8_t* at = out.data();
  if (compress) {
    *at++ = 0xFF;
    *at++ = 0xFE;
    if (m.ascii) {
      std::memcpy(at, text.data(), units);
    } else {
      for (size_t i = 0; i < units; ++i) at[i] = static_cast<uint8_t>(m.decoded[i]);
    }
  } else if (m.ascii) {  // each byte widened, four at a time
    const auto* from = reinterpret_cast<const uint8_t*>(text.data());
    size_t i = 0;
    for (; i + 4 <= units; i += 4) {
      uint64_t x = LoadU32(from + i);
      x = (x | x << 16) & 0x0000FFFF0000FFFFull;
      x = (x | x << 8) & 0x00FF00FF00FF00FFull;
      StoreU64(at + 2 * i, x);
    }
    for (; i < units; ++i) {
      at[2 * i] = from[i];
      at[2 * i + 1] = 0;
    }
  } else {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(at, m.decoded, units * 2);
    } else {
      for (size_t i = 0; i < units; ++i) StoreU16(at + 2 * i, m.decoded[i]);
    }
  }
  return out;
}

std::vector<uint8_t> LittleEndian(uint64_t v, size_t bytes) {
  std::vector<uint8_t> out(bytes);
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
  return out;
}

// The bytes memo/OLE data stores, before it becomes a long value.
Result<std::vector<uint8_t>> LongValueData(const ColumnDef& c, const Value& v, const std::string& context) {
  if (auto* t = std::get_if<std::string>(&v)) {
    if (c.type() == ColumnType::kMemo) {
      return TextBytes(c, *t, MeasureText(*t));
    }
    return WrongValue(context, c, "an OLE Object column takes bytes, not text");
  }
  if (auto* b = std::get_if<Binary>(&v)) return b->bytes;
  return WrongValue(context, c, "value of the wrong kind for a " + std::string(ColumnTypeName(c.type())) + " column");
}

}  // namespace

Result<std::vector<uint8_t>> EncodeColumnValue(const ColumnDef& c, const Value& v, const std::string& context) {
  const auto whole = WholeNumber(v);
  auto range = [&](int64_t lo, int64_t hi) -> Status {
    if (!whole) return WrongValue(context, c, "expected a whole number");
    if (*whole < lo || *whole > hi) return WrongValue(context, c, std::to_string(*whole) + " is out of range");
    return Status::Ok();
  };
  switch (c.type()) {
    case ColumnType::kByte:
      JET_RETURN_IF_ERROR(range(0, 255));
      return LittleEndian(static_cast<uint64_t>(*whole), 1);
    case ColumnType::kInteger:
      JET_RETURN_IF_ERROR(range(INT16_MIN, INT16_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 2);
    case ColumnType::kLong:
      JET_RETURN_IF_ERROR(range(INT32_MIN, INT32_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 4);
    case ColumnType::kBigInt:
      JET_RETURN_IF_ERROR(range(INT64_MIN, INT64_MAX));
      return LittleEndian(static_cast<uint64_t>(*whole), 8);
    case ColumnType::kCurrency: {
      const auto* m = std::get_if<Currency>(&v);
      if (!m) return WrongValue(context, c, "expected a Currency value");
      return LittleEndian(static_cast<uint64_t>(m->tenThousandths), 8);
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
        return LittleEndian(bits, 4);
      }
      std::vector<uint8_t> out(8);
      StoreDouble(out.data(), d);
      return out;
    }
    case ColumnType::kGuid: {
      const auto* g = std::get_if<Guid>(&v);
      if (!g) return WrongValue(context, c, "expected a GUID");
      return std::vector<uint8_t>(g->bytes.begin(), g->bytes.end());
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
      std::vector<uint8_t> out(17, 0);
      out[0] = d->negative && magnitude != 0 ? 0x80 : 0x00;
      // Four little-endian 32-bit words, most significant first.
      for (int word = 0; word < 4; ++word) {
        StoreU32(&out[1 + 4 * word], static_cast<uint32_t>(magnitude >> (32 * (3 - word))));
      }
      return out;
    }
    case ColumnType::kText: {
      const auto* t = std::get_if<std::string>(&v);
      if (!t) return WrongValue(context, c, "expected text");
      const TextMeasure m = MeasureText(*t);
      if (m.units * 2 > c.length) {
        return WrongValue(context, c, "text of " + std::to_string(m.units) +
                                          " characters is longer than the column's " + std::to_string(c.length / 2));
      }
      return TextBytes(c, *t, m);
    }
    case ColumnType::kBinary: {
      const auto* b = std::get_if<Binary>(&v);
      if (!b) return WrongValue(context, c, "expected bytes");
      if (b->bytes.size() > c.length) {
        return WrongValue(context, c, std::to_string(b->bytes.size()) + " bytes are more than the column's " +
                                          std::to_string(c.length));
      }
      return b->bytes;
    }
    default:
      return Status(ErrorCode::kUnsupported, context + ", column " + c.name + ": values of type " +
                                                 std::string(ColumnTypeName(c.type())) + " are not written");
  }
}

Result<RowPointer> InsertRow(PageWriter& writer, const TableDef& def, const std::vector<Value>& values,
                             const InsertOptions& options) {
  const JetFormat& format = writer.format();
  const std::string context = writer.file().fileName() + ": table " + def.name;
  if (values.size() != def.columns.size()) {
    return Status(ErrorCode::kInvalidArgument, context + ": " + std::to_string(values.size()) + " values for " +
                                                   std::to_string(def.columns.size()) + " columns");
  }
  JET_RETURN_IF_ERROR(CheckIndexable(def, writer.file().fileName()));
  for (const auto& c : def.columns) {
    // Access fills these itself; a row without the next number would break the counter.
    if (c.autoNumber() || c.calculated() || c.type() == ColumnType::kComplex) {
      return Status(ErrorCode::kUnsupported, context + ": column " + c.name +
                                                 " is an AutoNumber, calculated or multi-value column, which this "
                                                 "engine does not fill yet; nothing was written");
    }
  }

  // Encode every plain column first: a bad value refuses the row before any write.
  std::vector<std::vector<uint8_t>> stored(values.size());
  std::vector<FieldSlice> fields(values.size());
  size_t longValues = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (c.type() == ColumnType::kBoolean) {
      const auto* b = std::get_if<bool>(&values[i]);
      if (!b && !IsNull(values[i])) return WrongValue(context, c, "expected Yes or No");
      fields[i].present = b && *b;
      continue;
    }
    if (IsNull(values[i])) continue;
    if (IsLongValueType(c.type())) {
      auto data = LongValueData(c, values[i], context);
      if (!data.ok()) return data.status();
      stored[i] = std::move(data.value());
      ++longValues;
      continue;
    }
    auto bytes = EncodeColumnValue(c, values[i], context);
    if (!bytes.ok()) return bytes.status();
    stored[i] = std::move(bytes.value());
    fields[i].present = true;
    fields[i].bytes = stored[i];
  }

  // Long values: inline when they and the row fit, else in LVAL rows.
  std::vector<std::vector<uint8_t>> references(values.size());
  std::vector<bool> inlined(values.size(), false);
  auto placeLongValues = [&](bool firstPass) -> Status {
    for (size_t i = 0; i < values.size(); ++i) {
      const ColumnDef& c = def.columns[i];
      if (!IsLongValueType(c.type()) || IsNull(values[i])) continue;
      if (!firstPass && !inlined[i]) continue;  // already in LVAL rows
      auto ref = WriteLongValue(writer, def, c, stored[i], firstPass);
      if (!ref.ok()) return ref.status();
      inlined[i] = firstPass && stored[i].size() <= JetFormat::kMaxInlineLongValue;
      references[i] = std::move(ref.value());
      fields[i].present = true;
      fields[i].bytes = references[i];
    }
    return Status::Ok();
  };
  // Short values go inline; if the row then is too long, they move to LVAL rows.
  JET_RETURN_IF_ERROR(placeLongValues(true));
  auto row = EncodeRow(def, format, fields, context);
  if (!row.ok() && longValues > 0) {
    JET_RETURN_IF_ERROR(placeLongValues(false));
    row = EncodeRow(def, format, fields, context);
  }
  if (!row.ok()) return row.status();

  // The table's last data page if the row fits there, else a new page in both maps.
  auto owned = UsageMapWriter::Load(writer, def.ownedPages, "table " + def.name);
  if (!owned.ok()) return owned.status();
  auto free = UsageMapWriter::Load(writer, def.freeSpacePages, "table " + def.name);
  if (!free.ok()) return free.status();
  auto last = owned->lastMember();
  if (!last.ok()) return last.status();
  uint32_t target = 0;
  if (last->has_value()) {
    auto page = writer.file().read(**last);
    if (!page.ok()) return page.status();
    if (RowFits(**page, format, row->size())) {
      target = **last;
    } else {
      JET_RETURN_IF_ERROR(free->remove(**last));  // full: no longer a page with room
    }
  }
  if (target == 0) {
    auto fresh = writer.allocate();
    if (!fresh.ok()) return fresh.status();
    target = *fresh;
    auto bytes = writer.modify(target);
    if (!bytes.ok()) return bytes.status();
    InitDataPage(**bytes, format, def.firstPage());
    JET_RETURN_IF_ERROR(owned->add(target));
    JET_RETURN_IF_ERROR(free->add(target));
  }
  auto page = writer.modify(target);
  if (!page.ok()) return page.status();
  const RowPointer at{target, AddRow(**page, format, *row)};
  if (options.catalogue && target < writer.file().flushedPageCount()) writer.writeLast(target);

  JET_RETURN_IF_ERROR(AddIndexEntries(writer, def, values, at, options.catalogue));

  auto tdef = writer.modify(def.firstPage());
  if (!tdef.ok()) return tdef.status();
  StoreU32(&(**tdef)[format.tdef.rowCount], LoadU32(&(**tdef)[format.tdef.rowCount]) + 1);
  if (options.catalogue) writer.writeLast(def.firstPage());
  return at;
}

Status DeleteRow(PageWriter& writer, const TableDef& def, RowPointer row, const std::vector<Value>& values,
                 const InsertOptions& options) {
  const JetFormat& format = writer.format();
  const std::string context = writer.file().fileName() + ": table " + def.name;
  JET_RETURN_IF_ERROR(CheckIndexable(def, writer.file().fileName()));
  auto current = ReadRow(writer.file(), row, "a row of table " + def.name);
  if (!current.ok()) return current.status();
  // Free the LVAL rows of its long values (their pages stay with the column).
  RowDecoder decoder(def, format);
  std::vector<FieldSlice> fields;
  JET_RETURN_IF_ERROR(decoder.split(current->bytes(), fields, context));
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (!IsLongValueType(def.columns[i].type()) || !fields[i].present) continue;
    auto rows = LongValueRows(writer.file(), fields[i].bytes, context + ", column " + def.columns[i].name);
    if (!rows.ok()) return rows.status();
    for (const RowPointer& lv : *rows) {
      auto page = writer.modify(lv.page);
      if (!page.ok()) return page.status();
      MarkRowDeleted(**page, format, lv.slot);
    }
  }
  JET_RETURN_IF_ERROR(RemoveIndexEntries(writer, def, values, row, options.catalogue));
  auto page = writer.modify(row.page);
  if (!page.ok()) return page.status();
  MarkRowDeleted(**page, format, row.slot);
  auto tdef = writer.modify(def.firstPage());
  if (!tdef.ok()) return tdef.status();
  const uint32_t count = LoadU32(&(**tdef)[format.tdef.rowCount]);
  StoreU32(&(**tdef)[format.tdef.rowCount], count > 0 ? count - 1 : 0);
  if (options.catalogue) {
    // Entries go before their row (as rows come before their entries on insert): an
    // interruption can leave a row its index misses, never an entry without its row.
    writer.writeLast(row.page);
    writer.writeLast(def.firstPage());
  }
  return Status::Ok();
}

}  // namespace jet
