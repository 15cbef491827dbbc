#include "jet/index/TextSortKey.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "jet/index/SortKeyTables.h"
#include "jet/index/SortOrders.h"

namespace jet::index {
namespace {

using sortkeys::CharClass;

// Markers of the key layout (General Legacy and General).
constexpr uint8_t kEndText = 0x01;          // after the inline codes, and between later sections
constexpr uint8_t kEndKey = 0x00;           // last byte of every text key
constexpr uint8_t kExtraPlaceholder = 0x02; // extra code of a character that has none
constexpr uint8_t kUnprintableMidfix = 0x06;
constexpr uint8_t kCrazyStart = 0x80;
constexpr uint8_t kCrazyTrimmed = 0x03;     // crazy code dropped at the end of the list
constexpr uint8_t kKanaSeparator = 0xFF;     // after the small-kana flags, and inside the tail
constexpr uint8_t kKanaTailStart = 0x02;
constexpr uint8_t kKanaGroup = 0x80;         // one per seven kana, twice in the tail
constexpr size_t kKanaPerGroup = 7;
constexpr uint8_t kProlongedOrdinary = 0x01; // prolonged-mark flag of an ordinary kana
constexpr uint8_t kProlongedMark = 0x03;     // ... and of a prolonged sound mark
constexpr uint8_t kCrazyThenUnprintable = 0xFF;
constexpr uint8_t kSurrogateExtra = 0x3F;
// Access 97 packs its extra codes in nibbles between two 0 nibbles.
constexpr uint8_t kNibbleBound = 0x0;

struct CharCodes {
  CharClass cls = CharClass::kIgnored;
  std::span<const uint8_t> inlineBytes;
  std::span<const uint8_t> extraBytes;
  std::span<const uint8_t> unprintableBytes;
  uint8_t modifier = 0;
  uint8_t crazy = 0;
  // Inline bytes worked out rather than read from a table (surrogates, moved weights).
  std::array<uint8_t, 2> computed{};
  uint8_t computedSize = 0;

