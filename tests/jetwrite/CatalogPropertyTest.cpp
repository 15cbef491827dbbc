// Several hundred creates and drops in random order: after each step the catalogue's
// indexes (MSysObjects Id and ParentIdName, MSysACEs ObjectId) are valid B-trees and
// name lookups agree with the model; at the end both oracles read the file.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "WriteOracles.h"
#include "jet/write/IndexWriter.h"
#include "jet/write/WriteSession.h"

namespace jetwrite_test {
namespace {

TEST(CatalogProperty, RandomCreatesAndDropsKeepTheCatalogIndexesValid) {
  const auto file = CopyOfCorpusFile("mdb-reader/V2003/empty.mdb");
  std::mt19937 rng(20261207);
  std::map<std::string, bool> live;
  {
    auto session = jet::WriteSession::Open(file.string());
    ASSERT_TRUE(session.ok());
    jet::WriteSession& s = **session;
    const char* letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ _-0123456789éü";
    for (int step = 0; step < 400; ++step) {
      const bool drop = !live.empty() && rng() % 3 == 0;
      if (drop) {
        auto it = live.begin();
        std::advance(it, rng() % live.size());
        jet::Status st = s.dropTable(it->first);
        ASSERT_TRUE(st.ok()) << step << ": " << st.message();
        live.erase(it);
      } else {
        std::string name = "T";
        const int length = 1 + static_cast<int>(rng() % 30);
        for (int i = 0; i < length; ++i) name += letters[rng() % 38];
        while (!name.empty() && name.back() == ' ') name.pop_back();
        jet::Status st = s.createTable(name, {{"N", jet::ColumnType::kLong}, {"Memo", jet::ColumnType::kMemo}});
        bool exists = false;
        for (const auto& [other, unused] : live) exists = exists || jet::EqualsIgnoreCase(other, name);
        if (exists) {
          ASSERT_EQ(st.code(), jet::ErrorCode::kExists) << name;
          continue;
        }
        ASSERT_TRUE(st.ok()) << step << ": " << st.message();
        live[name] = true;
        if (rng() % 4 == 0) {
          ASSERT_TRUE(s.insert(name, {int32_t{step}, std::string(100 + step, 'x')}).ok());
        }
      }
      jet::Database& db = s.database();
      jet::PageWriter writer(db.file());
      for (const char* system : {"MSysObjects", "MSysACEs"}) {
        auto def = db.tableDef(system);
        ASSERT_TRUE(def.ok());
        jet::Status valid = jet::ValidateIndexes(writer, **def);
        ASSERT_TRUE(valid.ok()) << "step " << step << ", " << system << ": " << valid.message();
      }
      ASSERT_EQ(db.catalog().userTables().size(), live.size());
    }
  }
  ExpectOraclesAgree(file);
}

}  // namespace
}  // namespace jetwrite_test
