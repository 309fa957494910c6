#include "engine/common/codepage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
#include <memory>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LANTARO_DECODE_SSE2 1
#endif

#include "engine/common/text.h"

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

// The GB18030 tables, generated at build time (tools/gb18030_tables): every build decodes and
// encodes alike, whatever converter its system has or lacks.
#include "gb18030_tables.inc"

static_assert(std::size(kGeneratedTwoByte) == std::size_t{kLeadCount} * kTrailCount);
static_assert(std::size(kGeneratedFourByteBmp) == kFourByteBmpCount);
static_assert(std::size(kGeneratedEncodeBmp) == 0x10000);

// The two-byte table indexed by both bytes as they come (first byte 0x80..0xFF), so the common
// case costs no range checks: 0 where the second byte is no trail byte (or the first no lead
// byte), kWide where the code point lies outside the basic plane (look in kGeneratedTwoByte),
// U+FFFD where the pair is well-formed but unassigned.
struct PairTable {
  std::array<char16_t, std::size_t{128} * 256> pair{};
};
constexpr char16_t kWide = 0xD800;  // no two-byte code decodes to a lone surrogate
bool is_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

char32_t two_byte(unsigned char lead, unsigned char trail) {
  return kGeneratedTwoByte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
}

const PairTable& pair_table() {
  static const std::unique_ptr<PairTable> table = [] {
    auto t = std::make_unique<PairTable>();
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0; trail < 256; ++trail) {
        if (!is_trail(static_cast<unsigned char>(trail))) continue;
        const char32_t c =
            two_byte(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        t->pair[(lead - 0x80) * 256 + trail] = c == 0        ? kReplacement
                                               : c < 0x10000 ? static_cast<char16_t>(c)
                                                             : kWide;
      }
    return t;
  }();
  return *table;
}

int four_byte_index(unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4) {
  return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
}

char16_t four_byte_bmp(unsigned char b1, unsigned char b2, unsigned char b3, unsigned char b4) {
  return kGeneratedFourByteBmp[four_byte_index(b1, b2, b3, b4)];
}

// The bytes of one code point's code; "?" where GB18030 has none.
void append_code(std::string& out, char32_t c) {
  std::uint32_t code = 0;
  if (c < 0x10000) {
    code = kGeneratedEncodeBmp[c];
  } else {
    const std::uint32_t* pairs = std::begin(kGeneratedEncodeSupplementary);
    const std::size_t count = std::size(kGeneratedEncodeSupplementary) / 2;
    std::size_t low = 0, high = count;  // the exceptions, ordered by character
    while (low < high) {
      const std::size_t mid = (low + high) / 2;
      if (pairs[2 * mid] < c)
        low = mid + 1;
      else
        high = mid;
    }
    if (low < count && pairs[2 * low] == c) {
      code = pairs[2 * low + 1];
    } else {
      std::uint32_t linear = c - 0x10000;
      const std::uint32_t b4 = 0x30 + linear % 10;
      linear /= 10;
      const std::uint32_t b3 = 0x81 + linear % 126;
      linear /= 126;
      code = ((0x90 + linear / 10) << 24) | ((0x30 + linear % 10) << 16) | (b3 << 8) | b4;
    }
  }
  if (code == 0 && c != 0) {
    out += '?';
    return;
  }
  if (code > 0xFFFFFF) out += static_cast<char>(code >> 24);
  if (code > 0xFFFF) out += static_cast<char>((code >> 16) & 0xFF);
  if (code > 0xFF) out += static_cast<char>((code >> 8) & 0xFF);
  out += static_cast<char>(code & 0xFF);
}

}  // namespace

