#pragma once
// The search's look at a document's undecoded bytes: where a keyword's bytes occur, and where the
// lines around them start and end. A keyword is looked for as the bytes that encode it in GB18030
// and in UTF-8, and only where those bytes are the one way its characters can be written (never
// for U+FFFD, which malformed bytes also decode to, nor for characters the code page can write in
// two ways), so that where the bytes are not, the decoded text holds no hit either.

#include <string>
#include <string_view>

namespace lantaro {

// First occurrence of a non-empty needle in the haystack, or npos; vectorised where it can be.
std::size_t find_bytes(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// The first CR or LF byte at or after `from`, or bytes.size().
std::size_t line_break_byte(std::string_view bytes, std::size_t from);
// Just after the last CR or LF byte in [from, to), or `from` when there is none.
std::size_t line_start_byte(std::string_view bytes, std::size_t from, std::size_t to);

// A keyword as the bytes that write it in GB18030 and in UTF-8; empty strings when other bytes
// could decode to it as well, and then it cannot be looked for as bytes.
struct KeywordBytes {
  std::string gbk, utf8;
  bool usable() const { return !gbk.empty(); }
};
KeywordBytes keyword_bytes(std::u16string_view keyword);

// Whether the GB18030 decoder turns any byte sequence other than the character's own encoding
// into `code_point` (U+FFFD, for one, comes from every malformed byte).
bool gbk_has_other_encoding(char32_t code_point);

}  // namespace lantaro
