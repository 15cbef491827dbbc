// Every table of every corpus file, read through Connection and Recordset, against the golden
// dumps: field names and ADO types, RecordCount before the first row, and every value.
#include "Corpus.h"

#include "ado/Connection.h"
#include "ado/Error.h"
#include "jet/DateSerial.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>

namespace {

// The ADO type the Access providers report for each column type of the goldens.
const std::map<QString, int> kAdoTypeOfGoldenType = {
    {"boolean", ado::adBoolean},   {"byte", ado::adUnsignedTinyInt}, {"integer", ado::adSmallInt},
    {"long", ado::adInteger},      {"currency", ado::adCurrency},    {"float", ado::adSingle},
    {"double", ado::adDouble},     {"datetime", ado::adDate},        {"binary", ado::adVarBinary},
    {"text", ado::adVarWChar},     {"ole", ado::adLongVarBinary},    {"memo", ado::adLongVarWChar},
    {"repid", ado::adGUID},        {"numeric", ado::adNumeric},      {"complex", ado::adLongVarWChar},
    {"bigint", ado::adBigInt},     {"datetimextended", ado::adDBTimeStamp}};

std::string scaled(bool negative, unsigned __int128 magnitude, int scale) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (static_cast<int>(digits.size()) <= scale) digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
  return (negative ? "-" : "") + digits;
}

// A Date's day count in the golden text form (milliseconds rounded half up; before 1899-12-30
// whole days back, then the time of day forward).
std::string goldenDate(double days) {
  const double whole = std::trunc(days);
  const double linear = days < 0 ? whole + std::fabs(days - whole) : days;
  const auto ms = static_cast<long long>(std::floor((linear + jet::kSerialEpochUnixDays) * 86400000.0 + 0.5));
  long long day = ms / 86400000, rest = ms % 86400000;
  if (rest < 0) rest += 86400000, --day;
  const auto [y, m, d] = jet::CivilFromUnixDays(day);
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld", static_cast<long long>(y), m, d,
                rest / 3600000, rest / 60000 % 60, rest / 1000 % 60);
  std::string out = text;
  if (rest % 1000) {
    std::snprintf(text, sizeof text, ".%03lld", rest % 1000);
    out += text;
  }
  return out;
}

std::string hex(const ado::Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "hex:";
  for (std::uint8_t b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
  return out;
}

// The golden's rendering of a complex value: what the provider shows for the same attachments.
QJsonValue complexAsProviderText(const QJsonValue& golden) {
  if (golden.isString()) return golden;  // "unsupported"
  const QJsonArray items = golden.toArray();
  if (items.isEmpty()) return QJsonValue::Null;
  QString text;
  for (const QJsonValue& item : items) {
    if (!text.isEmpty()) text += "; ";
    const QJsonObject a = item.toObject();
    text += a["name"].toString() + " (" + QString::number((a["data"].toString().size() - 4) / 2) + " bytes)";
  }
  return text;
}

// A field value in the form the goldens write it.
QJsonValue goldenForm(const ado::Variant& v, const QString& goldenType) {
  using K = ado::Variant::Kind;
  switch (v.kind()) {
    case K::Null: return QJsonValue::Null;
    case K::Boolean: return v.asBoolean();
    case K::Byte: case K::Int16: case K::Int32: return static_cast<double>(v.asInt64());
    case K::Int64: return QString::number(v.asInt64());
    case K::Single: case K::Double: {
      const double d = v.asDouble();
      if (std::isnan(d)) return QStringLiteral("NaN");
      if (std::isinf(d)) return d < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
      return d;
    }
    case K::Currency: {
      const std::int64_t units = v.asCurrency().units;
      const bool negative = units < 0;
      return QString::fromStdString(scaled(negative, negative ? -static_cast<unsigned __int128>(units) : units, 4));
    }
    case K::Decimal: {
      const ado::Decimal& d = v.asDecimal();
      return QString::fromStdString(scaled(d.negative, d.magnitude, d.scale));
    }
    case K::Date: return QString::fromStdString(goldenDate(v.asDate().days));
    case K::Text: {
      const QString text = QString::fromStdString(v.asText());
      if (goldenType == "complex" && text.startsWith("(value not readable")) return QStringLiteral("unsupported");
      if (goldenType == "datetimextended") return QString(text).replace(10, 1, 'T');
      return text;
    }
    case K::Bytes: return QString::fromStdString(hex(v.asBytes()));
    case K::Guid: return QString::fromStdString(ado::GuidToText(v.asGuid())).toLower().mid(1, 36);
    default: return QStringLiteral("unexpected kind %1").arg(static_cast<int>(v.kind()));
  }
}

QString rowText(const QJsonArray& row) { return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)); }

