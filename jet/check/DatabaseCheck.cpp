#include "jet/check/DatabaseCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Database.h"
#include "jet/RollbackJournal.h"
#include "jet/TableCursor.h"
#include "jet/UsageMap.h"
#include "jet/check/PageLedger.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexPageStore.h"
#include "jet/index/IndexTree.h"
#include "jet/index/KeyValueFromValue.h"
#include "jet/index/TableIndexes.h"

namespace jet::check {
namespace {

constexpr RowPointer kGlobalMap{1, 0};

// The index validator reads pages through this; the check never writes.
class ReadOnlyStore : public index::IndexPageStore {
 public:
  explicit ReadOnlyStore(PageFile& file) : file_(file) {}
  uint32_t pageSize() const override { return file_.pageSize(); }
  Status readPage(uint32_t page, std::span<uint8_t> out) override {
    JET_ASSIGN_OR_RETURN(auto bytes, file_.read(page));
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return Status::Ok();
  }
  Status writePage(uint32_t, std::span<const uint8_t>) override { return ReadOnly(); }
  Result<uint32_t> allocatePage() override { return ReadOnly(); }
  Status freePage(uint32_t) override { return ReadOnly(); }

 private:
  static Status ReadOnly() { return Status(ErrorCode::kReadOnly, "the check does not change the file"); }
  PageFile& file_;
};

// What a real index's keys are made of, to rebuild each stored key from its row. Only a hash of
// each row's key is kept (16 bytes a row), so large tables do not need their keys in memory; the
// few rows whose key differs are read again for the message.
struct RowKey {
  uint32_t row = 0;  // packed row pointer
  bool allNull = false;
  uint64_t hash = 0;
  bool operator<(const RowKey& other) const { return row < other.row; }
};

struct KeyPlan {
  bool keyable = false;
  std::string whyNot;                   // when not keyable
  std::vector<size_t> columns;          // positions in the table definition
  std::vector<index::KeyColumn> keyColumns;
  std::vector<RowKey> expected;                 // sorted by row once the rows are read
  std::map<uint32_t, std::string> unkeyable;    // rows whose key could not be built, and why
};

uint64_t KeyHash(std::span<const uint8_t> key) {
  uint64_t h = 1469598103934665603ULL;  // FNV-1a
  for (uint8_t b : key) h = (h ^ b) * 1099511628211ULL;
  return h;
}

// A key whose every column is a null flag and nothing else.
bool AllNullKey(const std::vector<uint8_t>& key, size_t columns) {
  if (key.size() != columns) return false;
  return std::all_of(key.begin(), key.end(),
                     [](uint8_t b) { return b == index::kKeyNullFlag || b == index::kKeyNullFlagDescending; });
}

std::string Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string RowName(uint32_t packed) {
  const RowPointer at = RowPointer::FromPacked(packed);
  return "page " + std::to_string(at.page) + " row " + std::to_string(at.slot);
}

class Checker {
 public:
  Checker(Database& db, CheckReport& report)
      : db_(db), file_(db.file()), report_(report), ledger_(db.file().pageCount(), report.problems) {}

  void run() {
    ledger_.claim(0, "the header");
    auto freePages = mapMembers(kGlobalMap, "the global page map");
    for (const auto& entry : db_.catalog().entries()) {
      if (entry.isTable()) checkTable(entry);
    }
    if (freePages) checkGlobalMap(*freePages);
  }

 private:
  void problem(std::string text) { report_.problems.push_back(std::move(text)); }

