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

// In runs between apostrophes: a memo of thousands of characters costs a few appends rather
// than one per character.
void AppendQuotedText(std::string& statement, std::string_view text) {
  statement.reserve(statement.size() + text.size() + 2);
  statement += '\'';
  for (std::size_t quote; (quote = text.find('\'')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
    statement.append(text.data(), quote + 1);
    statement += '\'';
  }
  statement.append(text);
  statement += '\'';
}

}  // namespace transfer