class CorpusTables : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusTables, ReadThroughTheRecordsetMatchTheGolden) {
  const std::string relative = GetParam();
  const QJsonObject golden = corpus::Golden(relative);
  const std::string password = golden["password"].isString() ? golden["password"].toString().toStdString() : "";
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File(relative), password));

  for (const QJsonValue& tableValue : golden["tables"].toArray()) {
    const QJsonObject table = tableValue.toObject();
    const std::string name = table["name"].toString().toStdString();
    SCOPED_TRACE(relative + ", table " + name);
    if (table.contains("error")) continue;  // the oracle could not read it: see UnknownColumnTypes below

    ado::Recordset rs;
    rs.Open("SELECT * FROM [" + name + "]", connection, ado::adOpenStatic, ado::adLockOptimistic);
    const QJsonArray columns = table["columns"].toArray();
    ASSERT_EQ(rs.Fields().Count(), columns.size());
    QStringList types;
    for (int i = 0; i < columns.size(); ++i) {
      const QJsonObject column = columns[i].toObject();
      EXPECT_EQ(rs.Fields()[i].Name(), column["name"].toString().toStdString());
      EXPECT_EQ(rs.Fields()[i].Type(), kAdoTypeOfGoldenType.at(column["type"].toString())) << column["type"].toString().toStdString();
      types << column["type"].toString();
    }
    EXPECT_EQ(rs.RecordCount(), table["row_count"].toInt());

    // Rows as multisets: the engine reads a moved row where Access lists it, the oracle where its data lives.
    QStringList expected, actual;
    for (const QJsonValue& row : table["rows"].toArray()) {
      QJsonArray values = row.toArray();
      for (int i = 0; i < values.size(); ++i)
        if (types[i] == "complex") values[i] = complexAsProviderText(values[i]);
      expected << rowText(values);
    }
    for (; !rs.Eof(); rs.MoveNext()) {
      QJsonArray values;
      for (int i = 0; i < columns.size(); ++i) values.append(goldenForm(rs.Fields()[i].Value(), types[i]));
      actual << rowText(values);
    }
    expected.sort();
    actual.sort();
    EXPECT_EQ(actual, expected);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, CorpusTables, ::testing::ValuesIn(corpus::FilesWithGoldens()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Columns of types no reader knows: the rows are still there, and such a value reads as a
// placeholder that says so (never bytes taken for something they are not).
TEST(UnknownColumnTypes, RowsAreReadAndUnknownValuesArePlaceholders) {
  ado::Connection connection;
  connection.Open(corpus::AceConnectionString(corpus::File("jackcess/V2007/unsupportedFieldsTestV2007.accdb")));
  ado::Recordset rs;
  rs.Open("SELECT * FROM Test", connection);
  EXPECT_EQ(rs.RecordCount(), 3);
  int rows = 0, placeholders = 0;
  for (; !rs.Eof(); rs.MoveNext(), ++rows)
    for (int i = 0; i < rs.Fields().Count(); ++i) {
      const ado::Variant v = rs.Fields()[i].Value();
      if (v.kind() == ado::Variant::Kind::Text && v.asText().rfind("(value not readable: ", 0) == 0) {
        EXPECT_EQ(rs.Fields()[i].Type(), ado::adLongVarWChar);
        ++placeholders;
      }
    }
  EXPECT_EQ(rows, 3);
  EXPECT_GT(placeholders, 0);
}

}  // namespace
