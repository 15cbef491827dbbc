#include "transfer/SqlNames.h"

namespace transfer {

namespace {

std::string Delimited(const QString& name, char open, char close) {
  const std::string text = name.toStdString();
  std::string out;
  out.reserve(text.size() + 2);
  out += open;
  for (const char c : text) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

}  // namespace

std::string SQLiteQuoted(const QString& name) { return Delimited(name, '"', '"'); }

std::string SQLiteBracketed(const QString& name) {
  if (name.contains(QLatin1Char(']'))) return SQLiteQuoted(name);
  return "[" + name.toStdString() + "]";
}

std::string AccessQuoted(const QString& name) { return Delimited(name, '`', '`'); }

}  // namespace transfer