  // Members of the map stored at `where`; claims the row's page and a reference map's
  // bitmap pages.
  std::optional<std::vector<uint32_t>> mapMembers(RowPointer where, const std::string& what) {
    auto row = ReadRow(file_, where, "the usage map of " + what);
    if (!row.ok()) {
      problem(row.status().message());
      return std::nullopt;
    }
    ledger_.claimMapRowPage(where.page);
    const auto bytes = row->bytes();
    if (!bytes.empty() && bytes[0] == usage_map::kReference) {
      for (size_t at = usage_map::kReferencePages; at + 4 <= bytes.size(); at += 4) {
        const uint32_t page = LoadU32(&bytes[at]);
        if (page == 0) continue;
        if (page >= file_.pageCount() && where.page == kGlobalMap.page && where.slot == kGlobalMap.slot) {
          // Seen in an Access-made file: stale pointers after the used ones; unused.
          report_.notes.push_back("the global page map points beyond the file (page " + std::to_string(page) + ")");
          return std::nullopt;
        }
        ledger_.claim(page, "a bitmap page of the usage map of " + what);
        expectType(page, PageType::kUsageBitmap, "a bitmap page of the usage map of " + what);
      }
    }
    auto map = UsageMap::Parse(bytes, file_.format(), what);
    if (!map.ok()) {
      problem(map.status().message());
      return std::nullopt;
    }
    std::vector<uint32_t> members;
    uint32_t cursor = 0;
    while (true) {
      auto next = map->next(file_, cursor);
      if (!next.ok()) {
        problem(next.status().message());
        return std::nullopt;
      }
      if (!next->has_value()) break;
      members.push_back(**next);
    }
    return members;
  }

  PageRef page(uint32_t number) {
    if (number >= file_.pageCount()) return nullptr;
    auto bytes = file_.read(number);
    if (!bytes.ok()) {
      problem(bytes.status().message());
      return nullptr;
    }
    return *bytes;
  }

  bool expectType(uint32_t number, PageType type, const std::string& what) {
    PageRef bytes = page(number);
    if (!bytes) return false;
    if ((*bytes)[kPageTypeOffset] != static_cast<uint8_t>(type)) {
      problem("page " + std::to_string(number) + " (" + what + ") has page type " +
              std::to_string((*bytes)[kPageTypeOffset]) + ", expected " + std::to_string(static_cast<int>(type)));
      return false;
    }
    return true;
  }

  void expectDataPageOwner(uint32_t number, uint32_t owner, const std::string& what) {
    if (!expectType(number, PageType::kData, what)) return;
    const uint32_t stored = LoadU32(&(*page(number))[file_.format().dataPage.owner]);
    if (stored != owner) {
      problem("page " + std::to_string(number) + " (" + what + ") names owner " + std::to_string(stored) +
              ", expected " + std::to_string(owner));
    }
  }

  void expectSubset(const std::vector<uint32_t>& part, const std::vector<uint32_t>& whole, const std::string& what) {
    for (uint32_t p : part) {
      if (!std::binary_search(whole.begin(), whole.end(), p)) {
        problem(what + " lists page " + std::to_string(p) + " as having free space, but it is not among its pages");
      }
    }
  }

  void checkTable(const CatalogEntry& entry) {
    const std::string table = "table " + entry.name;
    auto def = db_.tableDefAt(entry.tableDefPage(), entry.name);
    if (!def.ok()) {
      problem(def.status().message());
      return;
    }
    const TableDef& d = **def;
    systemTable_ = entry.isSystem() || d.tableType == kTableTypeSystem;
    for (uint32_t p : d.pages) ledger_.claim(p, table + "'s definition");

    auto owned = mapMembers(d.ownedPages, table);
    auto withRoom = mapMembers(d.freeSpacePages, table + " (pages with free space)");
    if (owned) {
      for (uint32_t p : *owned) {
        ledger_.claim(p, table + "'s data");
        expectDataPageOwner(p, d.firstPage(), table + "'s data");
      }
      if (withRoom) expectSubset(*withRoom, *owned, table);
    }
    std::set<uint32_t> longValuePages;
    for (const auto& c : d.columns) {
      if (!IsLongValueType(c.type())) continue;
      const std::string what = table + ", column " + c.name;
      auto lvOwned = mapMembers(c.ownedPages, what);
      // Access leaves the free-space maps of some system long-value columns pointing at
      // nothing (page 0); it never reads them, so they are reported as notes only.
      const size_t before = report_.problems.size();
      auto lvRoom = mapMembers(c.freePages, what + " (pages with free space)");
      if (report_.problems.size() > before && systemTable_) {
        for (size_t i = before; i < report_.problems.size(); ++i) report_.notes.push_back(report_.problems[i]);
        report_.problems.resize(before);
        lvRoom.reset();
      }
      if (!lvOwned) continue;
      for (uint32_t p : *lvOwned) {
        ledger_.claim(p, what + "'s long values");
        expectDataPageOwner(p, kLongValuePageTag, what + "'s long values");
        longValuePages.insert(p);
      }
      if (lvRoom) expectSubset(*lvRoom, *lvOwned, what);
    }
    std::vector<KeyPlan> plans = keyPlans(d);
    auto rows = checkRows(d, table, longValuePages, plans);
    checkIndexes(d, table, rows, plans);
  }

