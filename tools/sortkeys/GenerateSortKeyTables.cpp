// Build-time generator: turns the measured text sort-key code files (one line per
// character, see the README beside them) into compact C++ tables for jet/index.
//
//   GenerateSortKeyTables <sortkeys data folder> <output .cpp>
//
// Every line is checked here, so a damaged data file fails the build instead of
// producing wrong index keys at run time. The output carries the attribution notice
// and licence the data requires.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Must match jet/index/SortKeyTables.h.
enum CharClass : uint32_t {
  kIgnored = 0,
  kSimple = 1,
  kInternational = 2,
  kUnprintable = 3,
  kUnprintableExt = 4,
  kInternationalExt = 5,
  kSignificant = 6,
  kSurrogate = 7,
};

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(',', start);
    parts.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// Hex digits to bytes; an odd count means a leading zero was left out.
std::vector<uint8_t> HexBytes(std::string hex, bool required, const std::string& where) {
  if (hex.empty()) {
    if (required) throw std::runtime_error(where + ": empty code");
    return {};
  }
  if (hex.size() % 2) hex.insert(hex.begin(), '0');
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    size_t used = 0;
    unsigned long v = std::stoul(hex.substr(i, 2), &used, 16);
    if (used != 2) throw std::runtime_error(where + ": bad hex '" + hex + "'");
    bytes.push_back(static_cast<uint8_t>(v));
  }
  if (bytes.size() > 255) throw std::runtime_error(where + ": code too long");
  return bytes;
}

// One sort order's table: a class and pool offset per character, records deduplicated.
class TableBuilder {
 public:
  TableBuilder() { pool_.push_back(0); }  // offset 0: the empty record

  uint32_t add(const std::string& line, const std::string& where) {
    if (line.empty()) throw std::runtime_error(where + ": empty line");
    const char kind = line[0];
    const std::vector<std::string> f = Split(line.substr(1));
    std::vector<uint8_t> rec;
    auto lengthPrefixed = [&rec](const std::vector<uint8_t>& b) {
      rec.push_back(static_cast<uint8_t>(b.size()));
      rec.insert(rec.end(), b.begin(), b.end());
    };
    uint32_t cls = 0;
    auto expect = [&](size_t n) {
      if (f.size() != n) throw std::runtime_error(where + ": wrong field count in '" + line + "'");
    };
    switch (kind) {
      case 'X':
        return kIgnored << 24;
      case 'S':
        expect(1), cls = kSimple, lengthPrefixed(HexBytes(f[0], true, where));
        break;
      case 'G':
        expect(1), cls = kSignificant, lengthPrefixed(HexBytes(f[0], true, where));
        break;
      case 'U':
        expect(1), cls = kUnprintable, lengthPrefixed(HexBytes(f[0], true, where));
        break;
      case 'I':
        expect(2), cls = kInternational;
        lengthPrefixed(HexBytes(f[0], true, where));
        lengthPrefixed(HexBytes(f[1], true, where));
        break;
      case 'P': {
        expect(1), cls = kUnprintableExt;
        std::vector<uint8_t> b = HexBytes(f[0], true, where);
        if (b.size() != 1) throw std::runtime_error(where + ": modifier must be one byte");
        rec.push_back(b[0]);
        break;
      }
      case 'Z':
        expect(3), cls = kInternationalExt;
        lengthPrefixed(HexBytes(f[0], true, where));
        lengthPrefixed(HexBytes(f[1], false, where));
        rec.push_back(f[2] == "1" ? 2 : 3);  // the two "crazy" flag values
        break;
      default:
        throw std::runtime_error(where + ": unknown class in '" + line + "'");
    }
    auto [it, inserted] = records_.emplace(rec, static_cast<uint32_t>(pool_.size()));
    if (inserted) pool_.insert(pool_.end(), rec.begin(), rec.end());
    if (it->second >= (1u << 24)) throw std::runtime_error("pool too large");
    return (cls << 24) | it->second;
  }

  const std::vector<uint8_t>& pool() const { return pool_; }

 private:
  std::vector<uint8_t> pool_;
  std::map<std::vector<uint8_t>, uint32_t> records_;
};

void EmitArray32(std::ostream& out, const std::string& name, const std::vector<uint32_t>& v) {
  out << "extern const uint32_t " << name << "[" << v.size() << "];\n";
  out << "const uint32_t " << name << "[" << v.size() << "] = {";
  for (size_t i = 0; i < v.size(); ++i) out << (i % 12 ? "" : "\n") << "0x" << std::hex << v[i] << std::dec << ",";
  out << "\n};\n";
}

void EmitArray8(std::ostream& out, const std::string& name, const std::vector<uint8_t>& v) {
  out << "extern const uint8_t " << name << "[" << v.size() << "];\n";
  out << "const uint8_t " << name << "[" << v.size() << "] = {";
  for (size_t i = 0; i < v.size(); ++i) out << (i % 24 ? "" : "\n") << static_cast<int>(v[i]) << ",";
  out << "\n};\n";
}

