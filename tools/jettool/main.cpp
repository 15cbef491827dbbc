// jettool: the engine's developer tool.
//   jettool dump FILE [--password P]     the database as dump JSON (exit 3 if it cannot be opened,
//                                        4 if a table could not be read: its entry carries "error")
//   jettool tables FILE [--password P]   every catalogue object: kind and name
//   jettool schema FILE TABLE [--password P]   columns and indexes of one table
//   jettool queries FILE [--password P]  every saved query: name, kind and its Access SQL
//   jettool create FILE | check FILE | sql FILE STATEMENT...: see NewDbCommands.h
//   --wait SECONDS                       how long to wait for another program's lock on the file
#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "GoldenDump.h"
#include "JsonText.h"
#include "NewDbCommands.h"
#include "jet/Database.h"
#include "jet/SavedQueries.h"

namespace {

using jettool::TerminalText;

// The usage on stderr for wrong arguments (status 2), on stdout for --help (status 0).
int Usage(std::FILE* out = stderr) {
  std::fprintf(out,
               "usage: jettool dump FILE [--password P] [--wait SECONDS]\n"
               "       jettool tables FILE [--password P] [--wait SECONDS]\n"
               "       jettool schema FILE TABLE [--password P] [--wait SECONDS]\n"
               "       jettool queries FILE [--password P] [--wait SECONDS]\n"
               "       jettool create FILE.mdb [--password P] | FILE.accdb  [--sort-order LCID[/VERSION]]\n"
               "       jettool check FILE [--password P]\n"
               "       jettool sql FILE [--password P] [--wait SECONDS] STATEMENT...\n"
               "       jettool --help | --version\n"
               "dump: the whole database as JSON; tables: the catalogue's objects and their kinds;\n"
               "schema: a table's columns and indexes; queries: each saved query's name, kind and Access SQL;\ncreate: a new empty database (.mdb: Access 2000,\n"
               ".accdb: Access 2007; --sort-order: the text sort order, e.g. 1055 Turkish, 0x1040E Hungarian Technical,\n"
               "1050/1 Croatian, default 1033 General Legacy); check: reads every page, table and index and lists the problems;\n"
               "sql: runs the statements in turn and prints the rows of each query\n"
               "--wait: how long to wait while another program reads or changes the file\n"
               "(default 15 s, 0 for as long as it takes)\n"
               "--password-file FILE: the password is the file's first line; without it or --password,\n"
               "the variable TABLOREN_PASSWORD holds it if set (neither shows in the process list)\n"
               "options take \"--opt value\" or \"--opt=value\", anywhere; \"--\" ends them\n"
               "exit status: 0 done, 1 failed (check: problems found), 2 wrong arguments;\n"
               "dump: 3 the database cannot be opened, 4 a table could not be read (its entry carries \"error\")\n"
               "names are printed with control characters escaped: \\xNN, \\uNNNN (C1), and \\\\ for a backslash\n");
  return out == stderr ? 2 : 0;
}

// A wrong argument: named, with where to look; status 2.
int ArgumentError(const std::string& message) {
  std::fprintf(stderr, "jettool: %s (see jettool --help)\n", message.c_str());
  return 2;
}

std::string Kind(const jet::CatalogEntry& e) {
  if (e.isTable()) return e.isSystem() ? "system-table" : "table";
  if (e.isLinkedTable()) return "linked-table";
  if (e.isQuery()) return "query";
  return "object-type-" + std::to_string(e.type);
}

jet::LockWait LockWaitOf(std::optional<int> seconds) {
  return seconds ? jet::LockWait::Seconds(*seconds) : jet::LockWait{};
}

int Fail(const jet::Status& status) {
  std::fprintf(stderr, "jettool: %s\n", TerminalText(status.message()).c_str());
  return 1;
}

int Tables(jet::Database& db) {
  for (const auto& e : db.catalog().entries()) {
    if (e.isTable() || e.isLinkedTable() || e.isQuery()) std::printf("%s\t%s\n", Kind(e).c_str(), TerminalText(e.name).c_str());
  }
  return 0;
}

int Schema(jet::Database& db, const std::string& table) {
  auto def = db.tableDef(table);
  if (!def.ok()) return Fail(def.status());
  std::printf("table %s: %u rows (stored count), %zu columns, %zu indexes\n", TerminalText((*def)->name).c_str(),
              (*def)->rowCount, (*def)->columns.size(), (*def)->logicalIndexes.size());
  for (const auto* c : (*def)->columnsByNumber()) {
    std::string type(jet::ColumnTypeName(c->type()));
    if (type.empty()) type = "unknown(" + std::to_string(c->typeCode) + ")";
    std::printf("  %-30s %-16s size %-5u %s%s%s\n", TerminalText(c->name).c_str(), type.c_str(), c->length,
                c->fixed() ? "fixed" : "variable", c->autoNumber() ? " autonumber" : "",
                c->compressedUnicode() ? " compressed" : "");
  }
  for (const auto& index : (*def)->logicalIndexes) {
    std::printf("  index %s:", TerminalText(index.name).c_str());
    if (index.realIndex < (*def)->realIndexes.size()) {
      const auto& real = (*def)->realIndexes[index.realIndex];
      for (const auto& col : real.columns) {
        for (const auto& c : (*def)->columns) {
          if (c.number == col.columnNumber) std::printf(" %s%s", TerminalText(c.name).c_str(), col.ascending ? "" : " desc");
        }
      }
      std::printf("%s%s", real.flags & 0x01 ? " unique" : "", index.indexType == 1 ? " primary-key" : "");
    }
    std::printf("\n");
  }
  return 0;
}

// Each query as "query NAME: KIND", its Access SQL on the lines after, and an empty line; a
// query whose rows describe no statement says why instead (and the status is 1).
int Queries(jet::Database& db) {
  auto queries = jet::ReadSavedQueries(db);
  if (!queries.ok()) return Fail(queries.status());
  int status = 0;
  for (const auto& q : *queries) {
    std::printf("query %s: %s\n", TerminalText(q.name).c_str(), jet::QueryKindName(q.kind));
    auto sql = jet::AccessSqlOf(q);
    if (!sql.ok()) {
      std::printf("  (%s)\n\n", TerminalText(sql.status().message()).c_str());
      status = 1;
      continue;
    }
    // Line by line: the SQL's own line breaks stay, anything else a terminal would act on is escaped.
    std::string line;
    for (char c : *sql + "\n") {
      if (c == '\r') continue;
      if (c != '\n') {
        line += c;
        continue;
      }
      std::printf("%s\n", TerminalText(line).c_str());
      line.clear();
    }
    std::printf("\n");
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> password, passwordFile;
  std::optional<int> waitSeconds;
  std::optional<std::string> sortOrder;
  enum { kPassword = 1000, kPasswordFile, kWait, kSortOrder };
  const option options[] = {{"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, 'V'},
                            {"password", required_argument, nullptr, kPassword},
                            {"password-file", required_argument, nullptr, kPasswordFile},
                            {"wait", required_argument, nullptr, kWait},
                            {"sort-order", required_argument, nullptr, kSortOrder},
                            {nullptr, 0, nullptr, 0}};
  opterr = 0;  // the messages below name the option themselves
  for (int c; (c = getopt_long(argc, argv, ":hV", options, nullptr)) != -1;) {
    switch (c) {
      case 'h': return Usage(stdout);
      case 'V': std::printf("jettool %s\n", TABLOREN_VERSION); return 0;
      case kPassword: password = optarg; break;
      case kPasswordFile: passwordFile = optarg; break;
      case kSortOrder: sortOrder = optarg; break;
      case kWait: {
        char* end = nullptr;
        errno = 0;
        const long seconds = std::strtol(optarg, &end, 10);
        if (*optarg == '\0' || *end != '\0' || errno != 0 || seconds < 0 || seconds > 86400)
          return ArgumentError("--wait takes whole seconds from 0 to 86400, not \"" + std::string(optarg) + "\"");
        waitSeconds = static_cast<int>(seconds);
        break;
      }
      case ':': return ArgumentError(std::string(argv[optind - 1]) + " needs a value");
      default:
        // optopt names a short option; a long one is the argument just read, up to any "=".
        if (optopt != 0) return ArgumentError(std::string("unknown option -") + static_cast<char>(optopt));
        return ArgumentError("unknown option " + std::string(argv[optind - 1]).substr(0, std::strcspn(argv[optind - 1], "=")));
    }
  }
  if (password && passwordFile) return ArgumentError("--password and --password-file both give the password; use one");
  if (passwordFile) {
    std::ifstream in(*passwordFile);
    std::string line;
    if (*passwordFile == "-" || !in || !std::getline(in, line))
      return ArgumentError("the password file \"" + *passwordFile + "\" cannot be read");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = line;
  } else if (!password) {
    if (const char* fromEnvironment = std::getenv("TABLOREN_PASSWORD")) password = fromEnvironment;
  }
  const std::vector<std::string> args(argv + optind, argv + argc);
  if (args.size() < 2) return Usage();
  if (args[1] == "-") return ArgumentError("\"-\" names no file: write ./- for a file named \"-\"");
  const std::string& command = args[0];
  const std::string& file = args[1];
  if (command == "dump" && args.size() == 2) {
    std::string out;
    const int status = jettool::DumpDatabase(file, password, out, LockWaitOf(waitSeconds));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return status;
  }
  if (command == "create" && args.size() == 2) return jettool::RunCreate(file, password, sortOrder);
  if (command == "check" && args.size() == 2) return jettool::RunCheck(file, password);
  if (command == "sql" && args.size() >= 3) {
    return jettool::RunSql(file, password, std::vector<std::string>(args.begin() + 2, args.end()), waitSeconds);
  }
  if ((command == "tables" && args.size() == 2) || (command == "schema" && args.size() == 3) ||
      (command == "queries" && args.size() == 2)) {
    jet::Database::Options options;
    options.password = password.value_or("");
    options.lockWait = LockWaitOf(waitSeconds);
    auto db = jet::Database::Open(file, options);
    if (!db.ok()) return Fail(db.status());
    if (command == "queries") return Queries(**db);
    return command == "tables" ? Tables(**db) : Schema(**db, args[2]);
  }
  return Usage();
}
