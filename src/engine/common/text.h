#pragma once
// Portable text helpers: UTF-8 <-> UTF-16, character counts, trimming, paths from UTF-8.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace lantaro {

// Every length the user sets or reads is counted in UTF-16 code units (a Chinese character of
// the basic plane counts one).
inline std::size_t character_count(std::u16string_view text) { return text.size(); }

bool is_valid_utf8(std::string_view bytes);
// Malformed sequences become U+FFFD; never fails.
std::u16string utf8_to_utf16(std::string_view bytes);
// The length of utf8_to_utf16(bytes), without decoding.
std::size_t utf8_decoded_length(std::string_view bytes);
// Lone surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);
// The same written at `out`, which has room for 3 * text.size() bytes; returns the end.
char* write_utf8(std::u16string_view text, char* out);

// UTF-16 surrogate halves: a window over a text must not cut a pair between them.
inline constexpr bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline constexpr bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Trims " " and the ideographic space U+3000 at both ends (the keyword box's rule).
std::u16string_view trim_spaces(std::u16string_view text);
// Trims " ", U+3000 and tab at both ends (the sentence rule).
std::u16string_view trim_blanks(std::u16string_view text);

// Paths are carried as std::filesystem::path; these keep Chinese names intact on every platform.
std::filesystem::path path_from_utf8(std::string_view utf8);
std::string path_to_utf8(const std::filesystem::path& path);
// The same for a name in the system's own form (std::filesystem::path::native()), without
// building a path object: on POSIX the bytes themselves.
std::string native_to_utf8(std::filesystem::path::string_type native);
// A path as the user reads it, UTF-8. Libraries copied from a Chinese Windows system often have
// names in GB18030 bytes: every part that is not valid UTF-8 is decoded as GB18030. For showing
// and matching names only; the file system needs the path's own bytes.
std::string readable_path(const std::filesystem::path& path);

// Lower-cases ASCII letters only (for ".TXT" checks without a locale).
std::string ascii_lower(std::string_view text);

}  // namespace lantaro
