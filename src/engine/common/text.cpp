#include "engine/common/text.h"

#include <type_traits>
#include <utility>

#include "engine/common/codepage.h"

namespace lantaro {
namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when it is malformed (overlongs,
// surrogates and values above U+10FFFF included).
std::size_t utf8_sequence_length(std::string_view s, std::size_t i, char32_t& cp) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t n;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// How many bytes of a malformed sequence to replace with one U+FFFD: the lead byte plus the
// continuation bytes that could still belong to it, so a bad sequence gives one replacement.
std::size_t malformed_length(std::string_view s, std::size_t i) {
  std::size_t k = i + 1;
  while (k < s.size() && k < i + 4 && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) ++k;
  unsigned char c = static_cast<unsigned char>(s[i]);
  if ((c & 0xC0) == 0x80 || c >= 0xF8) return 1;
  return k - i;
}

void append_utf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool is_space(char16_t c) { return c == u' ' || c == u'\u3000'; }
bool is_blank(char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\t'; }

template <typename Pred>
std::u16string_view trim_if(std::u16string_view text, Pred pred) {
  std::size_t b = 0, e = text.size();
  while (b < e && pred(text[b])) ++b;
  while (e > b && pred(text[e - 1])) --e;
  return text.substr(b, e - b);
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // ASCII runs are the common case; skip them eight bytes at a time would be premature here.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    std::size_t n = utf8_sequence_length(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::u16string utf8_to_utf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    char32_t cp;
    std::size_t n = utf8_sequence_length(bytes, i, cp);
    if (n == 0) {
      out.push_back(u'\uFFFD');
      i += malformed_length(bytes, i);
    } else {
      append_utf16(out, cp);
      i += n;
    }
  }
  return out;
}

std::size_t utf8_decoded_length(std::string_view bytes) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++units;
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t n = utf8_sequence_length(bytes, i, cp);
    if (n == 0) {
      ++units;
      i += malformed_length(bytes, i);
    } else {
      units += cp < 0x10000 ? 1 : 2;
      i += n;
    }
  }
  return units;
}

char* write_utf8(std::u16string_view text, char* dst) {
  // Written through a pointer into room for the longest result: appending byte by byte cost more
  // than the rest of printing a large result list.
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      *dst++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *dst++ = static_cast<char>(0xC0 | (cp >> 6));
      *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *dst++ = static_cast<char>(0xE0 | (cp >> 12));
      *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {  // two units in, four bytes out: still within three bytes a unit
      *dst++ = static_cast<char>(0xF0 | (cp >> 18));
      *dst++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return dst;
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.resize(text.size() * 3);
  out.resize(static_cast<std::size_t>(write_utf8(text, out.data()) - out.data()));
  return out;
}

std::u16string_view trim_spaces(std::u16string_view text) { return trim_if(text, is_space); }
std::u16string_view trim_blanks(std::u16string_view text) { return trim_if(text, is_blank); }

std::filesystem::path path_from_utf8(std::string_view utf8) {
  std::u8string u8(utf8.begin(), utf8.end());
  return std::filesystem::path(u8);
}

std::string path_to_utf8(const std::filesystem::path& path) {
  std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

namespace {

template <class Native>
std::string utf8_from(Native native) {
  if constexpr (std::is_same_v<Native, std::string>)
    return native;
  else
    return path_to_utf8(std::filesystem::path(std::move(native)));
}

}  // namespace

std::string native_to_utf8(std::filesystem::path::string_type native) {
  return utf8_from(std::move(native));
}

std::string readable_path(const std::filesystem::path& path) {
  std::string bytes = path_to_utf8(path);
  if (is_valid_utf8(bytes)) return bytes;
  std::string out;
  std::size_t i = 0;
  while (i <= bytes.size()) {
    std::size_t j = bytes.find('/', i);
    if (j == std::string::npos) j = bytes.size();
    const std::string_view part = std::string_view(bytes).substr(i, j - i);
    out += is_valid_utf8(part) ? std::string(part) : utf16_to_utf8(decode_gbk(part));
    if (j < bytes.size()) out += '/';
    i = j + 1;
  }
  return out;
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace lantaro
