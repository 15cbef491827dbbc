#include "GoldenDump.h"

#include <openssl/evp.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

#include "JsonText.h"
#include "jet/Database.h"
#include "jet/DateSerial.h"
#include "jet/format/HeaderLayout.h"

namespace jettool {
namespace {

constexpr size_t kRowLimit = 2000;
constexpr int64_t kDayMs = jet::kSecondsPerDay * 1000;
constexpr int64_t kEpoch1899Ms = -jet::kSerialEpochUnixDays * kDayMs;
constexpr double kMaxJsTimeMs = 8.64e15;         // JavaScript's Date range

std::string Pad(int64_t v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

std::string FormatYear(int64_t y) {
  if (y >= 0 && y <= 9999) return Pad(y, 4);
  return std::string(y < 0 ? "-" : "+") + Pad(y < 0 ? -y : y, 6);
}

// Milliseconds since 1970 as "YYYY-MM-DDTHH:MM:SS[.fff]".
std::string FormatUnixMs(int64_t ms, bool alwaysMs = false) {
  int64_t days = ms / kDayMs;
  int64_t rest = ms % kDayMs;
  if (rest < 0) {
    rest += kDayMs;
    --days;
  }
  const auto [y, m, d] = jet::CivilFromUnixDays(days);
  std::string s = FormatYear(y) + "-" + Pad(m, 2) + "-" + Pad(d, 2) + "T" + Pad(rest / 3600000, 2) + ":" +
                  Pad(rest / 60000 % 60, 2) + ":" + Pad(rest / 1000 % 60, 2);
  if (rest % 1000 != 0 || alwaysMs) s += "." + Pad(rest % 1000, 3);
  return s;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s = "hex:";
  s.reserve(4 + 2 * bytes.size());
  for (uint8_t b : bytes) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string ScaledDecimal(unsigned __int128 magnitude, int scale, bool negative) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (static_cast<int>(digits.size()) <= scale) digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - static_cast<size_t>(scale), ".");
  return negative ? "-" + digits : digits;
}

std::string GuidText(const jet::Guid& g) {
  static constexpr char kHex[] = "0123456789abcdef";
  // The first three groups are stored little-endian.
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string s;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
    const uint8_t b = g.bytes[kOrder[i]];
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string FormatDateTimeExtended(const jet::DateTimeExtended& v) {
  // Days since 0001-01-01 plus seconds, which may run past one day.
  const int64_t totalSeconds = v.seconds;
  const auto [y, m, d] =
      jet::CivilFromUnixDays(jet::UnixDaysFromCivil(1, 1, 1) + v.days + totalSeconds / jet::kSecondsPerDay);
  const int64_t secondOfDay = totalSeconds % jet::kSecondsPerDay;
  return Pad(y, 4) + "-" + Pad(m, 2) + "-" + Pad(d, 2) + "T" + Pad(secondOfDay / 3600, 2) + ":" +
         Pad(secondOfDay / 60 % 60, 2) + ":" + Pad(secondOfDay % 60, 2) + "." + Pad(v.ticks, 7);
}

struct ValueJson {
  std::string& out;
  void operator()(const jet::Null&) { out += "null"; }
  void operator()(bool b) { out += b ? "true" : "false"; }
  void operator()(uint8_t v) { out += std::to_string(v); }
  void operator()(int16_t v) { out += std::to_string(v); }
  void operator()(int32_t v) { out += std::to_string(v); }
  void operator()(const jet::BigInt& v) { AppendJsonString(out, std::to_string(v.value)); }
  void operator()(const jet::Currency& v) {
    const bool negative = v.tenThousandths < 0;
    const unsigned __int128 magnitude =
        negative ? static_cast<unsigned __int128>(-(v.tenThousandths + 1)) + 1 : static_cast<unsigned __int128>(v.tenThousandths);
    AppendJsonString(out, ScaledDecimal(magnitude, 4, negative));
  }
  void operator()(float v) { AppendJsonNumber(out, static_cast<double>(v)); }
  void operator()(double v) { AppendJsonNumber(out, v); }
  void operator()(const jet::DateTime& v) { AppendJsonString(out, FormatDateTime(v.days)); }
  void operator()(const jet::Decimal& v) { AppendJsonString(out, ScaledDecimal(v.magnitude, v.scale, v.negative)); }
  void operator()(const std::string& v) { AppendJsonString(out, v); }
  void operator()(const jet::Binary& v) { AppendJsonString(out, Hex(v.bytes)); }
  void operator()(const jet::Guid& v) { AppendJsonString(out, GuidText(v)); }
  void operator()(const jet::DateTimeExtended& v) { AppendJsonString(out, FormatDateTimeExtended(v)); }
  void operator()(const jet::Attachments& v) {
    out += '[';
    for (size_t i = 0; i < v.items.size(); ++i) {
      const jet::Attachment& a = v.items[i];
      if (i) out += ',';
      out += "{\"name\":";
      AppendJsonString(out, a.name);
      out += ",\"type\":";
      AppendJsonString(out, a.type);
      out += ",\"data\":";
      AppendJsonString(out, Hex(a.data));
      if (!a.url.empty()) {
        out += ",\"url\":";
        AppendJsonString(out, a.url);
      }
      if (a.hasTimestamp) {
        out += ",\"timestamp\":";
        AppendJsonString(out, FormatDateTime(a.timestamp));
      }
      if (a.flags != 0) out += ",\"flags\":" + std::to_string(a.flags);
      out += '}';
    }
    out += ']';
  }
  void operator()(const jet::Unsupported&) { out += "\"unsupported\""; }
};

struct FormatInfo {
  std::string format = "null";
  std::string versionByte = "null";
};

FormatInfo ReadFormatInfo(const std::string& path) {
  FormatInfo info;
  std::ifstream in(path, std::ios::binary);
  char bytes[0x20] = {};
  in.read(bytes, sizeof bytes);
  if (in.gcount() < 0x15) return info;
  const uint8_t v = static_cast<uint8_t>(bytes[jet::header::kVersionOffset]);
  std::string name = jet::VersionName(v);
  if (v == 1 && std::string_view(bytes + jet::header::kEngineNameOffset, 15) == jet::header::kMsisamEngineName) {
    name = "MSISAM";
  }
  info.format.clear();
  AppendJsonString(info.format, name);
  info.versionByte = std::to_string(v);
  return info;
}

struct Sha256 {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  Sha256() { EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr); }
  ~Sha256() { EVP_MD_CTX_free(ctx); }
  void update(const std::string& s) { EVP_DigestUpdate(ctx, s.data(), s.size()); }
  std::string hex() {
    unsigned char digest[32];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx, digest, &length);
    return Hex(std::vector<uint8_t>(digest, digest + length)).substr(4);
  }
};

// One table's members after "name", each already laid out as the golden lays them.
// `failed` is set when the table could not be read (its members are then only "error").
std::string DumpTable(jet::Database& db, const jet::CatalogEntry& entry, bool& failed) {
  std::string body;
  auto fail = [&](const jet::Status& s) {
    failed = true;
    std::string out = "      \"error\": ";
    AppendJsonString(out, s.message());
    return out + "\n";
  };
  auto def = db.tableDef(entry.name);
  if (!def.ok()) return fail(def.status());
  const auto ordered = (*def)->columnsByNumber();
  std::vector<size_t> order;  // definition index of each output column
  for (const auto* c : ordered) order.push_back(static_cast<size_t>(c - (*def)->columns.data()));

  std::string columns;
  for (size_t i = 0; i < ordered.size(); ++i) {
    const jet::ColumnDef& c = *ordered[i];
    std::string typeName(jet::ColumnTypeName(c.type()));
    if (typeName.empty()) typeName = "unknown";
    columns += "        {\"name\":";
    AppendJsonString(columns, c.name);
    columns += ",\"type\":";
    AppendJsonString(columns, typeName);
    columns += ",\"size\":" + std::to_string(c.type() == jet::ColumnType::kBoolean ? 0 : c.length);
    if (c.type() == jet::ColumnType::kNumeric) {
      columns += ",\"precision\":" + std::to_string(c.precision) + ",\"scale\":" + std::to_string(c.scale);
    }
    columns += i + 1 < ordered.size() ? "},\n" : "}\n";
  }

  auto cursor = db.scan(def.value());
  if (!cursor.ok()) return fail(cursor.status());
  std::string rows;
  size_t rowCount = 0;
  Sha256 hash;
  hash.update("[");
  std::map<std::string, std::string> valueErrors;
  std::vector<std::string> errorOrder;
  std::string row;
  while (true) {
    auto more = cursor->next();
    if (!more.ok()) return fail(more.status());
    if (!*more) break;
    row.assign("[");
    for (size_t i = 0; i < order.size(); ++i) {
      if (i) row += ',';
      auto v = cursor->value(order[i]);
      if (!v.ok()) return fail(v.status());
      if (auto* u = std::get_if<jet::Unsupported>(&*v)) {
        const std::string& name = ordered[i]->name;
        if (valueErrors.emplace(name, u->reason).second) errorOrder.push_back(name);
      }
      std::visit(ValueJson{row}, *v);
    }
    row += ']';
    if (rowCount) hash.update(",");
    hash.update(row);
    if (rowCount < kRowLimit) {
      if (rowCount) rows += ",\n";
      rows += "        " + row;
    }
    ++rowCount;
  }
  hash.update("]");

  body += columns.empty() ? "      \"columns\": [],\n" : "      \"columns\": [\n" + columns + "      ],\n";
  body += "      \"row_count\": " + std::to_string(rowCount) + ",\n";
  body += "      \"tdef_row_count\": " + std::to_string((*def)->rowCount) + ",\n";
  if (rowCount > kRowLimit) {
    body += "      \"rows_truncated\": true,\n";
    body += "      \"rows_sha256\": \"" + hash.hex() + "\",\n";
  }
  body += rows.empty() ? "      \"rows\": []" : "      \"rows\": [\n" + rows + "\n      ]";
  if (!valueErrors.empty()) {
    body += ",\n      \"value_errors\": {";
    for (size_t i = 0; i < errorOrder.size(); ++i) {
      if (i) body += ',';
      AppendJsonString(body, errorOrder[i]);
      body += ':';
      AppendJsonString(body, valueErrors[errorOrder[i]]);
    }
    body += '}';
  }
  return body + "\n";
}

}  // namespace

