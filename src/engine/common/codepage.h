#pragma once
// The corpus code page: documents, the help file, the settings file and exported text are GBK.
// GBK is read as GB18030 (a strict superset, byte-identical for GBK text) and written as GB18030
// so that no character is ever lost; wherever GBK can encode the text the bytes are GBK's.

#include <string>
#include <string_view>

namespace lantaro {

// Never fails: each malformed byte sequence becomes U+FFFD, truncated input included.
std::u16string decode_gbk(std::string_view bytes);

// The length of decode_gbk(bytes), without decoding.
std::size_t gbk_decoded_length(std::string_view bytes);
// decode_gbk into `out` (replaced), whose capacity is reused.
void decode_gbk_into(std::string_view bytes, std::u16string& out);

// Never loses a character; a lone surrogate (not text at all) is written as U+FFFD.
std::string encode_gbk(std::u16string_view text);

// Decodes a document's bytes by the library's rule: a UTF-8 byte-order mark, or bytes that are
// entirely valid UTF-8 and include non-ASCII, mean UTF-8 (the mark is dropped); anything else
// is GBK.
std::u16string decode_document(std::string_view bytes);

// The same rule without decoding: how the document reads, and its text's bytes (without the mark).
enum class DocumentEncoding { Gbk, Utf8 };
struct DocumentBody {
  DocumentEncoding encoding = DocumentEncoding::Gbk;
  std::string_view text;
};
DocumentBody document_body(std::string_view bytes);

}  // namespace lantaro