  std::span<const uint8_t> inlineView() const {
    return computedSize ? std::span<const uint8_t>(computed.data(), computedSize) : inlineBytes;
  }
  void setComputed(std::span<const uint8_t> bytes) {
    computedSize = static_cast<uint8_t>(std::min(bytes.size(), computed.size()));
    std::copy_n(bytes.begin(), computedSize, computed.begin());
  }
};

CharCodes Decode(uint32_t code, const uint8_t* pool) {
  CharCodes c;
  c.cls = static_cast<CharClass>(code >> 24);
  const uint8_t* p = pool + (code & 0xFFFFFF);
  auto take = [&p]() {
    std::span<const uint8_t> s(p + 1, p[0]);
    p += 1 + p[0];
    return s;
  };
  switch (c.cls) {
    case CharClass::kSimple:
    case CharClass::kSignificant: c.inlineBytes = take(); break;
    case CharClass::kUnprintable: c.unprintableBytes = take(); break;
    case CharClass::kInternational: c.inlineBytes = take(), c.extraBytes = take(); break;
    case CharClass::kUnprintableExt: c.modifier = p[0]; break;
    case CharClass::kInternationalExt:
      c.inlineBytes = take();
      c.extraBytes = take();
      c.crazy = p[0];
      break;
    case CharClass::kIgnored:
    case CharClass::kSurrogate: break;
  }
  return c;
}

// Surrogates are not in the tables: their two inline bytes follow from the code unit
// (high: c - 10238; low: c minus an offset that steps down every 254 units), and each
// carries the extra code 0x3F.
void ComputeSurrogate(char16_t ch, CharCodes& c) {
  int value;
  if (ch <= 0xDBFF) {
    value = ch - 10238;
  } else {
    const int pos = (ch - 0xDC00) % 1024;
    const int offset = pos < 8 ? 9992 : pos < 8 + 254 ? 9990 : pos < 8 + 2 * 254 ? 9988 : pos < 8 + 3 * 254 ? 9986 : 9984;
    value = ch - offset;
  }
  const uint8_t bytes[] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  c.setComputed(bytes);
  c.extraBytes = std::span<const uint8_t>(&kSurrogateExtra, 1);
}

// Characters the sort order expands to several letters (ß = ss, æ = ae, ĳ, ǆ, the ligatures): their
// inline codes are those letters' codes one after another. Access counts every such letter as a
// character when it numbers the positions of extra and unprintable codes; the code tables alone
// would count one. Returns how many characters `c` counts as.
int CountedCharacters(const uint32_t* codes, const uint8_t* pool, std::span<const uint8_t> inlineBytes) {
  if (inlineBytes.size() < 2) return 1;  // every letter takes at least one byte
  const size_t shortestLetter = Decode(codes[u'a'], pool).inlineBytes.size();
  if (shortestLetter == 0 || inlineBytes.size() < 2 * shortestLetter) return 1;
  int letters = 0;
  size_t at = 0;
  while (at < inlineBytes.size()) {
    bool matched = false;
    for (char16_t letter = u'a'; letter <= u'z' && !matched; ++letter) {
      const auto code = Decode(codes[letter], pool).inlineBytes;
      if (!code.empty() && inlineBytes.size() - at >= code.size() &&
          std::equal(code.begin(), code.end(), inlineBytes.begin() + static_cast<std::ptrdiff_t>(at))) {
        at += code.size();
        ++letters;
        matched = true;
      }
    }
    if (!matched) return 1;
  }
  return letters;
}

std::u16string_view KeyedPart(std::u16string_view text) {
  if (text.size() > kMaxKeyedTextUnits) text = text.substr(0, kMaxKeyedTextUnits);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

std::string Hex(char16_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

Status CheckSurrogatePairs(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      return Status(ErrorCode::kInvalidArgument,
                    "text contains an unpaired surrogate " + Hex(c) + " at position " + std::to_string(i + 1) +
                        " and cannot be put into an index");
    }
  }
  return Status::Ok();
}

// The extra codes of General Legacy / General: one per character with inline codes,
// the placeholder for those without, and modifiers folded into the previous code.
struct ExtraCodes {
  std::vector<uint8_t> bytes;
  int chars = 0;             // characters the codes account for
  int unprintablePrefix = 0; // a modifier written before any code
  bool started = false;
};

void AddExtra(ExtraCodes& extra, int charOffset, std::span<const uint8_t> bytes, uint8_t modifier) {
  extra.started = true;
  if (extra.chars < charOffset) {
    extra.bytes.insert(extra.bytes.end(), charOffset - extra.chars, kExtraPlaceholder);
    extra.chars = charOffset;
  }
  if (!bytes.empty()) {
    extra.bytes.insert(extra.bytes.end(), bytes.begin(), bytes.end());
    ++extra.chars;
  } else if (!extra.bytes.empty()) {
    extra.bytes.back() = static_cast<uint8_t>(extra.bytes.back() + modifier);
  } else {
    extra.bytes.push_back(modifier);
    extra.unprintablePrefix = 1;
  }
}

void AddUnprintable(std::vector<uint8_t>& out, const ExtraCodes& extra, int charOffset,
                    std::span<const uint8_t> bytes) {
  // The position counts extra-code bytes, including ones not yet written.
  int pos = charOffset;
  if (extra.started) pos = static_cast<int>(extra.bytes.size()) + (charOffset - extra.chars) - extra.unprintablePrefix;
  const int value = (7 + 4 * pos) | 0x8000;
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(kUnprintableMidfix);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Packs two-bit codes three to a byte under a 0x80 prefix, most significant first.
void PackCodes(std::vector<uint8_t>& out, const std::vector<uint8_t>& codes) {
  uint8_t cur = kCrazyStart;
  int n = 0;
  for (uint8_t code : codes) {
    cur |= static_cast<uint8_t>(code << ((2 - n) * 2));
    if (++n == 3) {
      out.push_back(cur);
      cur = kCrazyStart;
      n = 0;
    }
  }
  if (n > 0) out.push_back(cur);
}

// The kana section: the small/normal flags (trailing normal ones dropped), FF, the
// prolonged-mark flags (trailing ordinary ones dropped), then 02 and FF, each followed by
// one 0x80 per seven kana.
void AddKanaSection(std::vector<uint8_t>& out, std::vector<uint8_t> crazy, std::vector<uint8_t> prolonged) {
  const size_t kana = crazy.size();
  while (!crazy.empty() && crazy.back() == kCrazyTrimmed) crazy.pop_back();
  while (!prolonged.empty() && prolonged.back() == kProlongedOrdinary) prolonged.pop_back();
  PackCodes(out, crazy);
  out.push_back(kKanaSeparator);
  PackCodes(out, prolonged);
  const size_t groups = (kana + kKanaPerGroup - 1) / kKanaPerGroup;
  out.push_back(kKanaTailStart);
  out.insert(out.end(), groups, kKanaGroup);
  out.push_back(kKanaSeparator);
  out.insert(out.end(), groups, kKanaGroup);
}

// Builds a General Legacy / General key from the weights of its characters, in order.
class KeyBuilder {
 public:
  explicit KeyBuilder(std::vector<uint8_t>& out) : out_(out), start_(out.size()) {}

  // A character as its code table gives it, counting `weights` positions.
  [[gnu::always_inline]] void add(const CharCodes& c, int weights, bool prolonged = false) {
    const int cur = charOffset_;
    const std::span<const uint8_t> inlineBytes = c.inlineView();
    if (!inlineBytes.empty()) {
      out_.insert(out_.end(), inlineBytes.begin(), inlineBytes.end());
      charOffset_ += weights;
    }
    if (c.cls == CharClass::kSimple) return;
    if (!c.extraBytes.empty() || c.modifier != 0) AddExtra(extra_, cur, c.extraBytes, c.modifier);
    if (!c.unprintableBytes.empty()) AddUnprintable(unprintable_, extra_, cur, c.unprintableBytes);
    if (c.crazy != 0) {
      crazy_.push_back(c.crazy);
      prolonged_.push_back(prolonged ? kProlongedMark : kProlongedOrdinary);
    }
  }

  // Weights given one by one: their primary bytes and one secondary per weight.
  void addWeights(std::span<const uint8_t> primaries, std::span<const uint8_t> secondaries) {
    const int cur = charOffset_;
    out_.insert(out_.end(), primaries.begin(), primaries.end());
    charOffset_ += static_cast<int>(secondaries.size());
    for (size_t i = 0; i < secondaries.size(); ++i) {
      if (secondaries[i] != kExtraPlaceholder) AddExtra(extra_, cur + static_cast<int>(i), secondaries.subspan(i, 1), 0);
    }
  }

  // `reverseDiacritics`: the accent section is written from the last weight to the
  // first (French). `wordSortAt`, if given, receives where the hyphen/apostrophe records
  // begin in `out`, or npos.
  void finish(bool ascending, bool reverseDiacritics, size_t* wordSortAt) {
    out_.push_back(kEndText);
    if (reverseDiacritics && !extra_.bytes.empty()) {
      extra_.bytes.insert(extra_.bytes.end(), std::max(0, charOffset_ - extra_.chars), kExtraPlaceholder);
      std::reverse(extra_.bytes.begin(), extra_.bytes.end());
    }
    // Trailing placeholders (and zero codes) carry no information.
    while (!extra_.bytes.empty() && extra_.bytes.back() <= kExtraPlaceholder) extra_.bytes.pop_back();
    const bool hasExtra = !extra_.bytes.empty();
    const bool hasUnprintable = !unprintable_.empty();
    const bool hasCrazy = !crazy_.empty();
    if (hasExtra) out_.insert(out_.end(), extra_.bytes.begin(), extra_.bytes.end());
    if (wordSortAt) *wordSortAt = std::string::npos;
    if (hasCrazy || hasUnprintable) {
      out_.push_back(kEndText);
      out_.push_back(kEndText);
      if (hasCrazy) {
        AddKanaSection(out_, std::move(crazy_), std::move(prolonged_));
        if (hasUnprintable) out_.push_back(kCrazyThenUnprintable);
      }
      if (hasUnprintable) {
        out_.push_back(kEndText);
        if (wordSortAt) *wordSortAt = out_.size();
        out_.insert(out_.end(), unprintable_.begin(), unprintable_.end());
      }
    }
    if (!ascending) {
      out_.push_back(kEndKey);
      for (size_t i = start_; i < out_.size(); ++i) out_[i] = static_cast<uint8_t>(~out_[i]);
    }
    out_.push_back(kEndKey);
  }

 private:
  std::vector<uint8_t>& out_;
  size_t start_;
  ExtraCodes extra_;
  std::vector<uint8_t> unprintable_;
  std::vector<uint8_t> crazy_;
  std::vector<uint8_t> prolonged_;
  int charOffset_ = 0;
};

CharCodes TableCodes(const uint32_t* codes, const uint8_t* pool, char16_t ch) {
  CharCodes c = Decode(codes[ch], pool);
  if (c.cls == CharClass::kSurrogate) ComputeSurrogate(ch, c);
  return c;
}

int Weights(const uint32_t* codes, const uint8_t* pool, const CharCodes& c) {
  return c.cls == CharClass::kSurrogate ? 1 : CountedCharacters(codes, pool, c.inlineBytes);
}

void AppendGeneralKey(const uint32_t* codes, const uint8_t* pool, std::u16string_view text, bool ascending,
                      std::vector<uint8_t>& out, size_t* wordSortAt) {
  KeyBuilder key(out);
  for (char16_t ch : text) {
    CharCodes c = Decode(codes[ch], pool);
    if (c.cls == CharClass::kSurrogate) {
      ComputeSurrogate(ch, c);
      key.add(c, 1);
    } else {
      // Only characters with inline codes take positions.
      key.add(c, c.inlineBytes.empty() ? 0 : CountedCharacters(codes, pool, c.inlineBytes));
    }
  }
  key.finish(ascending, false, wordSortAt);
}

// Access 97: characters above U+00FF count only if they fold onto a code-page character.
Result<uint8_t> General97Char(char16_t ch) {
  if (ch <= 0xFF) return static_cast<uint8_t>(ch);
  for (size_t i = 0; i < sortkeys::kGeneral97MappingCount; ++i) {
    if ((sortkeys::kGeneral97Mappings[i] >> 8) == ch) return static_cast<uint8_t>(sortkeys::kGeneral97Mappings[i]);
  }
  return Status(ErrorCode::kUnsupported,
                "character " + Hex(ch) + " has no place in the Access 97 sort order and cannot be put into an index");
}

// Access 97: how many letters with accented forms (class G, each taking a placeholder before a
// later extra code) the inline codes of a simple character stand for. "ß" (ss) counts two,
// as Access stores it; a character of one code counts none.
int SignificantLetters(std::span<const uint8_t> inlineBytes) {
  if (inlineBytes.size() < 2) return 0;
  int letters = 0;
  for (uint8_t code : inlineBytes) {
    for (char16_t letter = u'a'; letter <= u'z'; ++letter) {
      const CharCodes c = Decode(sortkeys::kGeneral97Codes[letter], sortkeys::kGeneral97Pool);
      if (c.inlineBytes.size() == 1 && c.inlineBytes[0] == code) {
        letters += c.cls == CharClass::kSignificant ? 1 : 0;
        break;
      }
    }
  }
  return letters;
}

Status AppendGeneral97Key(std::u16string_view text, bool ascending, std::vector<uint8_t>& out) {
  std::vector<uint8_t> chars;
  for (char16_t ch : text) {
    JET_ASSIGN_OR_RETURN(uint8_t c, General97Char(ch));
    chars.push_back(c);
  }
  const size_t start = out.size();
  std::vector<uint8_t> nibbles;
  int significant = 0;
  for (uint8_t ch : chars) {
    // NUL is keyed as the other control characters are: an Access 97 catalogue stores a
    // module name that ends in one with the control characters' code 0x10.
    const CharCodes c = Decode(sortkeys::kGeneral97Codes[ch == 0 ? 1 : ch], sortkeys::kGeneral97Pool);
    out.insert(out.end(), c.inlineBytes.begin(), c.inlineBytes.end());
    if (c.cls == CharClass::kSimple) {
      significant += SignificantLetters(c.inlineBytes);
      continue;
    }
    if (c.cls == CharClass::kSignificant) {
      ++significant;  // gets a placeholder only if an extra code follows
      continue;
    }
    if (c.extraBytes.empty()) continue;
    if (nibbles.empty()) nibbles.push_back(kNibbleBound);
    nibbles.insert(nibbles.end(), significant, kExtraPlaceholder);
    significant = 0;
    nibbles.push_back(c.extraBytes[0] & 0x0F);
  }
  if (nibbles.empty()) {
    out.push_back(kEndKey);
  } else {
    nibbles.push_back(kNibbleBound);
    for (size_t i = 0; i < nibbles.size(); i += 2) {
      const uint8_t low = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
      out.push_back(static_cast<uint8_t>((nibbles[i] << 4) | low));
    }
  }
  if (!ascending) {
    for (size_t i = start; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~out[i]);
  }
  return Status::Ok();
}

// ---- Language orders ----

std::string Utf8(char16_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6)), s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0xD800 || c > 0xDFFF) {
    s += static_cast<char>(0xE0 | (c >> 12)), s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

Status UnknownKey(const SortOrderInfo& order, char16_t ch) {
  const std::string shown = Utf8(ch);
  return Status(ErrorCode::kUnsupported, "character " + Hex(ch) + (shown.empty() ? "" : " (" + shown + ")") +
                                             " has no known index key in the sort order " + std::string(order.name) +
                                             "; the text cannot be put into an index");
}

// The capital of a letter as tailorings name them (Latin, Cyrillic, fullwidth Latin);
// other characters are their own capital.
char16_t Capital(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A) || (c >= 0x430 && c <= 0x44F)) return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  switch (c) {
    case 0xFF: return 0x178;
    case 0x131: return u'I';
    case 0x17F: return u'S';
    case 0x1A1: return 0x1A0;
    case 0x1B0: return 0x1AF;
    case 0x1BF: return 0x1F7;
    case 0x1C5: case 0x1C6: return 0x1C4;
    case 0x1C8: case 0x1C9: return 0x1C7;
    case 0x1CB: case 0x1CC: return 0x1CA;
    case 0x1F2: case 0x1F3: return 0x1F1;
    default: break;
  }
  const bool oddIsSmall = (c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177) ||
                          (c >= 0x1DE && c <= 0x1EF) || (c >= 0x460 && c <= 0x481);
  const bool evenIsSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x1CD && c <= 0x1DC);
  if ((oddIsSmall && (c & 1)) || (evenIsSmall && !(c & 1))) return c - 1;
  return c;
}

