#include "ado/SqlText.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ado {

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


namespace {

// Calls `marker` at each ? outside quoted names and texts and `other` for every other run.
template <class Marker, class Other>
void WalkMarkers(std::string_view text, Marker&& marker, Other&& other) {
  std::size_t from = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const std::size_t end = text.find(close, at + 1);
      at = end == std::string_view::npos ? text.size() : end + 1;
      continue;
    }
    if (c == '?') {
      other(text.substr(from, at - from));
      marker();
      from = ++at;
      continue;
    }
    ++at;
  }
  other(text.substr(from));
}

}  // namespace

std::string StatementWithValues(std::string_view text, const std::vector<Variant>& values, AppendLiteral append) {
  std::string out;
  std::size_t next = 0;
  WalkMarkers(
      text,
      [&] {
        if (next < values.size()) {
          append(out, values[next++]);
        } else if (out.ends_with(", ")) {
          out.resize(out.size() - 2);
        }
      },
      [&](std::string_view run) {
        // The separator before a marker that had no value is gone with it; so is the one after.
        if (next >= values.size() && run.starts_with(", ") && !out.empty() && out.back() == '(') run.remove_prefix(2);
        out += run;
      });
  return out;
}

std::size_t CountMarkers(std::string_view text) {
  std::size_t count = 0;
  WalkMarkers(text, [&] { ++count; }, [](std::string_view) {});
  return count;
}

}  // namespace ado