  std::vector<KeyPlan> keyPlans(const TableDef& d) {
    std::vector<KeyPlan> plans(d.realIndexes.size());
    for (size_t i = 0; i < d.realIndexes.size(); ++i) {
      KeyPlan& plan = plans[i];
      plan.keyable = true;
      for (const IndexColumn& ic : d.realIndexes[i].columns) {
        size_t at = d.columns.size();
        for (size_t c = 0; c < d.columns.size(); ++c) {
          if (d.columns[c].number == ic.columnNumber) at = c;
        }
        if (at == d.columns.size()) {
          plan.keyable = false;
          plan.whyNot = "it names column number " + std::to_string(ic.columnNumber) + ", which the table lacks";
          break;
        }
        const ColumnDef& c = d.columns[at];
        if (c.calculated()) {
          plan.keyable = false;
          plan.whyNot = "column " + c.name + " is calculated";
          break;
        }
        auto key = index::MakeKeyColumn(c.typeCode, {c.sortOrder.lcid, c.sortOrder.sortId, c.sortOrder.version},
                                        file_.format().jet3, ic.ascending, c.name, c.scale, !file_.header().ace());
        if (!key.ok()) {
          plan.keyable = false;
          plan.whyNot = key.status().message();
          break;
        }
        plan.columns.push_back(at);
        plan.keyColumns.push_back(*key);
      }
    }
    return plans;
  }

  // The key `plan` gives the cursor's current row, or why it cannot be built.
  static Result<std::vector<uint8_t>> RowKeyOf(TableCursor& cursor, const KeyPlan& plan) {
    std::vector<index::KeyValue> values;
    for (size_t at : plan.columns) {
      JET_ASSIGN_OR_RETURN(auto value, cursor.value(at));
      JET_ASSIGN_OR_RETURN(auto keyValue, index::KeyValueFromValue(value));
      values.push_back(std::move(keyValue));
    }
    return index::EncodeIndexKey(plan.keyColumns, values);
  }

  // The key each keyable index should hold for the cursor's current row.
  void expectKeys(TableCursor& cursor, std::vector<KeyPlan>& plans) {
    const uint32_t packed = cursor.position().packed();
    for (KeyPlan& plan : plans) {
      if (!plan.keyable) continue;
      auto key = RowKeyOf(cursor, plan);
      if (!key.ok()) {
        plan.unkeyable[packed] = key.status().message();
        continue;
      }
      plan.expected.push_back(RowKey{packed, AllNullKey(*key, plan.keyColumns.size()), KeyHash(*key)});
    }
  }