// A tailoring entry with its weights parsed.
struct Weighed {
  std::u16string_view text;
  std::vector<uint8_t> primaries;
  std::vector<uint8_t> secondaries;  // one per weight
};

struct ParsedTailoring {
  std::vector<Weighed> entries;
  size_t longest = 0;
};

uint8_t HexByte(std::string_view two) {
  auto digit = [](char d) { return d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10; };
  return static_cast<uint8_t>(digit(two[0]) * 16 + digit(two[1]));
}

ParsedTailoring Parse(const SortOrderInfo& order) {
  ParsedTailoring t;
  for (const TailoringEntry& e : order.entries) {
    Weighed w{e.text, {}, {}};
    std::string_view rest = e.weights;
    while (!rest.empty()) {
      const size_t space = rest.find(' ');
      std::string_view token = rest.substr(0, space);
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
      const size_t slash = token.find('/');
      const std::string_view primary = token.substr(0, slash);
      for (size_t i = 0; i + 1 < primary.size(); i += 2) w.primaries.push_back(HexByte(primary.substr(i, 2)));
      w.secondaries.push_back(slash == std::string_view::npos ? kExtraPlaceholder : HexByte(token.substr(slash + 1)));
    }
    t.longest = std::max(t.longest, e.text.size());
    t.entries.push_back(std::move(w));
  }
  return t;
}

