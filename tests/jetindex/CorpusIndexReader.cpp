#include "CorpusIndexReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace jetindex_test {
namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// Windows-1252 0x80-0x9F (the rest of the code page equals Latin-1).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string DecodeJet4Text(const uint8_t* p, size_t n) {
  std::u16string s;
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    bool compressed = true;
    for (size_t i = 2; i < n;) {
      if (p[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        s.push_back(p[i++]);
      } else {
        if (i + 1 >= n) break;
        s.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
        i += 2;
      }
    }
    return s;
  }
  for (size_t i = 0; i + 1 < n; i += 2) s.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
  return s;
}

std::u16string DecodeCp1252(const uint8_t* p, size_t n) {
  std::u16string s;
  for (size_t i = 0; i < n; ++i) s.push_back(p[i] >= 0x80 && p[i] < 0xA0 ? kCp1252High[p[i] - 0x80] : p[i]);
  return s;
}

}  // namespace

std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(std::filesystem::path(TABLOREN_TEST_DATA_DIR))) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".mdb" || ext == ".accdb")) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<CorpusFile> CorpusFile::Open(const std::filesystem::path& path) {
  CorpusFile f;
  std::ifstream in(path, std::ios::binary);
  f.bytes_.assign(std::istreambuf_iterator<char>(in), {});
  if (f.bytes_.size() < 4096) return std::nullopt;
  f.jet3_ = f.bytes_[0x14] == 0;
  f.pageSize_ = f.jet3_ ? 2048 : 4096;
  if (f.bytes_.size() % f.pageSize_ != 0 || f.bytes_.size() < 3 * f.pageSize_) return std::nullopt;

  // The TDEF of MSysObjects: page 2 and its continuation pages (data from byte 8).
  std::vector<uint8_t> t;
  for (uint32_t p = 2, hops = 0; p != 0 && hops < 64; ++hops) {
    if (p >= f.pageCount()) return std::nullopt;
    std::vector<uint8_t> pg = f.page(p);
    if (pg[0] != 2) return std::nullopt;  // encrypted or not a database
    t.insert(t.end(), t.empty() ? pg.begin() : pg.begin() + 8, pg.end());
    p = U32(pg, 4);
  }
  const bool j3 = f.jet3_;
  const size_t colCount = U16(t, j3 ? 25 : 45);
  const size_t realCount = U32(t, j3 ? 31 : 51);
  size_t off = (j3 ? 43 : 63) + realCount * (j3 ? 8 : 12);
  const size_t colSize = j3 ? 18 : 25;
  for (size_t i = 0; i < colCount; ++i, off += colSize) {
    ColumnInfo c;
    c.type = t[off];
    c.number = U16(t, off + (j3 ? 1 : 5));
    c.varSlot = U16(t, off + (j3 ? 3 : 7));
    c.sortLcid = U16(t, off + (j3 ? 9 : 11));
    c.sortVersion = j3 ? 0 : t[off + 14];
    c.sortId = j3 ? 0 : t[off + 13];
    c.fixed = (t[off + (j3 ? 13 : 15)] & 0x01) != 0;
    c.fixedOffset = U16(t, off + (j3 ? 14 : 21));
    f.columns_.push_back(c);
  }
  for (ColumnInfo& c : f.columns_) {
    if (j3) {
      const size_t n = t[off];
      c.name.assign(t.begin() + off + 1, t.begin() + off + 1 + n);
      off += 1 + n;
    } else {
      const size_t n = U16(t, off);
      std::u16string w = DecodeJet4Text(t.data() + off + 2, n);
      c.name.assign(w.begin(), w.end());  // system column names are ASCII
      off += 2 + n;
    }
  }
  for (size_t i = 0; i < realCount; ++i) {
    const size_t base = off + (j3 ? 0 : 4);
    RealIndexInfo idx;
    for (int k = 0; k < 10; ++k) {
      const uint16_t col = U16(t, base + 3 * k);
      if (col != 0xFFFF) idx.columns.emplace_back(col, t[base + 3 * k + 2] == 1);
    }
    idx.rootPage = U32(t, base + 34);
    idx.flags = t[base + (j3 ? 38 : 42)];
    f.indexes_.push_back(idx);
    off += j3 ? 39 : 52;
  }
  return f;
}

