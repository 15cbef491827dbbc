#include "CorpusGoldens.h"

#include "TransferFixture.h"
#include "transfer/DateText.h"

#include <QDirIterator>
#include <QJsonDocument>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace transfer_test {

namespace {

// What SQLite holds after a numeric text went into a NUMERIC or INTEGER column.
std::string NumericCell(const std::string& text) {
  long long integer = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), integer);
  if (result.ec == std::errc() && result.ptr == text.data() + text.size()) return "i:" + std::to_string(integer);
  const double d = std::strtod(text.c_str(), nullptr);
  if (d == std::floor(d) && std::fabs(d) < 9.2e18) return "i:" + std::to_string(static_cast<long long>(d));
  return RealCell(d);
}

// "YYYY-MM-DDTHH:MM:SS[.fff]" to the form the copy writes.
std::string DateCell(const std::string& iso) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &ms);
  char text[40];
  if (h == 0 && mi == 0 && s == 0)
    std::snprintf(text, sizeof text, "t:%02d/%02d/%04d", mo, d, y);
  else
    std::snprintf(text, sizeof text, "t:%02d/%02d/%04d %02d:%02d:%02d", mo, d, y, h, mi, s);
  return text;
}

}  // namespace

std::vector<GoldenFile> ReadableCorpusFiles() {
  std::vector<GoldenFile> files;
  const QString root = CorpusFile(QString());
  QDirIterator it(root, {QStringLiteral("*.json")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString goldenPath = it.next();
    QFile goldenFile(goldenPath);
    if (!goldenFile.open(QIODevice::ReadOnly)) {
      ADD_FAILURE() << "cannot read " << goldenPath.toStdString();
      continue;
    }
    QJsonObject golden = QJsonDocument::fromJson(goldenFile.readAll()).object();
    if (golden.contains("error")) continue;
    QString relative = goldenPath.mid(root.size());
    relative.chop(5);  // ".json"
    files.push_back({relative, std::move(golden)});
  }
  std::sort(files.begin(), files.end(),
            [](const GoldenFile& a, const GoldenFile& b) { return a.relative < b.relative; });
  return files;
}

std::string RealCell(double d) {
  char text[64];
  std::snprintf(text, sizeof text, "r:%.17g", d);
  return text;
}

std::optional<std::string> ExpectedSQLiteCell(const QString& type, const QJsonValue& value) {
  if (value.isNull()) return "NULL";
  if (type == "boolean") return value.toBool() ? "i:1" : "i:0";
  if (type == "byte" || type == "integer" || type == "long") return "i:" + std::to_string(value.toInteger());
  if (type == "bigint" || type == "currency" || type == "numeric") return NumericCell(value.toString().toStdString());
  if (type == "double") return NumericCell([&] {
      char t[64];
      const auto r = std::to_chars(t, t + sizeof t, value.toDouble());
      return std::string(t, r.ptr);
    }());
  if (type == "float") {
    char t[64];
    const auto r = std::to_chars(t, t + sizeof t, static_cast<float>(value.toDouble()));
    return "t:" + std::string(t, r.ptr);
  }
  if (type == "datetime") {
    const std::string iso = value.toString().toStdString();
    if (iso.size() > 19) return std::nullopt;  // fractions of a second: rounding not followed here
    if (iso.rfind("1899-12-30T", 0) == 0 && iso != "1899-12-30T00:00:00") return "t:12/30/1899 " + iso.substr(11);
    return DateCell(iso);
  }
  if (type == "text" || type == "memo") {
    const std::string text = value.toString().toStdString();
    if (text.empty()) return "NULL";
    if (const auto date = transfer::RecogniseDateText(text)) return "t:" + transfer::FormatDateTime(*date);
    return "t:" + text;
  }
  if (type == "binary" || type == "ole") return "b:" + value.toString().mid(4).toStdString();
  if (type == "repid") return "t:{" + value.toString().toUpper().toStdString() + "}";
  return std::nullopt;
}

std::string ExpectedSQLiteColumnType(const QString& type) {
  for (const char* integer : {"boolean", "byte", "integer", "long", "bigint"})
    if (type == integer) return "INTEGER";
  for (const char* numeric : {"currency", "double", "numeric"})
    if (type == numeric) return "NUMERIC";
  return "TEXT";
}

}  // namespace transfer_test
