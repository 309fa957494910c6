#include "engine/common/codepage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <mutex>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LANTARO_DECODE_SSE2 1
#endif

#include "engine/common/text.h"
#include "platform/platform.h"

namespace lantaro {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr int kLeadCount = 0xFE - 0x81 + 1;   // 126
constexpr int kTrailCount = 0xFE - 0x40 + 1;  // 191 (0x7F is never a trail byte)
// Four-byte codes that decode into the basic plane: first byte 0x81..0x84.
constexpr int kFourByteBmpCount = 4 * 10 * 126 * 10;

bool is_lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool is_trail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }
bool is_digit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

// Lookup tables filled once from the platform converter, so decoding a large corpus costs a table
// read per character instead of a converter call, and agrees with the platform byte for byte.
struct DecodeTables {
  // A few two-byte codes decode outside the basic plane, hence code points, not code units.
  std::array<char32_t, std::size_t{kLeadCount} * kTrailCount> two_byte{};
  // The same indexed by both bytes as they come (first byte 0x80..0xFF), so the common case costs
  // no range checks: 0 where the second byte is no trail byte (or the first no lead byte),
  // kWide where the code point lies outside the basic plane (look in two_byte), U+FFFD where the
  // pair is well-formed but unassigned.
  std::array<char16_t, std::size_t{128} * 256> pair{};
  std::array<char16_t, kFourByteBmpCount> four_byte_bmp{};
};
constexpr char16_t kWide = 0xD800;  // no two-byte code decodes to a lone surrogate
bool is_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code points of a UTF-16 text.
std::vector<char32_t> code_points(const std::u16string& text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

void fill_two_byte(DecodeTables& t) {
  for (int lead = 0; lead < kLeadCount; ++lead) {
    std::string batch;
    for (int trail = 0; trail < kTrailCount; ++trail) {
      if (trail + 0x40 == 0x7F) continue;
      batch.push_back(static_cast<char>(lead + 0x81));
      batch.push_back(static_cast<char>(trail + 0x40));
    }
    auto decoded = platform::gb18030_to_utf16(batch);
    std::vector<char32_t> cps = decoded ? code_points(*decoded) : std::vector<char32_t>{};
    if (cps.size() == batch.size() / 2) {
      std::size_t k = 0;
      for (int trail = 0; trail < kTrailCount; ++trail) {
        if (trail + 0x40 == 0x7F) continue;
        t.two_byte[lead * kTrailCount + trail] = cps[k++];
      }
      continue;
    }
    for (int trail = 0; trail < kTrailCount; ++trail) {  // slow path: one by one
      if (trail + 0x40 == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead + 0x81), static_cast<char>(trail + 0x40)};
      auto one = platform::gb18030_to_utf16(std::string_view(pair, 2));
      std::vector<char32_t> cp = one ? code_points(*one) : std::vector<char32_t>{};
      if (cp.size() == 1) t.two_byte[lead * kTrailCount + trail] = cp[0];
    }
  }
}

int four_byte_index(unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4) {
  return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
}

void fill_four_byte_bmp(DecodeTables& t) {
  for (int b1 = 0x81; b1 <= 0x84; ++b1) {
    for (int b2 = 0x30; b2 <= 0x39; ++b2) {
      std::string batch;
      for (int b3 = 0x81; b3 <= 0xFE; ++b3)
        for (int b4 = 0x30; b4 <= 0x39; ++b4) {
          batch += static_cast<char>(b1);
          batch += static_cast<char>(b2);
          batch += static_cast<char>(b3);
          batch += static_cast<char>(b4);
        }
      auto decoded = platform::gb18030_to_utf16(batch);
      bool whole = decoded && decoded->size() == batch.size() / 4;
      std::size_t k = 0;
      for (int b3 = 0x81; b3 <= 0xFE; ++b3)
        for (int b4 = 0x30; b4 <= 0x39; ++b4) {
          char16_t c = 0;
          if (whole) {
            c = (*decoded)[k++];
          } else {
            const char code[4] = {static_cast<char>(b1), static_cast<char>(b2),
                                  static_cast<char>(b3), static_cast<char>(b4)};
            auto one = platform::gb18030_to_utf16(std::string_view(code, 4));
            if (one && one->size() == 1) c = (*one)[0];
          }
          t.four_byte_bmp[four_byte_index(
              static_cast<unsigned char>(b1), static_cast<unsigned char>(b2),
              static_cast<unsigned char>(b3), static_cast<unsigned char>(b4))] = c;
        }
    }
  }
}

void fill_pairs(DecodeTables& t) {
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0; trail < 256; ++trail) {
      if (!is_trail(static_cast<unsigned char>(trail))) continue;
      const char32_t c = t.two_byte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
      t.pair[(lead - 0x80) * 256 + trail] = c == 0        ? kReplacement
                                            : c < 0x10000 ? static_cast<char16_t>(c)
                                                          : kWide;
    }
}

const DecodeTables& two_byte_tables() {
  static const std::unique_ptr<DecodeTables> tables = [] {
    auto t = std::make_unique<DecodeTables>();
    fill_two_byte(*t);
    fill_pairs(*t);
    return t;
  }();
  return *tables;
}