const ColumnInfo* CorpusFile::column(const std::string& name) const {
  for (const ColumnInfo& c : columns_) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::vector<uint8_t> CorpusFile::page(uint32_t n) const {
  return std::vector<uint8_t>(bytes_.begin() + size_t{n} * pageSize_, bytes_.begin() + size_t{n + 1} * pageSize_);
}

void CorpusFile::fill(jet::index::MemoryPageStore& store) const {
  for (uint32_t p = 0; p < pageCount(); ++p) (void)store.writePage(p, page(p));
}

std::optional<RowValues> CorpusFile::readCatalogRow(uint32_t pageNo, uint8_t rowNo) const {
  // A moved row's target carries the deleted flag so that scans skip it.
  for (int hops = 0; hops < 4; ++hops) {
    if (pageNo >= pageCount()) return std::nullopt;
    const std::vector<uint8_t> pg = page(pageNo);
    if (pg[0] != 1) return std::nullopt;
    const size_t countAt = jet3_ ? 8 : 12;
    if (rowNo >= U16(pg, countAt)) return std::nullopt;
    const uint16_t raw = U16(pg, countAt + 2 + 2 * rowNo);
    if ((raw & 0x8000) && hops == 0) return std::nullopt;  // deleted
    const size_t start = raw & 0x1FFF;
    const size_t end = rowNo == 0 ? pageSize_ : (U16(pg, countAt + 2 * rowNo) & 0x1FFF);
    if (start >= end || end > pageSize_) return std::nullopt;
    if (raw & 0x4000) {  // moved: the row holds a pointer to the real row
      const uint32_t ptr = U32(pg, start);
      pageNo = ptr >> 8;
      rowNo = static_cast<uint8_t>(ptr);
      continue;
    }
    const std::vector<uint8_t> row(pg.begin() + start, pg.begin() + end);
    const size_t rowCols = jet3_ ? row[0] : U16(row, 0);
    const size_t maskLen = (rowCols + 7) / 8;
    const size_t maskAt = row.size() - maskLen;
    auto present = [&](uint16_t number) {
      return number < rowCols && (row[maskAt + number / 8] >> (number % 8) & 1) != 0;
    };

    // Variable-column offsets (index varCount = end of data).
    std::vector<size_t> varOffsets;
    if (jet3_) {
      const size_t varCount = row[maskAt - 1];
      size_t jumps = (row.size() - 1) / 256;
      size_t colOffsetPos = maskAt - 1 - jumps - 1;
      if ((colOffsetPos - varCount) / 256 < jumps) --jumps;  // a trailing dummy jump entry
      size_t used = 0;
      for (size_t i = 0; i <= varCount; ++i) {
        while (used < jumps && i == row[maskAt - 1 - used - 1]) ++used;
        varOffsets.push_back(row[colOffsetPos - i] + 256 * used);
      }
    } else {
      const size_t varCount = U16(row, maskAt - 2);
      for (size_t i = 0; i <= varCount; ++i) varOffsets.push_back(U16(row, maskAt - 2 - 2 * (i + 1)));
    }

    RowValues v;
    const size_t fixedBase = jet3_ ? 1 : 2;
    for (const ColumnInfo& c : columns_) {
      if (c.name == "Id" || c.name == "ParentId") {
        if (!present(c.number)) return std::nullopt;
        int32_t x = static_cast<int32_t>(U32(row, fixedBase + c.fixedOffset));
        (c.name == "Id" ? v.id : v.parentId) = x;
      } else if (c.name == "Name") {
        if (!present(c.number) || size_t{c.varSlot} + 1 >= varOffsets.size()) {
          v.nameNull = true;
          continue;
        }
        const size_t a = varOffsets[c.varSlot], b = varOffsets[c.varSlot + 1];
        if (a > b || b > row.size()) return std::nullopt;
        v.name = jet3_ ? DecodeCp1252(row.data() + a, b - a) : DecodeJet4Text(row.data() + a, b - a);
      }
    }
    return v;
  }
  return std::nullopt;
}

}  // namespace jetindex_test