const ParsedTailoring& Tailoring(const SortOrderInfo& order) {
  static const std::vector<ParsedTailoring> parsed = [] {
    std::vector<ParsedTailoring> all;
    for (const SortOrderInfo& o : LanguageSortOrders()) all.push_back(Parse(o));
    return all;
  }();
  return parsed[static_cast<size_t>(&order - LanguageSortOrders().data())];
}

// The entry spelt `text`, or whose spelling equals the capitals of `text`.
const Weighed* Find(const ParsedTailoring& t, std::u16string_view text) {
  for (const Weighed& w : t.entries) {
    if (w.text == text) return &w;
  }
  char16_t capitals[4];
  if (text.size() > std::size(capitals)) return nullptr;
  for (size_t i = 0; i < text.size(); ++i) capitals[i] = Capital(text[i]);
  const std::u16string_view capitalText(capitals, text.size());
  for (const Weighed& w : t.entries) {
    if (w.text == capitalText) return &w;
  }
  return nullptr;
}

// The longest entry starting at `at`, and how many characters it takes.
const Weighed* Longest(const ParsedTailoring& t, std::u16string_view text, size_t at, size_t& taken) {
  for (size_t len = std::min(t.longest, text.size() - at); len >= 1; --len) {
    if (const Weighed* w = Find(t, text.substr(at, len))) {
      taken = len;
      return w;
    }
  }
  return nullptr;
}