// Builds the table of all 65536 BMP characters: 256 base lines, then the extension
// file, which leaves out the surrogate range (their codes are computed).
void BuildBmpTable(const std::string& dir, const std::string& base, const std::string& ext,
                   const std::string& name, std::ostream& out) {
  TableBuilder builder;
  std::vector<uint32_t> codes;
  const std::vector<std::string> baseLines = ReadLines(dir + "/" + base);
  const std::vector<std::string> extLines = ReadLines(dir + "/" + ext);
  if (baseLines.size() != 256) throw std::runtime_error(base + ": expected 256 lines");
  if (extLines.size() != 0x10000 - 256 - 2048) throw std::runtime_error(ext + ": unexpected line count");
  for (size_t i = 0; i < 256; ++i) codes.push_back(builder.add(baseLines[i], base + ":" + std::to_string(i + 1)));
  size_t next = 0;
  for (uint32_t c = 256; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) {
      codes.push_back(kSurrogate << 24);
      continue;
    }
    codes.push_back(builder.add(extLines[next], ext + ":" + std::to_string(next + 1)));
    ++next;
  }
  EmitArray32(out, name + "Codes", codes);
  EmitArray8(out, name + "Pool", builder.pool());
}

void BuildGeneral97Table(const std::string& dir, std::ostream& out) {
  TableBuilder builder;
  std::vector<uint32_t> codes;
  const std::vector<std::string> lines = ReadLines(dir + "/index_codes_gen_97.txt");
  if (lines.size() != 256) throw std::runtime_error("index_codes_gen_97.txt: expected 256 lines");
  for (size_t i = 0; i < 256; ++i) codes.push_back(builder.add(lines[i], "index_codes_gen_97.txt:" + std::to_string(i + 1)));
  EmitArray32(out, "kGeneral97Codes", codes);
  EmitArray8(out, "kGeneral97Pool", builder.pool());

  // Characters above U+00FF that Access 97 folds onto a character of the code page.
  std::vector<uint32_t> mappings;  // (from << 8) | to
  for (const std::string& line : ReadLines(dir + "/index_mappings_ext_gen_97.txt")) {
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::vector<std::string> f = Split(line);
    if (f.size() != 2) throw std::runtime_error("index_mappings_ext_gen_97.txt: bad line '" + line + "'");
    unsigned long from = std::stoul(f[0]), to = std::stoul(f[1]);
    if (from < 256 || from > 0xFFFF || to > 255) throw std::runtime_error("bad mapping '" + line + "'");
    mappings.push_back(static_cast<uint32_t>((from << 8) | to));
  }
  out << "extern const size_t kGeneral97MappingCount;\nconst size_t kGeneral97MappingCount = " << mappings.size() << ";\n";
  EmitArray32(out, "kGeneral97Mappings", mappings);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: GenerateSortKeyTables <sortkeys folder> <output.cpp>\n";
    return 2;
  }
  const std::string dir = argv[1];
  try {
    std::ostringstream out;
    out << "// Generated at build time by tools/sortkeys/GenerateSortKeyTables from the text\n"
           "// sort-key code tables. Do not edit.\n//\n"
           "// Attribution: the code tables are derived from the resource files of the Java\n"
           "// library Jackcess (jahlborn/jackcess at commit 7a3433d,\n"
           "// src/main/resources/com/healthmarketscience/jackcess/: index_codes_genleg.txt,\n"
           "// index_codes_ext_genleg.txt, index_codes_gen.txt, index_codes_ext_gen.txt,\n"
           "// index_codes_gen_97.txt, index_mappings_ext_gen_97.txt), figures measured from\n"
           "// Microsoft Access, used under the Apache License, Version 2.0, whose text follows.\n"
           "// The tables were converted into this compact form; the values are unchanged.\n//\n";
    std::istringstream license(ReadAll(dir + "/LICENSE.txt"));
    for (std::string line; std::getline(license, line);) out << "// " << line << "\n";
    out << "\n#include <cstddef>\n#include <cstdint>\n\nnamespace jet::sortkeys {\n\n";
    BuildBmpTable(dir, "index_codes_genleg.txt", "index_codes_ext_genleg.txt", "kGeneralLegacy", out);
    BuildBmpTable(dir, "index_codes_gen.txt", "index_codes_ext_gen.txt", "kGeneral", out);
    BuildGeneral97Table(dir, out);
    out << "\n}  // namespace jet::sortkeys\n";

    const std::string tmp = std::string(argv[2]) + ".tmp";
    {
      std::ofstream file(tmp, std::ios::binary);
      file << out.str();
      if (!file) throw std::runtime_error("cannot write " + tmp);
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "GenerateSortKeyTables: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
