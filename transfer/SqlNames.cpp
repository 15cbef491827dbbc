#include "transfer/SqlNames.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace transfer {

namespace {

std::string Delimited(const QString& name, char open, char close) {
  const std::string text = name.toStdString();
  std::string out;
  out.reserve(text.size() + 2);
  out += open;
  for (const char c : text) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

}  // namespace

std::string SQLiteQuoted(const QString& name) { return Delimited(name, '"', '"'); }

std::string SQLiteBracketed(const QString& name) {
  if (name.contains(QLatin1Char(']'))) return SQLiteQuoted(name);
  return "[" + name.toStdString() + "]";
}

std::string AccessQuoted(const QString& name) { return Delimited(name, '`', '`'); }

// Through a block on the stack, sixteen bytes a step: a memo of thousands of characters with
// an apostrophe every few words costs a few appends rather than three calls per apostrophe.
void AppendQuotedText(std::string& statement, std::string_view text) {
  statement.reserve(statement.size() + text.size() + 2);
  statement += '\'';
  constexpr size_t kBlock = 1024;
  char block[kBlock + 32];  // a step writes at most 17 bytes past the mark it starts below
  char* p = block;
  const char* from = text.data();
  const char* const end = from + text.size();
  while (from < end) {
    if (p >= block + kBlock) {
      statement.append(block, static_cast<size_t>(p - block));
      p = block;
    }
#if defined(__SSE2__)
    if (end - from >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
      const int quotes = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')));
      if (quotes == 0) {
        p += 16;
        from += 16;
      } else {  // up to the first apostrophe, which is doubled
        const int k = std::countr_zero(static_cast<unsigned>(quotes)) + 1;
        p += k;
        from += k;
        *p++ = '\'';
      }
      continue;
    }
#endif
    const char c = *from++;
    *p++ = c;
    if (c == '\'') *p++ = '\'';
  }
  statement.append(block, static_cast<size_t>(p - block));
  statement += '\'';
}

}  // namespace transfer