  // Live rows, with every long value's chain walked. nullopt if the rows cannot be read.
  std::optional<size_t> checkRows(const TableDef& d, const std::string& table, const std::set<uint32_t>& lvPages,
                                  std::vector<KeyPlan>& plans) {
    auto def = db_.tableDefAt(d.firstPage(), d.name);
    auto cursor = TableCursor::Open(file_, *def);
    if (!cursor.ok()) {
      problem(cursor.status().message());
      return std::nullopt;
    }
    size_t rows = 0;
    // The largest value of the AutoNumber increment column, which the definition's last
    // number must reach: a number handed out later would repeat it.
    std::optional<int32_t> largestNumber;
    while (true) {
      auto more = cursor->next();
      if (!more.ok()) {
        problem(more.status().message());
        return std::nullopt;
      }
      if (!*more) break;
      ++rows;
      expectKeys(*cursor, plans);
      const auto& fields = cursor->fields();
      for (size_t i = 0; i < d.columns.size() && i < fields.size(); ++i) {
        if (d.columns[i].autoIncrement() && fields[i].present && fields[i].bytes.size() == 4) {
          const auto v = static_cast<int32_t>(LoadU32(fields[i].bytes.data()));
          largestNumber = std::max(largestNumber.value_or(v), v);
        }
        if (!IsLongValueType(d.columns[i].type()) || !fields[i].present) continue;
        checkLongValue(fields[i].bytes, lvPages,
                       table + ", column " + d.columns[i].name + ", row at page " +
                           std::to_string(cursor->position().page) + " slot " +
                           std::to_string(cursor->position().slot));
      }
    }
    for (KeyPlan& plan : plans) std::sort(plan.expected.begin(), plan.expected.end());
    if (largestNumber && *largestNumber > static_cast<int32_t>(d.nextAutoNumber)) {
      problem(table + " keeps " + std::to_string(static_cast<int32_t>(d.nextAutoNumber)) +
              " as its last AutoNumber but holds the value " + std::to_string(*largestNumber));
    }
    if (rows != d.rowCount && systemTable_) {
      // Access itself leaves stale counts on its system tables (seen in several corpus files).
      report_.notes.push_back(table + " stores a row count of " + std::to_string(d.rowCount) + " but has " +
                              std::to_string(rows) + " live rows");
    } else if (rows != d.rowCount) {
      problem(table + " stores a row count of " + std::to_string(d.rowCount) + " but has " + std::to_string(rows) +
              " live rows");
    }
    return rows;
  }

  void checkLongValue(std::span<const uint8_t> ref, const std::set<uint32_t>& lvPages, const std::string& where) {
    if (ref.size() < JetFormat::kLongValueReferenceSize) {
      problem(where + ": the long-value reference is " + std::to_string(ref.size()) + " bytes, too short");
      return;
    }
    const uint32_t word = LoadU32(ref.data());
    const uint32_t length = word & long_value::kLengthMask;
    const RowPointer first = RowPointer::FromPacked(LoadU32(ref.data() + long_value::kRowPointerOffset));
    if (word & long_value::kFlagInline) {
      if (ref.size() - JetFormat::kLongValueReferenceSize != length) {
        problem(where + ": an inline long value says " + std::to_string(length) + " bytes but holds " +
                std::to_string(ref.size() - JetFormat::kLongValueReferenceSize));
      }
      return;
    }
    auto notePage = [&](uint32_t p) {
      if (!lvPages.count(p)) {
        problem(where + ": long-value page " + std::to_string(p) + " is not in the column's usage map");
      }
    };
    if (word & long_value::kFlagSingleRow) {
      auto row = ReadRow(file_, first, where + ": long value");
      if (!row.ok()) return problem(row.status().message());
      notePage(first.page);
      if (row->slot.length() != length) {
        problem(where + ": a one-row long value says " + std::to_string(length) + " bytes but its row holds " +
                std::to_string(row->slot.length()));
      }
      return;
    }
    std::set<uint32_t> seen;
    uint64_t total = 0;
    RowPointer at = first;
    while (!at.null()) {
      if (!seen.insert(at.packed()).second) return problem(where + ": the long-value chain loops");
      auto row = ReadRow(file_, at, where + ": long-value chain");
      if (!row.ok()) return problem(row.status().message());
      notePage(at.page);
      if (row->slot.length() < long_value::kChainHeader) return problem(where + ": a long-value chain row is too short");
      total += row->slot.length() - long_value::kChainHeader;
      if (total > length) break;
      at = RowPointer::FromPacked(LoadU32(row->bytes().data()));
    }
    if (total != length) {
      problem(where + ": the long-value chain holds " + std::to_string(total) + " bytes, its reference says " +
              std::to_string(length));
    }
  }

