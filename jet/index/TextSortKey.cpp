#include "jet/index/TextSortKey.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "jet/index/SortKeyTables.h"

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
constexpr std::array<uint8_t, 5> kCrazySuffix = {0xFF, 0x02, 0x80, 0xFF, 0x80};
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
  std::array<uint8_t, 2> computed{};  // inline bytes of a surrogate
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
  c.computed = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  c.inlineBytes = c.computed;
  c.extraBytes = std::span<const uint8_t>(&kSurrogateExtra, 1);
}

// Characters the sort order expands to several letters (ß = ss, æ = ae, ĳ, ǆ, the ligatures): their
// inline codes are those letters' codes one after another. Access counts every such letter as a
// character when it numbers the positions of extra and unprintable codes; the code tables alone
// would count one. Returns how many characters `c` counts as.
int CountedCharacters(const uint32_t* codes, const uint8_t* pool, std::span<const uint8_t> inlineBytes) {
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

void AddCrazyCodes(std::vector<uint8_t>& out, std::vector<uint8_t> crazy) {
  while (!crazy.empty() && crazy.back() == kCrazyTrimmed) crazy.pop_back();
  // Two bits per code, three codes per byte under a 0x80 prefix.
  uint8_t cur = kCrazyStart;
  int n = 0;
  for (uint8_t code : crazy) {
    cur |= static_cast<uint8_t>(code << ((2 - n) * 2));
    if (++n == 3) {
      out.push_back(cur);
      cur = kCrazyStart;
      n = 0;
    }
  }
  if (n > 0) out.push_back(cur);
  out.insert(out.end(), kCrazySuffix.begin(), kCrazySuffix.end());
}

void AppendGeneralKey(const uint32_t* codes, const uint8_t* pool, std::u16string_view text, bool ascending,
                      std::vector<uint8_t>& out) {
  const size_t start = out.size();
  ExtraCodes extra;
  std::vector<uint8_t> unprintable;
  std::vector<uint8_t> crazy;
  int charOffset = 0;
  for (char16_t ch : text) {
    CharCodes c = Decode(codes[ch], pool);
    if (c.cls == CharClass::kSurrogate) ComputeSurrogate(ch, c);
    const int cur = charOffset;
    if (!c.inlineBytes.empty()) {
      out.insert(out.end(), c.inlineBytes.begin(), c.inlineBytes.end());
      // Only characters with inline codes take a position; an expanding one takes one per letter.
      charOffset += c.cls == CharClass::kSurrogate ? 1 : CountedCharacters(codes, pool, c.inlineBytes);
    }
    if (c.cls == CharClass::kSimple) continue;
    if (!c.extraBytes.empty() || c.modifier != 0) AddExtra(extra, cur, c.extraBytes, c.modifier);
    if (!c.unprintableBytes.empty()) AddUnprintable(unprintable, extra, cur, c.unprintableBytes);
    if (c.crazy != 0) crazy.push_back(c.crazy);
  }
  out.push_back(kEndText);

  // Trailing placeholders (and zero codes) carry no information.
  while (!extra.bytes.empty() && extra.bytes.back() <= kExtraPlaceholder) extra.bytes.pop_back();
  const bool hasExtra = !extra.bytes.empty();
  const bool hasUnprintable = !unprintable.empty();
  const bool hasCrazy = !crazy.empty();
  if (hasExtra) out.insert(out.end(), extra.bytes.begin(), extra.bytes.end());
  if (hasCrazy || hasUnprintable) {
    out.push_back(kEndText);
    out.push_back(kEndText);
    if (hasCrazy) {
      AddCrazyCodes(out, std::move(crazy));
      if (hasUnprintable) out.push_back(kCrazyThenUnprintable);
    }
    if (hasUnprintable) {
      out.push_back(kEndText);
      out.insert(out.end(), unprintable.begin(), unprintable.end());
    }
  }
  if (!ascending) {
    out.push_back(kEndKey);
    for (size_t i = start; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~out[i]);
  }
  out.push_back(kEndKey);
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

}  // namespace

Status AppendTextSortKey(TextSortOrder order, std::u16string_view text, bool ascending, std::vector<uint8_t>& out) {
  JET_RETURN_IF_ERROR(CheckSurrogatePairs(text));
  text = KeyedPart(text);
  // Access keys long values that contain a line break differently (in pieces around
  // the break), by a rule not known exactly: refuse rather than write a wrong key.
  if (text.size() > kLongTextUnits && text.find_first_of(u"\r\n") != std::u16string_view::npos) {
    return Status(ErrorCode::kUnsupported, "text longer than " + std::to_string(kLongTextUnits) +
                                               " characters with a line break cannot be put into an index");
  }
  switch (order) {
    case TextSortOrder::kGeneralLegacy:
      AppendGeneralKey(sortkeys::kGeneralLegacyCodes, sortkeys::kGeneralLegacyPool, text, ascending, out);
      return Status::Ok();
    case TextSortOrder::kGeneral:
      AppendGeneralKey(sortkeys::kGeneralCodes, sortkeys::kGeneralPool, text, ascending, out);
      return Status::Ok();
    case TextSortOrder::kGeneral97:
      return AppendGeneral97Key(text, ascending, out);
  }
  return Status(ErrorCode::kUnsupported, "unknown text sort order");
}

}  // namespace jet::index
