#include "ado/ConnectionString.h"

#include "ado/Error.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace ado {

namespace {

// Keys after which a ';' ends the previous value. Lower case.
constexpr std::string_view kKnownKeys[] = {
    // ODBC / SQLite driver
    "driver", "dsn", "database", "longnames", "timeout", "notxn", "syncpragma", "stepapi",
    // OLE DB / Access providers
    "provider", "data source", "user id", "password", "mode", "persist security info",
    "jet oledb:engine type", "jet oledb:system database"};

// Everything after this key, to the end of the string, is the Access password.
constexpr std::string_view kPasswordKey = "jet oledb:database password";
constexpr std::string_view kPasswordSeparator = ";jet oledb:database password=";

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

bool isKnownKey(const std::string& key) {
  return key == kPasswordKey || std::find(std::begin(kKnownKeys), std::end(kKnownKeys), key) != std::end(kKnownKeys);
}

// The lower-cased key of a segment starting at `pos`, if the text there is "<known key>=".
bool knownKeyAt(const std::string& text, std::size_t pos) {
  const auto eq = text.find('=', pos);
  return eq != std::string::npos && isKnownKey(lower(trimmed(std::string_view(text).substr(pos, eq - pos))));
}

struct Pair {
  std::string key;  // lower-cased, trimmed
  std::string value;
};

[[noreturn]] void malformed(const std::string& key, const std::string& what) {
  throw Error(adErrInvalidArgument, "The connection string is not well formed: the value of \"" + key + "\" " + what + ".");
}

// A braced value whose "{" is at `open`: the value without its braces, "}}" read as one "}".
// Returns the position of the ';' that ends the pair (or the end of the string).
std::size_t readBraced(const std::string& text, std::size_t open, const std::string& key, std::string& value) {
  value.clear();
  std::size_t at = open + 1;
  while (true) {
    const auto close = text.find('}', at);
    if (close == std::string::npos) malformed(key, "begins with \"{\" but has no closing \"}\"");
    value.append(text, at, close - at);
    if (close + 1 < text.size() && text[close + 1] == '}') {
      value += '}';
      at = close + 2;
      continue;
    }
    at = close + 1;
    break;
  }
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  if (at < text.size() && text[at] != ';') malformed(key, "has text after its closing \"}\"");
  return at;
}

// The end of a plain value that starts after the '=' at `eq`.
std::size_t plainEnd(const std::string& text, std::size_t eq, const std::string& key) {
  if (key == kPasswordKey) return text.size();
  if (key == "data source") {
    const auto passwordAt = lower(text).find(kPasswordSeparator, eq + 1);
    if (passwordAt != std::string::npos) return passwordAt;  // a Data Source runs up to the password key
  }
  for (auto semi = text.find(';', eq + 1); semi != std::string::npos; semi = text.find(';', semi + 1))
    if (semi + 1 == text.size() || knownKeyAt(text, semi + 1)) return semi;
  return text.size();
}

std::vector<Pair> splitPairs(const std::string& text) {
  std::vector<Pair> pairs;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto eq = text.find('=', start);
    if (eq == std::string::npos) break;  // a trailing fragment without '=' carries nothing
    const std::string key = trimmed(std::string_view(text).substr(start, eq - start));
    Pair pair{lower(key), {}};
    std::size_t end;
    if (eq + 1 < text.size() && text[eq + 1] == '{') {
      end = readBraced(text, eq + 1, key, pair.value);
    } else {
      end = plainEnd(text, eq, pair.key);
      pair.value = text.substr(eq + 1, end - eq - 1);
    }
    if (!pair.key.empty()) pairs.push_back(std::move(pair));
    start = end + 1;
  }
  return pairs;
}

[[noreturn]] void providerNotFound() {
  throw Error(adErrProviderNotFound, "Provider cannot be found. It may not be properly installed.");
}

}  // namespace

ConnectionTarget ParseConnectionString(const std::string& connectionString) {
  const std::vector<Pair> pairs = splitPairs(connectionString);
  auto find = [&](std::string_view key) -> const Pair* {
    for (const Pair& p : pairs)
      if (p.key == key) return &p;
    return nullptr;
  };

  ConnectionTarget target;
  if (const Pair* driver = find("driver")) {
    std::string name = trimmed(driver->value);
    if (name.size() >= 2 && name.front() == '{' && name.back() == '}') name = name.substr(1, name.size() - 2);
    if (lower(name) != "sqlite3 odbc driver") providerNotFound();
    target.kind = ProviderKind::SQLite;
    for (const Pair& p : pairs) {
      if (p.key == "database")
        target.sqlite.database = p.value;
      else if (p.key != "driver")
        target.sqlite.options[p.key] = p.value;
    }
    return target;
  }
  if (const Pair* provider = find("provider")) {
    const std::string name = lower(trimmed(provider->value));
    if (name != "microsoft.ace.oledb.12.0" && name != "microsoft.jet.oledb.4.0") providerNotFound();
    target.kind = ProviderKind::Access;
    target.access.provider = trimmed(provider->value);
    target.access.ace = name == "microsoft.ace.oledb.12.0";
    for (const Pair& p : pairs) {
      if (p.key == "data source")
        target.access.dataSource = p.value;
      else if (p.key == kPasswordKey)
        target.access.password = p.value;
      else if (p.key != "provider")
        target.access.options[p.key] = p.value;
    }
    return target;
  }
  providerNotFound();
}

std::string QuoteConnectionValue(std::string_view value) {
  if (value.empty()) return {};
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const bool plain = value.find_first_of(";={}") == std::string_view::npos && !blank(value.front()) &&
                     !blank(value.back()) && value.front() != '"' && value.front() != '\'';
  if (plain) return std::string(value);
  std::string out = "{";
  for (const char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace ado