  void checkIndexes(const TableDef& d, const std::string& table, std::optional<size_t> rows,
                    const std::vector<KeyPlan>& plans) {
    const auto& layout = file_.format().jet3 ? index::kJet3IndexPageLayout : index::kJet4IndexPageLayout;
    for (size_t i = 0; i < d.realIndexes.size(); ++i) {
      const RealIndexDef& real = d.realIndexes[i];
      std::string name = table + " index " + std::to_string(i);
      for (const auto& logical : d.logicalIndexes) {
        if (logical.realIndex == i) {
          name = table + " index " + logical.name;
          break;
        }
      }
      auto members = mapMembers(real.usageMap, name);
      if (members) {
        for (uint32_t p : *members) ledger_.claim(p, name);
      }
      ReadOnlyStore store(file_);
      index::IndexTreeCheck check{real.rootPage, d.firstPage(), (real.flags & index::kIndexUnique) != 0,
                                  real.columns.size(), name};
      auto tree = index::ValidateIndexTree(store, layout, check);
      if (!tree.ok()) {
        if (tree.status().code() == ErrorCode::kUnsupported) {
          report_.notes.push_back(name + ": not validated: " + tree.status().message());
        } else {
          problem(tree.status().message());
        }
        continue;
      }
      if (tree->looseEntries) {
        report_.notes.push_back(name + ": " + std::to_string(tree->looseEntries) +
                                " upper-level entr" + (tree->looseEntries == 1 ? "y is" : "ies are") +
                                " above their child page's last entry (first on page " +
                                std::to_string(tree->firstLoosePage) + "), as Access leaves them after deletes");
      }
      if (members) {
        for (uint32_t p : tree->pages) {
          if (!std::binary_search(members->begin(), members->end(), p)) {
            problem(name + ": tree page " + std::to_string(p) + " is missing from the index's usage map");
          }
        }
      }
      if (!rows) continue;
      const bool ignoresNulls = real.flags & index::kIndexIgnoreNulls;
      if (ignoresNulls ? tree->entryCount > *rows : tree->entryCount != *rows) {
        problem(name + " holds " + std::to_string(tree->entryCount) + " entries for " + std::to_string(*rows) +
                " rows");
      }
      if (!plans[i].keyable) {
        report_.notes.push_back(name + ": keys not recomputed: " + plans[i].whyNot);
        continue;
      }
      checkKeys(store, layout, real, d, name, plans[i]);
    }
  }

  // Every stored key against the key built from the row it points to, and every row
  // against the index: a row without its entry is as wrong as an entry without its row.
  void checkKeys(ReadOnlyStore& store, const index::IndexPageLayout& layout, const RealIndexDef& real,
                 const TableDef& d, const std::string& name, const KeyPlan& plan) {
    index::IndexTree tree(store, layout, real.rootPage, d.firstPage(), name);
    auto entries = tree.entries();
    if (!entries.ok()) return problem(entries.status().message());
    constexpr size_t kShown = 5;  // mismatches listed one by one; the rest are counted
    size_t mismatches = 0, orphans = 0, unkeyable = 0;
    std::map<uint32_t, std::vector<uint8_t>> shown;  // mismatched rows -> stored key
    std::vector<uint32_t> indexed;
    indexed.reserve(entries->size());
    for (const index::IndexEntry& e : *entries) {
      const uint32_t packed = RowPointer{e.row.page, e.row.row}.packed();
      indexed.push_back(packed);
      if (auto bad = plan.unkeyable.find(packed); bad != plan.unkeyable.end()) {
        if (++unkeyable <= kShown) {
          report_.notes.push_back(name + ": key of " + RowName(packed) + " not recomputed: " + bad->second);
        }
        continue;
      }
      auto want = std::lower_bound(plan.expected.begin(), plan.expected.end(), RowKey{packed});
      if (want == plan.expected.end() || want->row != packed) {
        if (++orphans <= kShown) problem(name + ": an entry points to " + RowName(packed) + ", which is no live row");
        continue;
      }
      ++report_.keysCompared;
      if (want->hash != KeyHash(e.key)) {
        ++report_.keyMismatches;
        if (++mismatches <= kShown) shown.emplace(packed, e.key);
      }
    }
    if (!shown.empty()) reportMismatches(d, name, plan, shown);
    if (mismatches > kShown) problem(name + ": " + std::to_string(mismatches) + " key mismatches in all");
    if (orphans > kShown) problem(name + ": " + std::to_string(orphans) + " entries without a live row in all");
    std::sort(indexed.begin(), indexed.end());
    const bool ignoresNulls = real.flags & index::kIndexIgnoreNulls;
    size_t missing = 0;
    for (const RowKey& k : plan.expected) {
      if (std::binary_search(indexed.begin(), indexed.end(), k.row)) continue;
      if (ignoresNulls && k.allNull) continue;
      if (++missing <= kShown) problem(name + ": " + RowName(k.row) + " has no entry");
    }
    if (missing > kShown) problem(name + ": " + std::to_string(missing) + " rows without an entry in all");
  }