std::string FormatDateTime(double days) {
  // The instant as a linear count of milliseconds (half rounded up) ...
  const double x = (days + static_cast<double>(jet::kSerialEpochUnixDays)) * static_cast<double>(kDayMs);
  double rounded = std::floor(x);
  if (x - rounded >= 0.5) rounded += 1;
  if (!std::isfinite(rounded) || std::fabs(rounded) > kMaxJsTimeMs) return "invalid-date";
  int64_t ms = static_cast<int64_t>(rounded) + kEpoch1899Ms;  // since 1899-12-30
  // ... then Access's reading of negative values: whole days back, the fraction forward.
  if (ms < 0 && ms % kDayMs != 0) {
    const int64_t a = -ms;
    const int64_t whole = a / kDayMs;
    ms = -whole * kDayMs + (a - whole * kDayMs);
  }
  const int64_t unixMs = ms - kEpoch1899Ms;
  if (std::fabs(static_cast<double>(unixMs)) > kMaxJsTimeMs) return "invalid-date";
  return FormatUnixMs(unixMs);
}

void AppendValueJson(std::string& out, const jet::Value& value) { std::visit(ValueJson{out}, value); }

int DumpDatabase(const std::string& path, const std::optional<std::string>& password, std::string& out,
                 const jet::LockWait& wait) {
  const FormatInfo info = ReadFormatInfo(path);
  out = "{\n  \"oracle\": \"jettool\",\n";
  out += "  \"format\": " + info.format + ",\n";
  out += "  \"version_byte\": " + info.versionByte + ",\n";
  out += "  \"password\": ";
  if (password) {
    AppendJsonString(out, *password);
  } else {
    out += "null";
  }
  out += ",\n";

  jet::Database::Options options;
  options.password = password.value_or("");
  options.lockWait = wait;
  auto db = jet::Database::Open(path, options);
  if (!db.ok()) {
    out += "  \"error\": ";
    AppendJsonString(out, db.status().message());
    out += "\n}\n";
    return kDumpOpenFailed;
  }
  const auto tables = (*db)->catalog().userTables();
  if (tables.empty()) {
    out += "  \"tables\": []\n}\n";
    return 0;
  }
  out += "  \"tables\": [\n";
  bool failed = false;
  for (size_t i = 0; i < tables.size(); ++i) {
    out += "    {\n      \"name\": ";
    AppendJsonString(out, tables[i]->name);
    out += ",\n";
    out += DumpTable(**db, *tables[i], failed);
    out += i + 1 < tables.size() ? "    },\n" : "    }\n";
  }
  out += "  ]\n}\n";
  return failed ? kDumpTableFailed : 0;
}

}  // namespace jettool
