#include "WriteOracles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "GoldenDump.h"
#include "jet/write/IndexWriter.h"

namespace jetwrite_test {
namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::filesystem::path CorpusPath(const std::string& relative) {
  return std::filesystem::path(TABLOREN_TEST_DATA_DIR) / relative;
}

std::filesystem::path CopyOfCorpusFile(const std::string& relative) {
  // Folders of their own (a name made of the process id could be left over from an
  // earlier run whose process had the same id), removed when the test program ends.
  struct Folders {
    std::mutex mutex;
    std::vector<std::filesystem::path> made;
    ~Folders() {
      std::error_code ignored;
      for (const auto& dir : made) std::filesystem::remove_all(dir, ignored);
    }
  };
  static Folders folders;
  std::string name = (std::filesystem::temp_directory_path() / "jetwrite_XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder: " + name);
  const std::filesystem::path dir(name);
  {
    std::lock_guard lock(folders.mutex);
    folders.made.push_back(dir);
  }
  const auto target = dir / CorpusPath(relative).filename();
  std::filesystem::copy_file(CorpusPath(relative), target);
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return target;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

CommandResult RunCommand(const std::string& command) {
  const auto errFile = std::filesystem::temp_directory_path() / ("jetwrite_err_" + std::to_string(::getpid()));
  CommandResult r;
  FILE* pipe = ::popen((command + " 2>" + Quote(errFile.string())).c_str(), "r");
  if (!pipe) return r;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFileBytes(errFile);
  std::filesystem::remove(errFile);
  return r;
}

std::string OurDump(const std::filesystem::path& file, const std::string& password) {
  std::string out;
  jettool::DumpDatabase(file.string(), password.empty() ? std::nullopt : std::optional<std::string>(password), out);
  return out;
}

void ExpectOraclesAgree(const std::filesystem::path& file, bool exactIndexCounts, const std::string& password,
                        bool mdbtools) {
  const std::string ours = OurDump(file, password);
  const auto dumped = RunCommand(Quote(std::string(TABLOREN_ACCESS_DUMP)) + " " +
                                 Quote(file.string()) + (password.empty() ? "" : " " + Quote(password)));
  EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
  // The dumps differ only in the line that names the reader.
  std::string theirs = dumped.out;
  const std::string oracleLine = "\"oracle\": \"mdb-reader@3.2.0\"";
  if (auto at = theirs.find(oracleLine); at != std::string::npos) theirs.replace(at, oracleLine.size(), "\"oracle\": \"jettool\"");
  if (ours != theirs) {
    size_t at = 0;
    while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at]) ++at;
    const size_t from = at > 200 ? at - 200 : 0;
    ADD_FAILURE() << "our reader and mdb-reader disagree on " << file << " at byte " << at << ":\n ours: "
                  << ours.substr(from, 400) << "\n mdb-reader: " << theirs.substr(from, 400);
  }

  if (!mdbtools) return ExpectIndexesValid(file, exactIndexCounts, password);
  const auto tables = RunCommand("mdb-tables -1 " + Quote(file.string()));
  EXPECT_EQ(tables.exitCode, 0);
  EXPECT_EQ(tables.err, "") << "mdb-tables on " << file;
  std::istringstream names(tables.out);
  for (std::string name; std::getline(names, name);) {
    if (name.empty()) continue;
    const auto rows = RunCommand("mdb-json " + Quote(file.string()) + " " + Quote(name) + " >/dev/null");
    EXPECT_EQ(rows.exitCode, 0) << name;
    EXPECT_EQ(rows.err, "") << "mdb-json on table " << name << " of " << file;
  }
  ExpectIndexesValid(file, exactIndexCounts, password);
}

void ExpectIndexesValid(const std::filesystem::path& file, bool exactCounts, const std::string& password) {
  auto session = jet::WriteSession::Open(file.string(), password);
  ASSERT_TRUE(session.ok()) << session.status().message();
  jet::Database& db = (*session)->database();
  jet::PageWriter writer(db.file());
  for (const auto& entry : db.catalog().entries()) {
    if (!entry.isTable()) continue;
    auto def = db.tableDef(entry.name);
    ASSERT_TRUE(def.ok()) << def.status().message();
    if ((*def)->realIndexes.empty() || !jet::CheckIndexable(**def, db.file()).ok()) continue;
    std::vector<size_t> entries;
    jet::Status s = jet::ValidateIndexes(writer, **def, &entries);
    EXPECT_TRUE(s.ok()) << entry.name << ": " << s.message();
    // Every row has its entry in every index that does not skip nulls.
    auto cursor = db.scan(*def);
    ASSERT_TRUE(cursor.ok());
    size_t rows = 0;
    while (*cursor->next()) ++rows;
    for (size_t i = 0; i < entries.size() && s.ok(); ++i) {
      if ((*def)->realIndexes[i].flags & 0x02) continue;
      if (exactCounts) {
        EXPECT_EQ(entries[i], rows) << entry.name << " index " << i;
      } else {
        EXPECT_LE(entries[i], rows) << entry.name << " index " << i << ": an entry without its row";
      }
    }
  }
}

}  // namespace jetwrite_test