  // Reads the table again for the few rows whose stored key differs, to show both keys.
  void reportMismatches(const TableDef& d, const std::string& name, const KeyPlan& plan,
                        const std::map<uint32_t, std::vector<uint8_t>>& stored) {
    auto def = db_.tableDefAt(d.firstPage(), d.name);
    if (!def.ok()) return problem(def.status().message());
    auto cursor = TableCursor::Open(file_, *def);
    if (!cursor.ok()) return problem(cursor.status().message());
    while (true) {
      auto more = cursor->next();
      if (!more.ok()) return problem(more.status().message());
      if (!*more) return;
      const uint32_t packed = cursor->position().packed();
      auto it = stored.find(packed);
      if (it == stored.end()) continue;
      auto key = RowKeyOf(*cursor, plan);
      problem(name + ": key mismatch at " + RowName(packed) + ": stored " + Hex(it->second) + ", the row gives " +
              (key.ok() ? Hex(*key) : key.status().message()));
    }
  }

  void checkGlobalMap(const std::vector<uint32_t>& freePages) {
    std::vector<bool> isFree(ledger_.pageCount(), false);
    for (uint32_t p : freePages) {
      if (p < isFree.size()) isFree[p] = true;
    }
    size_t leaked = 0;
    for (uint32_t p = 1; p < ledger_.pageCount(); ++p) {
      if (isFree[p] && ledger_.claimed(p)) {
        problem("page " + std::to_string(p) + " is marked free in the global page map but belongs to " +
                ledger_.owner(p));
      } else if (!isFree[p] && !ledger_.claimed(p)) {
        ++leaked;
      }
    }
    // Pages that are used but belong to nothing are lost space, not damage: Access leaves
    // them behind and its compaction reclaims them.
    if (leaked) {
      report_.notes.push_back(std::to_string(leaked) +
                              " page(s) are in use according to the global page map but belong to nothing");
    }
  }

  Database& db_;
  PageFile& file_;
  CheckReport& report_;
  PageLedger ledger_;
  bool systemTable_ = false;  // the table being checked is one of Access's own
};

}  // namespace

Result<CheckReport> CheckDatabase(const std::string& path, const std::string& password) {
  Database::Options options;
  options.password = password;
  auto db = Database::Open(path, options);
  CheckReport report;
  if (!db.ok()) {
    // A hot journal that opening refused (damaged, another file's, not a file) is kept
    // beside the database, which stays as the interrupted change left it: a problem of
    // the file, not a failure of the check.
    struct stat journal {};
    if (::lstat(JournalPathFor(path).c_str(), &journal) != 0) return db.status();
    report.problems.push_back(db.status().message());
    return report;
  }
  Checker(**db, report).run();
  for (auto& p : report.problems) p = path + ": " + p;
  return report;
}

}  // namespace jet::check