namespace {

// Decodes into `out`, which has room for one code unit per byte (never more are needed: every
// sequence of k bytes gives at most k units). Returns the length of the text written. Without
// Write nothing is written and only the length is computed, by the very same steps, so it can
// never disagree with a decoding.
template <bool Write = true>
std::size_t decode_gbk_into(std::string_view bytes, char16_t* out) {
  const PairTable& tables = pair_table();
  struct Writer {
    char16_t* base;
    std::size_t at = 0;
    void put(char16_t c) {
      if constexpr (Write) base[at] = c;
      ++at;
    }
  } dst{out};
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
        if constexpr (Write) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dst.base + dst.at),
                           _mm_unpacklo_epi8(v, zero));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dst.base + dst.at + 8),
                           _mm_unpackhi_epi8(v, zero));
        }
        const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (high) {
          const int ascii = std::countr_zero(high);
          i += static_cast<std::size_t>(ascii);
          dst.at += ascii;
          break;
        }
        i += 16;
        dst.at += 16;
      }
      if (i >= n) break;
      b = s[i];
      if (b < 0x80) {
        dst.put(b);
        ++i;
        continue;
      }
#else
      dst.put(b);
      ++i;
      continue;
#endif
    }
    if (i + 1 < n) {  // the common case: a two-byte character
      const char16_t c = tables.pair[(std::size_t{b} - 0x80) * 256 + s[i + 1]];
      if (c != 0 && !is_surrogate(c)) {
        dst.put(c);
        i += 2;
        continue;
      }
    }
    if (!is_lead(b) || i + 1 >= n) {
      dst.put(kReplacement);
      ++i;
      continue;
    }
    unsigned char b2 = s[i + 1];
    if (is_trail(b2)) {  // outside the basic plane: two code units for two bytes
      const char32_t c = two_byte(b, b2);
      dst.put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      dst.put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      i += 2;
      continue;
    }
    if (is_digit(b2) && i + 3 < n && is_lead(s[i + 2]) && is_digit(s[i + 3])) {
      unsigned char b3 = s[i + 2], b4 = s[i + 3];
      if (b <= 0x84) {
        char16_t c = four_byte_bmp(b, b2, b3, b4);
        if (c) {
          dst.put(c);
          i += 4;
          continue;
        }
      } else if (b >= 0x90 && b <= 0xE3) {
        char32_t cp = 0x10000 + static_cast<char32_t>(((b - 0x90) * 10 + (b2 - 0x30)) * 1260 +
                                                      (b3 - 0x81) * 10 + (b4 - 0x30));
        if (cp <= 0x10FFFF) {
          cp -= 0x10000;
          dst.put(static_cast<char16_t>(0xD800 + (cp >> 10)));
          dst.put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
          i += 4;
          continue;
        }
      }
    }
    // A lead byte that starts no valid sequence: replace it alone, so an ASCII byte after it
    // (a line break, say) survives.
    dst.put(kReplacement);
    ++i;
  }
  return dst.at;
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
    return std::u16string(scratch.data(), decode_gbk_into(bytes, scratch.data()));
  }
  std::u16string out;
  out.resize(bytes.size());
  out.resize(decode_gbk_into(bytes, out.data()));
  if (out.capacity() > out.size() + out.size() / 8 + 16) out.shrink_to_fit();
  return out;
}

std::size_t gbk_decoded_length(std::string_view bytes) {
  return decode_gbk_into<false>(bytes, nullptr);
}

void decode_gbk_into(std::string_view bytes, std::u16string& out) {
  if (out.size() < bytes.size()) out.resize(bytes.size());
  out.resize(decode_gbk_into(bytes, out.data()));
}

std::string encode_gbk(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a lone surrogate is not text
    }
    append_code(out, c);
  }
  return out;
}

DocumentBody document_body(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return {DocumentEncoding::Utf8, bytes.substr(3)};
  const bool any_high = std::any_of(bytes.begin(), bytes.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (any_high && is_valid_utf8(bytes)) return {DocumentEncoding::Utf8, bytes};
  return {DocumentEncoding::Gbk, bytes};
}

std::u16string decode_document(std::string_view bytes) {
  const DocumentBody body = document_body(bytes);
  return body.encoding == DocumentEncoding::Utf8 ? utf8_to_utf16(body.text) : decode_gbk(body.text);
}

}  // namespace lantaro
