#include <cctype>
#include <cstdio>
#include <string>

#include "JsonText.h"
#include "NewDbCommands.h"
#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/Recordset.h"
#include "ado/access/AccessProvider.h"

namespace jettool {
namespace {

// SELECT ... INTO makes a table (runs as a command); any other SELECT returns rows.
bool ReturnsRows(const std::string& statement) {
  std::string upper;
  for (char ch : statement) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const size_t start = upper.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || upper.compare(start, 6, "SELECT") != 0) return false;
  return upper.find(" INTO ") == std::string::npos;
}

void AppendValue(std::string& out, const ado::Variant& v) {
  using K = ado::Variant::Kind;
  switch (v.kind()) {
    case K::Empty:
    case K::Null: out += "null"; return;
    case K::Boolean: out += v.asBoolean() ? "true" : "false"; return;
    case K::Currency: AppendJsonString(out, ado::CurrencyToText(v.asCurrency())); return;
    case K::Decimal: AppendJsonString(out, ado::DecimalToText(v.asDecimal())); return;
    case K::Date: AppendJsonString(out, ado::DateToText(v.asDate())); return;
    case K::Guid: AppendJsonString(out, ado::GuidToText(v.asGuid())); return;
    case K::Bytes: {
      static const char* const kHex = "0123456789abcdef";
      std::string text = "hex:";
      for (uint8_t b : v.asBytes()) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
      }
      AppendJsonString(out, text);
      return;
    }
    case K::Text: AppendJsonString(out, v.asText()); return;
    default:
      if (v.isInteger()) {
        out += std::to_string(v.asInt64());
      } else {
        AppendJsonNumber(out, v.asDouble());
      }
  }
}

// The rows of a query as a JSON array of objects, one line per row.
void PrintRows(ado::Recordset& rs) {
  std::string out = "[";
  bool first = true;
  while (!rs.Eof()) {
    out += first ? "\n  {" : ",\n  {";
    first = false;
    auto fields = rs.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
      if (i) out += ", ";
      AppendJsonString(out, fields.Item(i).Name());
      out += ": ";
      AppendValue(out, fields.Item(i).Value());
    }
    out += "}";
    rs.MoveNext();
  }
  out += first ? "]\n" : "\n]\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int RunSql(const std::string& file, const std::optional<std::string>& password,
           const std::vector<std::string>& statements, std::optional<int> waitSeconds) {
  ado::access::RegisterAccessProvider();
  std::string connection = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + ado::QuoteConnectionValue(file);
  if (password) connection += ";Jet OLEDB:Database Password=" + ado::QuoteConnectionValue(*password);
  ado::Connection db;
  if (waitSeconds) db.SetConnectionTimeout(*waitSeconds);
  size_t done = 0;
  try {
    db.Open(connection);
    for (const auto& statement : statements) {
      if (ReturnsRows(statement)) {
        ado::Recordset rs;
        rs.Open(statement, db);
        PrintRows(rs);
      } else {
        db.Execute(statement);
      }
      ++done;
    }
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "jettool: statement %zu of %zu failed: %s\n", done + 1, statements.size(),
                 TerminalText(e.description()).c_str());
    return 1;
  }
  return 0;
}

}  // namespace jettool