// Ligatures of two letters weigh as the letters, each as the order weighs it alone.
std::u16string_view LigatureLetters(char16_t c) {
  switch (c) {
    case 0x132: return u"IJ";
    case 0x133: return u"ij";
    case 0x1C4: return u"D\u017D";
    case 0x1C5: return u"D\u017E";
    case 0x1C6: return u"d\u017E";
    case 0x1C7: return u"LJ";
    case 0x1C8: return u"Lj";
    case 0x1C9: return u"lj";
    case 0x1CA: return u"NJ";
    case 0x1CB: return u"Nj";
    case 0x1CC: return u"nj";
    case 0x1F1: return u"DZ";
    case 0x1F2: return u"Dz";
    case 0x1F3: return u"dz";
    default: return {};
  }
}

struct BaseTable {
  const uint32_t* codes;
  const uint8_t* pool;
};

BaseTable TableOf(SortBase base) {
  if (base == SortBase::kGeneral) return {sortkeys::kGeneralCodes, sortkeys::kGeneralPool};
  return {sortkeys::kGeneralLegacyCodes, sortkeys::kGeneralLegacyPool};
}

void AddFromTable(KeyBuilder& key, BaseTable table, char16_t ch) {
  const CharCodes c = TableCodes(table.codes, table.pool, ch);
  key.add(c, Weights(table.codes, table.pool, c));
}

