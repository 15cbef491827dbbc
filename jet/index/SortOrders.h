// The language sort orders Access offers besides General, each described as data on
// top of a General weight table: a tailoring (letters and letter pairs with weights of
// their own), or, for Korean, Chinese and Japanese, the rule and the characters whose
// keys are known. The tables live in jet/index/sortkeys/SortOrderTables.cpp, each with
// its source beside it; TextSortKey.cpp builds the keys.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "jet/index/TextSortOrder.h"

namespace jet::index {

// One tailored letter or letter pair. `text` is in capitals unless the order cases a
// letter its own way (Turkish i); it matches its own spelling first, then any text
// whose capitals equal it. `weights`: the weights it takes, separated by spaces, each
// one or two primary bytes in hex ("58", "5806"), optionally "/ss" for a secondary
// other than the default 02.
struct TailoringEntry {
  std::u16string_view text;
  std::string_view weights;
};

// A character whose key Access has been seen to store in a CJK order: its primary.
struct KnownCharacter {
  char16_t ch;
  uint16_t primary;
};

enum class LanguageRule : uint8_t {
  kTailored,  // the base table with the entries in front of it
  kKorean,    // Latin letters and Hangul moved, Hanja unknown
  kCjk,       // ideographs known only from what Access was seen to store
};

struct SortOrderInfo {
  std::string_view name;
  uint16_t langId = 0;
  uint8_t sortId = 0;
  uint8_t version = 0;
  SortBase base = SortBase::kGeneralLegacy;
  LanguageRule rule = LanguageRule::kTailored;
  std::span<const TailoringEntry> entries;
  bool doublesDigraphs = false;    // Hungarian: "ggy" is "gy" twice
  bool reverseDiacritics = false;  // French: the accent section is written from the end
  bool thaiLeadingVowels = false;  // a leading vowel and its consonant weigh as one
  bool kana = false;               // CJK: kana keyed as in General
  std::span<const KnownCharacter> known;  // CJK: sorted by character
  std::u16string_view alsoGeneral;        // CJK: other characters seen keyed as in General
};

// Every language order the engine can key (tables in sortkeys/SortOrderTables.cpp).
std::span<const SortOrderInfo> LanguageSortOrders();

}  // namespace jet::index
