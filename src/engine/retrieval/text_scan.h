#pragma once
// Fast scans over UTF-16 text: the inner loops of every search. Vectorised with SSE2 where the
// compiler offers it (every x86-64 target), with a plain loop everywhere else and for the tail.

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LANTARO_SCAN_SSE2 1
#endif

namespace lantaro::scan {

inline bool is_line_break(char16_t c) { return c == u'\n' || c == u'\r'; }

inline const char16_t* find_unit_plain(const char16_t* p, const char16_t* end, char16_t c) {
  while (p < end && *p != c) ++p;
  return p;
}

inline const char16_t* find_line_break_plain(const char16_t* p, const char16_t* end) {
  while (p < end && !is_line_break(*p)) ++p;
  return p;
}

// First position in [p, end) holding c, or end.
inline const char16_t* find_unit(const char16_t* p, const char16_t* end, char16_t c) {
#ifdef LANTARO_SCAN_SSE2
  const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
  while (end - p >= 16) {
    __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), needle);
    __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), needle);
    if (_mm_movemask_epi8(_mm_or_si128(a, b))) {
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                      (static_cast<unsigned>(_mm_movemask_epi8(b)) << 16);
      return p + (std::countr_zero(mask) >> 1);
    }
    p += 16;
  }
#endif
  return find_unit_plain(p, end, c);
}

// First CR or LF in [p, end), or end.
inline const char16_t* find_line_break(const char16_t* p, const char16_t* end) {
#ifdef LANTARO_SCAN_SSE2
  const __m128i cr = _mm_set1_epi16(u'\r');
  const __m128i lf = _mm_set1_epi16(u'\n');
  while (end - p >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
    if (mask) return p + (std::countr_zero(static_cast<unsigned>(mask)) >> 1);
    p += 8;
  }
#endif
  return find_line_break_plain(p, end);
}

// Last CR or LF in [begin, end), or nullptr.
inline const char16_t* find_last_line_break(const char16_t* begin, const char16_t* end) {
#ifdef LANTARO_SCAN_SSE2
  const __m128i cr = _mm_set1_epi16(u'\r');
  const __m128i lf = _mm_set1_epi16(u'\n');
  while (end - begin >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
    if (mask) return end - 8 + ((31 - std::countl_zero(static_cast<unsigned>(mask))) >> 1);
    end -= 8;
  }
#endif
  while (end > begin) {
    --end;
    if (is_line_break(*end)) return end;
  }
  return nullptr;
}

// First occurrence of a non-empty needle starting at or after `from`, or npos. For needles of
// two or more units a block is only looked at closely where both its first and its last unit
// match, which skips most of the places where a common first character occurs.
inline std::size_t find(std::u16string_view text, std::u16string_view needle, std::size_t from) {
  const std::size_t n = needle.size();
  if (n == 0 || from > text.size() || text.size() - from < n) return std::u16string_view::npos;
  const char16_t* base = text.data();
  const char16_t* last = base + (text.size() - n) + 1;  // one past the last possible start
  const char16_t first = needle[0];
  const char16_t* p = base + from;
  if (n == 1) {
    p = find_unit(p, last, first);
    return p == last ? std::u16string_view::npos : static_cast<std::size_t>(p - base);
  }
  const char16_t final_unit = needle[n - 1];
  const std::size_t middle_bytes = (n - 2) * sizeof(char16_t);
  auto matches_at = [&](const char16_t* q) {
    return middle_bytes == 0 || std::memcmp(q + 1, needle.data() + 1, middle_bytes) == 0;
  };
#ifdef LANTARO_SCAN_SSE2
  const __m128i first_v = _mm_set1_epi16(static_cast<short>(first));
  const __m128i last_v = _mm_set1_epi16(static_cast<short>(final_unit));
  while (last - p >= 8) {
    // The second load ends at p + n + 6 <= the text's last unit.
    __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), first_v);
    __m128i b =
        _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1)), last_v);
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(a, b)));
    while (mask) {
      const int bit = std::countr_zero(mask);
      const char16_t* q = p + (bit >> 1);
      if (matches_at(q)) return static_cast<std::size_t>(q - base);
      mask &= ~(3u << bit);
    }
    p += 8;
  }
#endif
  for (; p < last; ++p)
    if (*p == first && p[n - 1] == final_unit && matches_at(p))
      return static_cast<std::size_t>(p - base);
  return std::u16string_view::npos;
}

// First CR or LF at or after `from`, or text.size().
inline std::size_t find_line_break(std::u16string_view text, std::size_t from) {
  if (from >= text.size()) return text.size();
  return static_cast<std::size_t>(find_line_break(text.data() + from, text.data() + text.size()) -
                                  text.data());
}

}  // namespace lantaro::scan