constexpr char16_t kThaiFirstConsonant = 0x0E01;
constexpr char16_t kThaiLastConsonant = 0x0E2E;
constexpr char16_t kThaiFirstLeadingVowel = 0x0E40;  // เ, then แ โ ใ ไ
constexpr char16_t kThaiLastLeadingVowel = 0x0E44;

// A leading vowel and its consonant: the consonant's weight moved up by the vowel's place.
bool AddThaiSyllable(KeyBuilder& key, BaseTable table, std::u16string_view text, size_t at) {
  if (at + 1 >= text.size() || text[at] < kThaiFirstLeadingVowel || text[at] > kThaiLastLeadingVowel) return false;
  const char16_t consonant = text[at + 1];
  if (consonant < kThaiFirstConsonant || consonant > kThaiLastConsonant) return false;
  const CharCodes c = TableCodes(table.codes, table.pool, consonant);
  const std::span<const uint8_t> weight = c.inlineView();
  if (weight.empty() || c.extraBytes.size() > 1) return false;
  std::vector<uint8_t> primaries(weight.begin(), weight.end());
  primaries.back() = static_cast<uint8_t>(primaries.back() + (text[at] - kThaiFirstLeadingVowel + 1));
  const uint8_t secondary = c.extraBytes.empty() ? kExtraPlaceholder : c.extraBytes[0];
  key.addWeights(primaries, std::span<const uint8_t>(&secondary, 1));
  return true;
}

void AppendTailoredKey(const SortOrderInfo& order, std::u16string_view text, bool ascending,
                       std::vector<uint8_t>& out, size_t* wordSortAt) {
  const BaseTable table = TableOf(order.base);
  const ParsedTailoring& t = Tailoring(order);
  KeyBuilder key(out);
  size_t at = 0;
  while (at < text.size()) {
    if (order.thaiLeadingVowels && AddThaiSyllable(key, table, text, at)) {
      at += 2;
      continue;
    }
    size_t taken = 0;
    // A doubled pair ("ggy") is the pair twice; tried before the plain match.
    if (order.doublesDigraphs && at + 2 < text.size() && Capital(text[at]) == Capital(text[at + 1])) {
      const Weighed* w = Longest(t, text, at + 1, taken);
      if (w && taken >= 2) {
        key.addWeights(w->primaries, w->secondaries);
        key.addWeights(w->primaries, w->secondaries);
        at += taken + 1;
        continue;
      }
    }
    if (const Weighed* w = Longest(t, text, at, taken)) {
      key.addWeights(w->primaries, w->secondaries);
      at += taken;
      continue;
    }
    const std::u16string_view letters = LigatureLetters(text[at]);
    if (!letters.empty() && !t.entries.empty()) {
      for (char16_t letter : letters) {
        if (const Weighed* w = Find(t, std::u16string_view(&letter, 1))) {
          key.addWeights(w->primaries, w->secondaries);
        } else {
          AddFromTable(key, table, letter);
        }
      }
    } else {
      AddFromTable(key, table, text[at]);
    }
    ++at;
  }
  key.finish(ascending, order.reverseDiacritics, wordSortAt);
}

