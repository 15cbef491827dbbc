// Every corpus file dumps to its golden. Exceptions, each reported by name:
// - rows of tables with moved (overflow) rows compare as multisets: the goldens list
//   them where their data lives, we list them where Access lists them;
// - the table list may come in another order for the same reason (moved catalogue rows);
// - "value_errors" compare by column only: the messages are each reader's own;
// - a table the golden could not read at all must be read by us.
#include <gtest/gtest.h>

#include <map>

#include "CorpusFiles.h"
#include "GoldenDump.h"

namespace {

struct TableDump {
  std::string name;
  std::vector<std::string> members;  // "key: value" lines other than rows and value_errors
  std::vector<std::string> rows;
  std::vector<std::string> valueErrorColumns;
  bool error = false;
};

struct Dump {
  std::vector<std::string> top;  // top-level lines except "oracle" and "tables"
  std::vector<TableDump> tables;
};

std::string StripComma(std::string s) {
  if (!s.empty() && s.back() == ',') s.pop_back();
  return s;
}

// The JSON string tokens of `text` at even positions (the keys of a flat object).
std::vector<std::string> ObjectKeys(const std::string& text) {
  std::vector<std::string> tokens;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    std::string token;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\') ++i;
      token += text[i];
    }
    tokens.push_back(token);
  }
  std::vector<std::string> keys;
  for (size_t i = 1; i < tokens.size(); i += 2) keys.push_back(tokens[i]);  // tokens[0] is "value_errors"
  return keys;
}

Dump Parse(const std::string& text) {
  Dump dump;
  std::istringstream in(text);
  std::string line;
  TableDump* table = nullptr;
  std::vector<std::string>* list = nullptr;
  while (std::getline(in, line)) {
    if (list) {
      if (line.rfind("      ]", 0) == 0) {
        list = nullptr;
      } else {
        list->push_back(StripComma(line.substr(8)));
      }
      continue;
    }
    if (line == "    {") {
      dump.tables.emplace_back();
      table = &dump.tables.back();
    } else if (line.rfind("    }", 0) == 0) {
      table = nullptr;
    } else if (table && line.rfind("      \"rows\": [", 0) == 0 && line.find("[]") == std::string::npos) {
      list = &table->rows;
    } else if (table && line.rfind("      \"columns\": [", 0) == 0 && line.find("[]") == std::string::npos) {
      table->members.push_back("columns");
      list = &table->members;
    } else if (table && line.rfind("      \"value_errors\": ", 0) == 0) {
      table->valueErrorColumns = ObjectKeys(line);
    } else if (table) {
      if (line.rfind("      \"name\": ", 0) == 0) table->name = StripComma(line);
      if (line.rfind("      \"error\": ", 0) == 0) table->error = true;
      table->members.push_back(StripComma(line));
    } else if (line.rfind("  \"oracle\"", 0) != 0 && line.rfind("  \"tables\"", 0) != 0 && line != "  ]" &&
               line != "{" && line != "}") {
      dump.top.push_back(StripComma(line));
    }
  }
  return dump;
}

bool RowsMayBeReordered(const std::string& relative) {
  for (const char* f : {"overflowTestV2000.mdb", "overflowTestV2007.accdb", "longtext.accdb"}) {
    if (relative.find(f) != std::string::npos) return true;
  }
  return false;
}

// Empty if `ours` matches `golden`; else what differs. `notes` collects tolerated differences.
std::string Compare(const std::string& relative, const Dump& golden, const Dump& ours, std::string& notes) {
  if (golden.top != ours.top) return "header fields or database error differ";
  if (golden.tables.size() != ours.tables.size()) return "different number of tables";
  for (size_t i = 0; i < golden.tables.size(); ++i) {
    const TableDump& g = golden.tables[i];
    const TableDump* o = nullptr;
    for (const auto& t : ours.tables) {
      if (t.name == g.name) o = &t;
    }
    if (!o) return "table " + g.name + " missing";
    if (o != &ours.tables[i] && notes.find("table order") == std::string::npos) notes += " table order differs;";
    if (g.error) {
      if (o->error) return "table " + g.name + ": neither reader can read it";
      notes += " " + g.name + " unreadable for the oracle, we read " + std::to_string(o->rows.size()) + " rows;";
      continue;
    }
    if (g.members != o->members) return "table " + g.name + ": columns or counts differ";
    if (g.valueErrorColumns != o->valueErrorColumns) return "table " + g.name + ": placeholder columns differ";
    if (g.rows != o->rows) {
      auto a = g.rows, b = o->rows;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      if (a != b || !RowsMayBeReordered(relative)) return "table " + g.name + ": rows differ";
      notes += " " + g.name + " rows in another order;";
    }
  }
  return {};
}

TEST(CorpusDump, EveryFileMatchesItsGolden) {
  const auto files = jettest::CorpusFiles();
  ASSERT_GE(files.size(), 60u) << "corpus not found under " << jettest::CorpusDir();
  size_t matched = 0;
  for (const auto& f : files) {
    std::string out;
    const int status = jettool::DumpDatabase(f.database.string(), f.password, out);
    std::string notes;
    const std::string problem = Compare(f.relative(), Parse(jettest::ReadText(f.golden)), Parse(out), notes);
    EXPECT_EQ(status, 0) << f.relative();
    EXPECT_EQ(problem, "") << f.relative();
    if (problem.empty()) ++matched;
    if (!notes.empty()) std::printf("  %s:%s\n", f.relative().c_str(), notes.c_str());
  }
  std::printf("%zu of %zu match\n", matched, files.size());
  EXPECT_EQ(matched, files.size());
}

// A protected file opens only with its password, and says so otherwise.
TEST(CorpusDump, PasswordFilesNeedTheirPassword) {
  for (const auto& f : jettest::CorpusFiles()) {
    if (!f.password) continue;
    const bool encrypted = f.relative().find(".accdb") != std::string::npos;
    for (const std::optional<std::string>& wrong : {std::optional<std::string>(), std::optional<std::string>("nope")}) {
      std::string out;
      const int status = jettool::DumpDatabase(f.database.string(), wrong, out);
      EXPECT_EQ(status, 3) << f.relative() << (encrypted ? " (encrypted)" : " (database password)");
      EXPECT_NE(out.find("\"error\": "), std::string::npos) << f.relative();
      EXPECT_NE(out.find(f.database.filename().string()), std::string::npos) << "error names the file: " << out;
    }
  }
}

TEST(CorpusDump, NotAnAccessFileIsAnErrorNamingIt) {
  const auto path = jettest::CorpusDir() / "README.md";
  std::string out;
  EXPECT_EQ(jettool::DumpDatabase(path.string(), std::nullopt, out), 3);
  EXPECT_NE(out.find("README.md: not an Access database"), std::string::npos) << out;
}

}  // namespace
