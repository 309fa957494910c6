#include "app/codepage.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "app/platform.h"
#include "app/text.h"

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
  std::array<char16_t, kFourByteBmpCount> four_byte_bmp{};
};

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
          t.four_byte_bmp[four_byte_index(static_cast<unsigned char>(b1),
                                          static_cast<unsigned char>(b2),
                                          static_cast<unsigned char>(b3),
                                          static_cast<unsigned char>(b4))] = c;
        }
    }
  }
}

const DecodeTables& two_byte_tables() {
  static const std::unique_ptr<DecodeTables> tables = [] {
    auto t = std::make_unique<DecodeTables>();
    fill_two_byte(*t);
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

std::u16string decode_gbk(std::string_view bytes) {
  const DecodeTables& tables = two_byte_tables();
  std::u16string out;
  out.resize(bytes.size());  // never more code units than bytes
  char16_t* dst = out.data();
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
      *dst++ = b;
      ++i;
      continue;
    }
    if (!is_lead(b) || i + 1 >= n) {
      *dst++ = kReplacement;
      ++i;
      continue;
    }
    unsigned char b2 = s[i + 1];
    if (is_trail(b2)) {
      char32_t c = tables.two_byte[(b - 0x81) * kTrailCount + (b2 - 0x40)];
      if (c == 0) {
        *dst++ = kReplacement;
      } else if (c < 0x10000) {
        *dst++ = static_cast<char16_t>(c);
      } else {  // two code units for two bytes: still within the buffer
        *dst++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        *dst++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
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
  out.resize(static_cast<std::size_t>(dst - out.data()));
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