// Korean: a Latin letter weighs its General Legacy byte moved up by 0x72, a Hangul
// syllable its General Legacy weight with the first byte moved down by 0x37; other
// ASCII characters keep their weights. Nothing else is known.
constexpr uint8_t kKoreanLatinShift = 0x72;
constexpr uint8_t kKoreanHangulShift = 0x37;
constexpr char16_t kFirstHangulSyllable = 0xAC00;
constexpr char16_t kLastHangulSyllable = 0xD7A3;

Status AppendKoreanKey(const SortOrderInfo& order, std::u16string_view text, bool ascending,
                       std::vector<uint8_t>& out) {
  const BaseTable table = TableOf(order.base);
  const size_t start = out.size();
  KeyBuilder key(out);
  for (char16_t ch : text) {
    CharCodes c = TableCodes(table.codes, table.pool, ch);
    const bool latin = (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
    const bool hangul = ch >= kFirstHangulSyllable && ch <= kLastHangulSyllable;
    const std::span<const uint8_t> weight = c.inlineView();
    if ((ch >= 0x80 && !hangul) || weight.size() > 2) {
      out.resize(start);
      return UnknownKey(order, ch);
    }
    std::array<uint8_t, 2> moved{};
    std::copy(weight.begin(), weight.end(), moved.begin());
    if (latin && weight.size() == 1) moved[0] = static_cast<uint8_t>(moved[0] + kKoreanLatinShift);
    if (hangul && weight.size() == 2) moved[0] = static_cast<uint8_t>(moved[0] - kKoreanHangulShift);
    c.setComputed(std::span<const uint8_t>(moved.data(), weight.size()));
    key.add(c, 1);
  }
  key.finish(ascending, false, nullptr);
  return Status::Ok();
}

// Chinese and Japanese: ASCII keys as in General Legacy, ideographs only as Access was
// seen to key them; Japanese also keys kana as General does, a prolonged sound mark as
// the vowel of the kana before it, and the iteration mark 々 as the ideograph before it
// with the secondary 05.
constexpr char16_t kProlongedSoundMark = 0x30FC;
constexpr char16_t kHalfwidthProlongedSoundMark = 0xFF70;
constexpr char16_t kIterationMark = 0x3005;
constexpr char16_t kHalfwidthVoicedMark = 0xFF9E;
constexpr char16_t kHalfwidthSemiVoicedMark = 0xFF9F;
constexpr uint8_t kIterationSecondary = 0x05;
constexpr uint8_t kKanaPrimaryPage = 0x7F;
constexpr uint8_t kVowelWeights[] = {0x02, 0x03, 0x04, 0x05, 0x06};  // a i u e o

// The vowel of a kana (0-4 for a i u e o), -1 for ん, っ and non-kana.
int KanaVowel(char16_t c) {
  // U+3041 ぁ ... U+3096 ゖ; katakana U+30A1 ... U+30F6 follow the same layout.
  static constexpr std::string_view kHiragana =
      "aaiiuueeooaaiiuueeooaaiiuueeooaaii-uueeooaiueoaaaiiiuuueeeoooaiueoaauuooaiueoaaieo-uae";
  // U+FF66 ｦ ... U+FF9D ﾝ (U+FF70 is the prolonged mark itself).
  static constexpr std::string_view kHalfwidth =
      "oaiueoauo--aiueoaiueoaiueoaiueoaiueoaiueoaiueoauoaiueoa-";
  char v = '-';
  if (c >= 0x3041 && c <= 0x3096) v = kHiragana[c - 0x3041];
  if (c >= 0x30A1 && c <= 0x30F6) v = kHiragana[c - 0x30A1];
  if (c >= 0x30F7 && c <= 0x30FA) v = "aieo"[c - 0x30F7];
  if (c >= 0xFF66 && c <= 0xFF9D) v = kHalfwidth[c - 0xFF66];
  const size_t at = std::string_view("aiueo").find(v);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

const KnownCharacter* FindKnown(const SortOrderInfo& order, char16_t ch) {
  auto it = std::lower_bound(order.known.begin(), order.known.end(), ch,
                             [](const KnownCharacter& k, char16_t c) { return k.ch < c; });
  return it != order.known.end() && it->ch == ch ? &*it : nullptr;
}

Status AppendCjkKey(const SortOrderInfo& order, std::u16string_view text, bool ascending, std::vector<uint8_t>& out) {
  const BaseTable table = TableOf(order.base);
  const size_t start = out.size();
  KeyBuilder key(out);
  bool afterKana = false;
  int vowel = -1;             // of the kana before, for a prolonged sound mark
  uint8_t kanaFlag = 0;       // its small/normal flag
  const KnownCharacter* ideograph = nullptr;  // the one before, for an iteration mark
  for (char16_t ch : text) {
    const CharCodes c = TableCodes(table.codes, table.pool, ch);
    const KnownCharacter* known = FindKnown(order, ch);
    const KnownCharacter* lastIdeograph = ideograph;
    ideograph = known;
    if (known) {
      const uint8_t primary[] = {static_cast<uint8_t>(known->primary >> 8), static_cast<uint8_t>(known->primary)};
      key.addWeights(primary, std::span<const uint8_t>(&kExtraPlaceholder, 1));
      afterKana = false;
      continue;
    }
    if (ch < 0x80 || order.alsoGeneral.find(ch) != std::u16string_view::npos) {
      key.add(c, Weights(table.codes, table.pool, c));
      afterKana = false;
      continue;
    }
    if (order.kana) {
      if ((ch == kHalfwidthVoicedMark || ch == kHalfwidthSemiVoicedMark) && afterKana) {
        key.add(c, 0);  // folds into the kana before
        continue;
      }
      if ((ch == kProlongedSoundMark || ch == kHalfwidthProlongedSoundMark) && afterKana && vowel >= 0) {
        CharCodes mark;
        mark.cls = CharClass::kInternationalExt;
        const uint8_t weight[] = {kKanaPrimaryPage, kVowelWeights[vowel]};
        mark.setComputed(weight);
        mark.crazy = kanaFlag;
        key.add(mark, 1, /*prolonged=*/true);
        continue;
      }
      if (ch == kIterationMark && lastIdeograph) {
        const uint8_t primary[] = {static_cast<uint8_t>(lastIdeograph->primary >> 8),
                                   static_cast<uint8_t>(lastIdeograph->primary)};
        key.addWeights(primary, std::span<const uint8_t>(&kIterationSecondary, 1));
        ideograph = lastIdeograph;
        afterKana = false;
        continue;
      }
      if (c.cls == CharClass::kInternationalExt) {
        key.add(c, 1);
        vowel = KanaVowel(ch);
        kanaFlag = c.crazy;
        afterKana = true;
        continue;
      }
    }
    out.resize(start);
    return UnknownKey(order, ch);
  }
  key.finish(ascending, false, nullptr);
  return Status::Ok();
}

}  // namespace

Status AppendTextSortKey(TextSortOrder order, std::u16string_view text, bool ascending, std::vector<uint8_t>& out,
                         size_t* wordSortAt) {
  if (wordSortAt) *wordSortAt = std::string::npos;
  JET_RETURN_IF_ERROR(CheckSurrogatePairs(text));
  text = KeyedPart(text);
  // Access keys long values that contain a line break differently (in pieces around
  // the break), by a rule not known exactly: refuse rather than write a wrong key.
  if (text.size() > kLongTextUnits && text.find_first_of(u"\r\n") != std::u16string_view::npos) {
    return Status(ErrorCode::kUnsupported, "text longer than " + std::to_string(kLongTextUnits) +
                                               " characters with a line break cannot be put into an index");
  }
  if (order.language) {
    switch (order.language->rule) {
      case LanguageRule::kTailored:
        AppendTailoredKey(*order.language, text, ascending, out, wordSortAt);
        return Status::Ok();
      case LanguageRule::kKorean: return AppendKoreanKey(*order.language, text, ascending, out);
      case LanguageRule::kCjk: return AppendCjkKey(*order.language, text, ascending, out);
    }
    return Status(ErrorCode::kUnsupported, "unknown text sort order");
  }
  switch (order.base) {
    case SortBase::kGeneralLegacy:
      AppendGeneralKey(sortkeys::kGeneralLegacyCodes, sortkeys::kGeneralLegacyPool, text, ascending, out, wordSortAt);
      return Status::Ok();
    case SortBase::kGeneral:
      AppendGeneralKey(sortkeys::kGeneralCodes, sortkeys::kGeneralPool, text, ascending, out, wordSortAt);
      return Status::Ok();
    case SortBase::kGeneral97:
      return AppendGeneral97Key(text, ascending, out);
  }
  return Status(ErrorCode::kUnsupported, "unknown text sort order");
}

}  // namespace jet::index
