// The language sort orders Access offers besides General, as data: one table per order
// of the letters it weighs its own way (see TailoringEntry in jet/index/SortOrders.h for
// the notation). A character an order does not list takes its General weights.
//
// Sources of the figures:
//  [R] the public LibRed Jet/ACE file-format reference, index-pages chapter (section
//      "Locale-specific orders") and the tailoring tables measured with it against
//      Access's own engine over all 2,147 characters it keys in each order;
//  [F] shared/data/sortorder-keys/keys.tsv: keys Access stored in databases of ten
//      orders (Turkish, Polish, Ukrainian, Hungarian, Croatian, Thai, Korean and the
//      Chinese and Japanese orders); every line is checked by TextSortKeyTest.
#include <array>

#include "jet/index/SortOrders.h"
#include "jet/index/sortkeys/CjkKnownCharacters.h"

namespace jet::index {
namespace {

using E = TailoringEntry;

// Spanish (Modern) [R]: ñ is a letter between n and o.
constexpr E kSpanishModern[] = {{u"Ñ", "6304"}};

// Spanish (Traditional) [R]: also ch and ll.
constexpr E kSpanishTraditional[] = {{u"CH", "4E04"}, {u"LL", "5F04"}, {u"Ñ", "6304"}};

// German Phone Book [R]: the umlauts weigh as the vowel followed by e.
constexpr E kGermanPhoneBook[] = {{u"Ä", "4A 51"}, {u"Ö", "64 51"}, {u"Ü", "6F 51"}};

// Polish [R, F].
constexpr E kPolish[] = {{u"Ą", "4B03"}, {u"Ć", "4E02"}, {u"Ę", "5202"}, {u"Ł", "5F05"}, {u"Ń", "6303"},
                         {u"Ó", "6502"}, {u"Ś", "6C07"}, {u"Ź", "7903"}, {u"Ż", "7904"}};

// Romanian (Legacy) [R]: the cedilla letters; the comma-below ones keep General's.
constexpr E kRomanianLegacy[] = {{u"Ă", "4B07"}, {u"Î", "5A03"}, {u"Ş", "6C08"}, {u"Ţ", "6E06"}};

// Turkish [R, F]: capital I is the dotless letter, small i the dotted one; both spelt
// out so that their own spelling wins over capitals.
constexpr E kTurkish[] = {{u"Ç", "4E03"}, {u"Ğ", "5602"}, {u"Ö", "6502"}, {u"Ş", "6C07"}, {u"Ü", "7003"},
                          {u"ı", "5806"}, {u"I", "5806"}, {u"i", "59"},   {u"İ", "59"},
                          {u"Ĳ", "5806 5B"}, {u"ĳ", "59 5B"}};

// Czech [R]: ch between h and i; the diaeresis and dot-above retuned.
constexpr E kCzech[] = {{u"CH", "5803"},  {u"Č", "4E03"},    {u"Ř", "6A04"},    {u"Š", "6C07"},    {u"Ž", "7905"},
                        {u"Ä", "4A/05"},  {u"Ë", "51/05"},   {u"Ï", "59/05"},   {u"Ö", "64/05"},   {u"Ü", "6F/05"},
                        {u"Ÿ", "76/05"},  {u"Ċ", "4D/04"},   {u"Ė", "51/04"},   {u"Ġ", "55/04"},   {u"İ", "59/04"},
                        {u"Ŀ", "5E/04"},  {u"Ż", "78/04"}};

// Slovak [R]: Czech's, with ä and ô as letters.
constexpr E kSlovak[] = {{u"CH", "5803"}, {u"Ä", "4B02"},   {u"Ô", "6502"},   {u"Č", "4E03"},   {u"Ř", "6A04"},
                         {u"Š", "6C07"},  {u"Ž", "7905"},   {u"Ë", "51/05"},  {u"Ï", "59/05"},  {u"Ö", "64/05"},
                         {u"Ü", "6F/05"}, {u"Ċ", "4D/04"},  {u"Ė", "51/04"},  {u"Ġ", "55/04"},  {u"İ", "59/04"},
                         {u"Ŀ", "5E/04"}, {u"Ÿ", "76/05"},  {u"Ż", "78/04"}};

// Croatian (Legacy) [R, F]: lj, nj and dž are letters; caron and breve retuned.
constexpr E kCroatianLegacy[] = {
    {u"LJ", "5F03"},  {u"NJ", "6304"},  {u"Ć", "4E03"},   {u"Č", "4E02"},   {u"Đ", "5005"},   {u"Š", "6C07"},
    {u"Ž", "7905"},   {u"Ǉ", "5F03"},   {u"Ǌ", "6304"},   {u"DŽ", "5004/04"}, {u"Ǆ", "5004/04"}, {u"Ă", "4A/05"},
    {u"Ď", "4F/04"},  {u"Ĕ", "51/05"},  {u"Ě", "51/04"},  {u"Ğ", "55/05"},  {u"Ĭ", "59/05"},  {u"Ľ", "5E/04"},
    {u"Ň", "62/04"},  {u"Ŏ", "64/05"},  {u"Ř", "69/04"},  {u"Ť", "6D/04"},  {u"Ŭ", "6F/05"},  {u"Ǎ", "4A/04"},
    {u"Ǐ", "59/04"},  {u"Ǒ", "64/04"},  {u"Ǔ", "6F/04"},  {u"Ǧ", "55/04"},  {u"Ǩ", "5C/04"},  {u"Ǯ", "7902/04"},
    {u"ǰ", "5B/04"}};

// Slovenian [R].
constexpr E kSlovenian[] = {{u"Ć", "4E10"}, {u"Č", "4E0F"}, {u"Đ", "5007"}, {u"Ś", "6C08"},
                            {u"Š", "6C07"}, {u"Ź", "7905"}, {u"Ž", "7904"}};

// Norwegian/Danish [R]: æ ø å after z; aa weighs as å.
constexpr E kNorwegianDanish[] = {{u"Æ", "7904"},    {u"Ø", "7906"},    {u"Å", "7909"},    {u"AA", "7909/03"},
                                  {u"Ä", "7904/13"}, {u"Ö", "7906/13"}, {u"Ü", "76/7B"},   {u"Ő", "7906/1B"},
                                  {u"Ű", "76/1B"},   {u"Ǣ", "7904/03"}};

// Swedish/Finnish [R]: å ä ö after z, w a variant of v, ü of y.
constexpr E kSwedishFinnish[] = {{u"Ä", "7907"},    {u"Å", "7905"},  {u"Ö", "7908"},    {u"W", "71/03"},
                                 {u"Ŵ", "71/12"},   {u"Ø", "7908/1E"}, {u"Ü", "76/7B"}, {u"Ő", "7908/1B"},
                                 {u"Ű", "76/1B"},   {u"ƿ", "71/7B"}};

// Icelandic [R].
constexpr E kIcelandic[] = {{u"Á", "4B03"}, {u"Æ", "7904"}, {u"É", "5202"}, {u"Í", "5A02"},
                            {u"Ð", "5002"}, {u"Ó", "6502"}, {u"Ö", "7905"}, {u"Ú", "7002"},
                            {u"Ý", "7702"}, {u"Þ", "7903"}, {u"Ø", "7905/1E"}, {u"Ǣ", "7904/16"}};

// Estonian [R]: z between s and t, õ and ö on the weights General gives v and w.
constexpr E kEstonian[] = {{u"V", "7003"},    {u"Z", "6C07"},    {u"Ä", "7202"},    {u"Õ", "71"},
                           {u"Ö", "73"},      {u"Ü", "7402"},    {u"Š", "6C06"},    {u"Ž", "6C08"},
                           {u"W", "7003/03"}, {u"Ź", "6C07/0E"}, {u"Ż", "6C07/10"}, {u"ſ", "6B/03"}};

// Latvian [R].
constexpr E kLatvian[] = {{u"Č", "4E02"}, {u"Ģ", "5602"}, {u"Ķ", "5D12"}, {u"Ļ", "5F02"},
                          {u"Ņ", "630C"}, {u"Š", "6C07"}, {u"Ž", "7903"}};

// Lithuanian [R]: y after i; the ogonek weighs 0F.
constexpr E kLithuanian[] = {{u"Y", "5A02"},  {u"Ｙ", "5A02"}, {u"Ą", "4A/0F"},
                             {u"Ę", "51/0F"}, {u"Į", "59/0F"}, {u"Ų", "6F/0F"}};

// Vietnamese [R]: nine letter pairs; p and r move to make room.
constexpr E kVietnamese[] = {{u"CH", "4E04"}, {u"GI", "5602"}, {u"KH", "5D02"}, {u"NG", "6302"}, {u"NH", "6303"},
                             {u"PH", "6703"}, {u"QU", "69"},   {u"TH", "6E02"}, {u"TR", "6E03"}, {u"P", "6702"},
                             {u"R", "6A02"},  {u"Â", "4B02"},  {u"Ê", "5202"},  {u"Ô", "6502"},  {u"Ă", "4B03"},
                             {u"Đ", "5002"},  {u"Ơ", "66"},    {u"Ư", "7002"}};

// Ukrainian [R, F] and Macedonian [R].
constexpr E kUkrainian[] = {{u"Ь", "795D"}};
constexpr E kMacedonian[] = {{u"Ѓ", "7934"}, {u"Ќ", "794C"}};

// Hungarian [R, F]: the letter pairs (a doubled one, "ggy", counts as the pair twice).
constexpr E kHungarian[] = {{u"CS", "4E05"}, {u"DZ", "5003"}, {u"DZS", "5005"}, {u"GY", "5603"},
                            {u"LY", "5F05"}, {u"NY", "6306"}, {u"SZ", "6C08"},  {u"TY", "6E06"},
                            {u"ZS", "7909"}, {u"Ö", "6502"},  {u"Ü", "7003"},   {u"Ő", "6502/1B"},
                            {u"Ű", "7003/1B"}};

// Hungarian Technical [R]: single letters only, no pairs.
constexpr E kHungarianTechnical[] = {
    {u"F", "5602"}, {u"G", "5603"}, {u"P", "6704"}, {u"V", "73"},   {u"W", "7402"}, {u"Á", "4B02"},
    {u"Â", "4B03"}, {u"Ä", "4B04"}, {u"Ç", "4E02"}, {u"É", "5202"}, {u"Ë", "53"},   {u"Í", "5A02"},
    {u"Î", "5A03"}, {u"Ó", "6502"}, {u"Ô", "66"},   {u"Ö", "6702"}, {u"Ú", "7002"}, {u"Ü", "7003"},
    {u"Ý", "7702"}, {u"ß", "6C05"}, {u"Ă", "4B05"}, {u"Ą", "4B06"}, {u"Ć", "4E03"}, {u"Č", "4E04"},
    {u"Ď", "5002"}, {u"Đ", "5003"}, {u"Ę", "5402"}, {u"Ě", "55"},   {u"Ĺ", "5F02"}, {u"Ľ", "5F03"},
    {u"Ł", "5F04"}, {u"Ń", "6302"}, {u"Ň", "6303"}, {u"Ő", "6703"}, {u"Ŕ", "6A02"}, {u"Ř", "6A03"},
    {u"Ś", "6C02"}, {u"Ş", "6C03"}, {u"Š", "6C04"}, {u"Ţ", "6E02"}, {u"Ť", "6E03"}, {u"Ů", "71"},
    {u"Ű", "7202"}, {u"Ź", "7902"}, {u"Ż", "7903"}, {u"Ž", "7904"}};

// Bosnian, Croatian and Serbian, version 1 [R]: one table on the two-byte weights of
// General; caron and breve weigh 04 and 05 (capital Ŭ retuned, small ŭ not).
constexpr E kBosnianCroatianSerbian[] = {
    {u"Ć", "0E0C"},     {u"Č", "0E0B"},     {u"Đ", "0E1E"},     {u"Š", "0E97"},     {u"Ž", "0EAD"},
    {u"LJ", "0E4A"},    {u"NJ", "0E73"},    {u"DŽ", "0E1D/04"}, {u"Ă", "0E02/05"},  {u"Ď", "0E1A/04"},
    {u"Ĕ", "0E21/05"},  {u"Ě", "0E21/04"},  {u"Ğ", "0E25/05"},  {u"Ĭ", "0E32/05"},  {u"Ľ", "0E48/04"},
    {u"Ň", "0E70/04"},  {u"Ŏ", "0E7C/05"},  {u"Ř", "0E8A/04"},  {u"Ť", "0E99/04"},  {u"Ŭ", "0E9F/05"},
    {u"ŭ", "0E9F/15"},  {u"Ǎ", "0E02/04"},  {u"Ǐ", "0E32/04"},  {u"Ǒ", "0E7C/04"},  {u"Ǔ", "0E9F/04"},
    {u"Ǧ", "0E25/04"},  {u"Ǩ", "0E36/04"},  {u"Ǯ", "0EAA/04"},  {u"ǰ", "0E35/04"}};

constexpr SortBase kLegacy = SortBase::kGeneralLegacy;
constexpr SortBase kV1 = SortBase::kGeneral;

SortOrderInfo Tailored(std::string_view name, uint16_t langId, uint8_t sortId, uint8_t version, SortBase base,
                       std::span<const TailoringEntry> entries) {
  SortOrderInfo o;
  o.name = name, o.langId = langId, o.sortId = sortId, o.version = version, o.base = base, o.entries = entries;
  return o;
}

std::array<SortOrderInfo, 32> BuildOrders() {
  std::array<SortOrderInfo, 32> o{};
  size_t n = 0;
  o[n++] = Tailored("Spanish (Modern)", 3082, 0, 0, kLegacy, kSpanishModern);
  o[n++] = Tailored("Spanish (Traditional)", 1034, 0, 0, kLegacy, kSpanishTraditional);
  o[n++] = Tailored("German Phone Book", 1031, 1, 0, kLegacy, kGermanPhoneBook);
  o[n++] = Tailored("Polish", 1045, 0, 0, kLegacy, kPolish);
  o[n++] = Tailored("Romanian (Legacy)", 1048, 0, 0, kLegacy, kRomanianLegacy);
  o[n++] = Tailored("Turkish", 1055, 0, 0, kLegacy, kTurkish);
  o[n++] = Tailored("Czech", 1029, 0, 0, kLegacy, kCzech);
  o[n++] = Tailored("Slovak", 1051, 0, 0, kLegacy, kSlovak);
  o[n++] = Tailored("Croatian (Legacy)", 1050, 0, 0, kLegacy, kCroatianLegacy);
  o[n++] = Tailored("Slovenian", 1060, 0, 0, kLegacy, kSlovenian);
  o[n++] = Tailored("Norwegian/Danish", 1044, 0, 0, kLegacy, kNorwegianDanish);
  o[n++] = Tailored("Swedish/Finnish", 1053, 0, 0, kLegacy, kSwedishFinnish);
  o[n++] = Tailored("Icelandic", 1039, 0, 0, kLegacy, kIcelandic);
  o[n++] = Tailored("Estonian", 1061, 0, 0, kLegacy, kEstonian);
  o[n++] = Tailored("Latvian", 1062, 0, 0, kLegacy, kLatvian);
  o[n++] = Tailored("Lithuanian", 1063, 0, 0, kLegacy, kLithuanian);
  o[n++] = Tailored("Vietnamese", 1066, 0, 0, kLegacy, kVietnamese);
  o[n++] = Tailored("Ukrainian", 1058, 0, 0, kLegacy, kUkrainian);
  o[n++] = Tailored("Macedonian", 1071, 0, 0, kLegacy, kMacedonian);
  o[n] = Tailored("Hungarian", 1038, 0, 0, kLegacy, kHungarian);
  o[n++].doublesDigraphs = true;
  o[n++] = Tailored("Hungarian Technical", 1038, 1, 0, kLegacy, kHungarianTechnical);
  // French [R]: no letter of its own; the accents are compared from the end of the word.
  o[n] = Tailored("French", 1036, 0, 0, kLegacy, {});
  o[n++].reverseDiacritics = true;
  // Thai [R, F]: a leading vowel (เ แ โ ใ ไ) and the consonant after it weigh as one.
  o[n] = Tailored("Thai", 1054, 0, 0, kLegacy, {});
  o[n++].thaiLeadingVowels = true;
  // Measured to key exactly as General [R].
  o[n++] = Tailored("Georgian (Modern)", 1079, 1, 0, kLegacy, {});
  o[n++] = Tailored("Indic", 1081, 0, 1, kV1, {});
  o[n++] = Tailored("Croatian", 1050, 0, 1, kV1, kBosnianCroatianSerbian);
  o[n++] = Tailored("Bosnian", 5146, 0, 1, kV1, kBosnianCroatianSerbian);
  o[n++] = Tailored("Serbian", 2074, 0, 1, kV1, kBosnianCroatianSerbian);
  // Korean [F]: Latin letters after Hangul; Hanja keys unknown.
  o[n] = Tailored("Korean", 1042, 0, 0, kLegacy, {});
  o[n++].rule = LanguageRule::kKorean;
  // Chinese and Japanese [F]: only the ideographs Access was seen to key.
  o[n] = Tailored("Chinese (PRC)", 2052, 0, 0, kLegacy, {});
  o[n].rule = LanguageRule::kCjk;
  o[n].alsoGeneral = u"\u00B7";  // ·
  o[n++].known = {sortkeys::kChinesePrcKnown, sortkeys::kChinesePrcKnownCount};
  o[n] = Tailored("Chinese (Taiwan)", 1028, 0, 0, kLegacy, {});
  o[n].rule = LanguageRule::kCjk;
  o[n].alsoGeneral = u"\u00E9";  // é
  o[n++].known = {sortkeys::kChineseTaiwanKnown, sortkeys::kChineseTaiwanKnownCount};
  o[n] = Tailored("Japanese", 1041, 0, 0, kLegacy, {});
  o[n].rule = LanguageRule::kCjk;
  o[n].kana = true;
  o[n].alsoGeneral = u"\u3001\u30FB";  // 、・
  o[n++].known = {sortkeys::kJapaneseKnown, sortkeys::kJapaneseKnownCount};
  return o;
}

}  // namespace

std::span<const SortOrderInfo> LanguageSortOrders() {
  static const std::array<SortOrderInfo, 32> orders = BuildOrders();
  return orders;
}

}  // namespace jet::index