// Four-byte codes are rare in real text: build their table only when one turns up.
char16_t four_byte_bmp(unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4) {
  static std::once_flag once;
  static std::unique_ptr<DecodeTables> tables;
  std::call_once(once, [] {
    tables = std::make_unique<DecodeTables>();
    fill_four_byte_bmp(*tables);
  });
  return tables->four_byte_bmp[four_byte_index(b1, b2, b3, b4)];
}

}  // namespace

namespace {

// Decodes into `out`, which has room for one code unit per byte (never more are needed: every
// sequence of k bytes gives at most k units). Returns the end of the text written.
char16_t* decode_gbk_into(std::string_view bytes, char16_t* out) {
  const DecodeTables& tables = two_byte_tables();
  char16_t* dst = out;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
#ifdef LANTARO_DECODE_SSE2
      // Runs of ASCII (line breaks, digits, Latin passages) go 16 bytes at a time. Writing 16
      // units is safe: dst never runs ahead of i, and i + 16 <= n.
      const __m128i zero = _mm_setzero_si128();
      while (n - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(v, zero));
        const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (high) {
          const int ascii = std::countr_zero(high);
          i += static_cast<std::size_t>(ascii);
          dst += ascii;
          break;
        }
        i += 16;
        dst += 16;
      }
      if (i >= n) break;
      b = s[i];
      if (b < 0x80) {
        *dst++ = b;
        ++i;
        continue;
      }
#else
      *dst++ = b;
      ++i;
      continue;
#endif
    }
    if (i + 1 < n) {  // the common case: a two-byte character
      const char16_t c = tables.pair[(std::size_t{b} - 0x80) * 256 + s[i + 1]];
      if (c != 0 && !is_surrogate(c)) {
        *dst++ = c;
        i += 2;
        continue;
      }
    }
    if (!is_lead(b) || i + 1 >= n) {
      *dst++ = kReplacement;
      ++i;
      continue;
    }
    unsigned char b2 = s[i + 1];
    if (is_trail(b2)) {  // outside the basic plane: two code units for two bytes
      const char32_t c = tables.two_byte[(b - 0x81) * kTrailCount + (b2 - 0x40)];
      *dst++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      *dst++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      i += 2;
      continue;
    }
    if (is_digit(b2) && i + 3 < n && is_lead(s[i + 2]) && is_digit(s[i + 3])) {
      unsigned char b3 = s[i + 2], b4 = s[i + 3];
      if (b <= 0x84) {
        char16_t c = four_byte_bmp(b, b2, b3, b4);
        if (c) {
          *dst++ = c;
          i += 4;
          continue;
        }
      } else if (b >= 0x90 && b <= 0xE3) {
        char32_t cp = 0x10000 + static_cast<char32_t>(((b - 0x90) * 10 + (b2 - 0x30)) * 1260 +
                                                      (b3 - 0x81) * 10 + (b4 - 0x30));
        if (cp <= 0x10FFFF) {
          cp -= 0x10000;
          *dst++ = static_cast<char16_t>(0xD800 + (cp >> 10));
          *dst++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
          i += 4;
          continue;
        }
      }
    }
    // A lead byte that starts no valid sequence: replace it alone, so an ASCII byte after it
    // (a line break, say) survives.
    *dst++ = kReplacement;
    ++i;
  }
  return dst;
}

}  // namespace

std::u16string decode_gbk(std::string_view bytes) {
  // Chinese text needs one code unit per two bytes. Decoding into a per-thread buffer and copying
  // out the exact length gives texts without slack (they may be cached for long), and the copy
  // reads data that is still in the processor's cache. Very large inputs decode in place instead
  // of keeping a buffer that size alive.
  constexpr std::size_t kScratchLimit = std::size_t{1} << 20;
  if (bytes.size() <= kScratchLimit) {
    thread_local std::u16string scratch;
    if (scratch.size() < bytes.size()) scratch.resize(std::max<std::size_t>(bytes.size(), 4096));
    const char16_t* end = decode_gbk_into(bytes, scratch.data());
    return std::u16string(scratch.data(), static_cast<std::size_t>(end - scratch.data()));
  }
  std::u16string out;
  out.resize(bytes.size());
  out.resize(static_cast<std::size_t>(decode_gbk_into(bytes, out.data()) - out.data()));
  if (out.capacity() > out.size() + out.size() / 8 + 16) out.shrink_to_fit();
  return out;
}

std::string encode_gbk(std::u16string_view text) {
  std::u16string clean(text);
  for (std::size_t i = 0; i < clean.size(); ++i) {
    char16_t c = clean[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
        clean[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      clean[i] = kReplacement;
    }
  }
  if (auto encoded = platform::utf16_to_gb18030(clean)) return *encoded;
  // The converter refused the whole text (it should not): encode what it takes piece by piece.
  std::string out;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    std::size_t len = (clean[i] >= 0xD800 && clean[i] <= 0xDBFF) ? 2 : 1;
    auto piece = platform::utf16_to_gb18030(std::u16string_view(clean).substr(i, len));
    out += piece ? *piece : std::string("?");
    i += len - 1;
  }
  return out;
}

std::u16string decode_document(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return utf8_to_utf16(bytes.substr(3));
  bool any_high = false;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) {
      any_high = true;
      break;
    }
  if (any_high && is_valid_utf8(bytes)) return utf8_to_utf16(bytes);
  return decode_gbk(bytes);
}

}  // namespace lantaro
