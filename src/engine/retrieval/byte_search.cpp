#include "engine/retrieval/byte_search.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LANTARO_BYTES_SSE2 1
#endif

#include "engine/common/codepage.h"
#include "engine/common/text.h"

namespace lantaro {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char32_t kReplacement = 0xFFFD;

// The code points the GB18030 decoder makes from more than one byte sequence, sorted. Learnt from
// the decoder itself (which follows the platform's converter), by decoding every well-formed
// two-byte code and every four-byte code of the basic plane once. Four-byte codes beyond the
// basic plane are computed, one for each code point, so a two-byte code that decodes there is a
// second way of writing its character. Empty `known` when the decoder did something unforeseen:
// then no non-ASCII character counts as written one way only.
struct Ambiguous {
  std::vector<char32_t> code_points;
  bool known = false;
};

Ambiguous learn_ambiguous() {
  Ambiguous result;
  std::vector<bool> seen(0x110000);
  for (char32_t c = 0; c < 0x80; ++c) seen[c] = true;
  auto mark = [&](char32_t c) {
    if (c == kReplacement || c >= seen.size()) return;
    if (seen[c]) result.code_points.push_back(c);
    seen[c] = true;
  };

  std::string pairs;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      pairs += static_cast<char>(lead);
      pairs += static_cast<char>(trail);
    }
  const std::u16string two = decode_gbk(pairs);
  std::size_t codes = 0;
  for (std::size_t k = 0; k < two.size(); ++codes) {
    if (is_high_surrogate(two[k]) && k + 1 < two.size() && is_low_surrogate(two[k + 1])) {
      const char32_t c = 0x10000 + ((two[k] - 0xD800u) << 10) + (two[k + 1] - 0xDC00u);
      result.code_points.push_back(c);  // its four-byte code decodes to it too
      mark(c);
      k += 2;
    } else {
      mark(two[k]);
      k += 1;
    }
  }
  if (codes != pairs.size() / 2) return {};

  // Each four-byte code on a line of its own, so that a code that is not assigned (and decodes
  // as several replacement characters and digits) cannot take bytes of the next.
  std::string quads;
  for (int b1 = 0x81; b1 <= 0x84; ++b1)
    for (int b2 = '0'; b2 <= '9'; ++b2)
      for (int b3 = 0x81; b3 <= 0xFE; ++b3)
        for (int b4 = '0'; b4 <= '9'; ++b4) {
          const char code[5] = {static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3),
                                static_cast<char>(b4), '\n'};
          quads.append(code, 5);
        }
  const std::u16string four = decode_gbk(quads);
  std::size_t lines = 0, start = 0;
  for (std::size_t k = 0; k < four.size(); ++k) {
    if (four[k] != u'\n') continue;
    if (k - start == 1 && !is_high_surrogate(four[start]) && !is_low_surrogate(four[start]))
      mark(four[start]);
    ++lines;
    start = k + 1;
  }
  if (lines != quads.size() / 5) return {};

  std::sort(result.code_points.begin(), result.code_points.end());
  result.code_points.erase(std::unique(result.code_points.begin(), result.code_points.end()),
                           result.code_points.end());
  result.known = true;
  return result;
}

const Ambiguous& ambiguous() {
  static const Ambiguous table = learn_ambiguous();
  return table;
}

// A keyword can be looked for as bytes when each of its characters has exactly one encoding in
// each code page; the encodings are stored in `gbk` and `utf8`.
bool encode_uniquely(std::u16string_view keyword, std::string& gbk, std::string& utf8) {
  if (keyword.empty()) return false;
  bool all_ascii = true;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    char32_t c = keyword[i];
    if (is_high_surrogate(keyword[i]) && i + 1 < keyword.size() &&
        is_low_surrogate(keyword[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (keyword[i + 1] - 0xDC00);
      ++i;
    } else if (is_high_surrogate(keyword[i]) || is_low_surrogate(keyword[i])) {
      return false;  // half a character: it matches inside pairs, which bytes cannot show
    }
    if (gbk_has_other_encoding(c)) return false;
    if (c >= 0x80) all_ascii = false;
  }
  utf8 = utf16_to_utf8(keyword);
  gbk = all_ascii ? utf8 : encode_gbk(keyword);
  return decode_gbk(gbk) == keyword;
}

}  // namespace

bool gbk_has_other_encoding(char32_t code_point) {
  if (code_point == kReplacement) return true;
  const Ambiguous& table = ambiguous();
  return !table.known ||
         std::binary_search(table.code_points.begin(), table.code_points.end(), code_point);
}

std::size_t find_bytes(std::string_view haystack, std::string_view needle, std::size_t from) {
  const std::size_t n = needle.size();
  if (n == 0 || from > haystack.size() || haystack.size() - from < n) return npos;
  const char* base = haystack.data();
  const char* last = base + (haystack.size() - n) + 1;  // one past the last possible start
  const char* p = base + from;
  if (n == 1) {
    const void* found = std::memchr(p, needle[0], static_cast<std::size_t>(last - p));
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - base) : npos;
  }
  const char first = needle[0];
  const char final_byte = needle[n - 1];
  const std::size_t middle = n - 2;
#ifdef LANTARO_BYTES_SSE2
  // Only where both the first and the last byte of the needle match is the rest compared: for the
  // lead byte of a common character alone that would be far too often.
  const __m128i first_v = _mm_set1_epi8(first);
  const __m128i last_v = _mm_set1_epi8(final_byte);
  while (last - p >= 16) {
    // The second load ends at p + n + 14 <= the haystack's last byte.
    const __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), first_v);
    const __m128i b =
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1)), last_v);
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(a, b)));
    while (mask) {
      const char* q = p + std::countr_zero(mask);
      if (middle == 0 || std::memcmp(q + 1, needle.data() + 1, middle) == 0)
        return static_cast<std::size_t>(q - base);
      mask &= mask - 1;
    }
    p += 16;
  }
#endif
  for (; p < last; ++p)
    if (*p == first && p[n - 1] == final_byte &&
        (middle == 0 || std::memcmp(p + 1, needle.data() + 1, middle) == 0))
      return static_cast<std::size_t>(p - base);
  return npos;
}

std::size_t line_break_byte(std::string_view bytes, std::size_t from) {
  const char* base = bytes.data();
  const char* p = base + std::min(from, bytes.size());
  const char* end = base + bytes.size();
#ifdef LANTARO_BYTES_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (mask)
      return static_cast<std::size_t>(p - base) + std::countr_zero(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  for (; p < end; ++p)
    if (*p == '\n' || *p == '\r') break;
  return static_cast<std::size_t>(p - base);
}

std::size_t line_start_byte(std::string_view bytes, std::size_t from, std::size_t to) {
  const char* base = bytes.data();
  const char* begin = base + from;
  const char* p = base + to;
#ifdef LANTARO_BYTES_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (p - begin >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 16));
    const auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    if (mask) return static_cast<std::size_t>(p - 16 - base) + (32 - std::countl_zero(mask));
    p -= 16;
  }
#endif
  for (; p > begin; --p)
    if (p[-1] == '\n' || p[-1] == '\r') break;
  return static_cast<std::size_t>(p - base);
}

KeywordBytes keyword_bytes(std::u16string_view keyword) {
  KeywordBytes bytes;
  if (!encode_uniquely(keyword, bytes.gbk, bytes.utf8)) bytes = {};
  return bytes;
}

}  // namespace lantaro
