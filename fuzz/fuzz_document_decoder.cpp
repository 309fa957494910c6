// Any bytes: decoding never fails, never grows past one code unit per byte, yields well-formed
// UTF-16 of the length the length functions tell without decoding, and what it yields survives the
// encoder unchanged (nothing is lost on export). Bytes of ASCII and two-byte codes that decode
// without a replacement mark are written back byte for byte, and a document is read as UTF-8
// exactly when it has the mark or is valid UTF-8 beyond ASCII.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "fuzz_check.h"

namespace {
bool well_formed(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::u16string gbk = lantaro::decode_gbk(bytes);
  FUZZ_CHECK(gbk.size() <= bytes.size());
  FUZZ_CHECK(well_formed(gbk));
  FUZZ_CHECK(lantaro::gbk_decoded_length(bytes) == gbk.size());
  FUZZ_CHECK(lantaro::utf8_decoded_length(bytes) == lantaro::utf8_to_utf16(bytes).size());
  FUZZ_CHECK(lantaro::decode_gbk(lantaro::encode_gbk(gbk)) == gbk);

  // GB18030 gives a few characters both a two-byte and a four-byte code (FE51 and 95329031
  // are both U+20087); the encoder writes the two-byte one. Without four-byte codes, bytes that
  // decode cleanly come back byte for byte.
  bool four_byte = false;
  for (std::size_t i = 0; i + 1 < size && !four_byte; ++i)
    four_byte = data[i] >= 0x81 && data[i + 1] >= 0x30 && data[i + 1] <= 0x39;
  if (!four_byte && gbk.find(u'\uFFFD') == std::u16string::npos)
    FUZZ_CHECK(lantaro::encode_gbk(gbk) == bytes);

  std::u16string document = lantaro::decode_document(bytes);
  FUZZ_CHECK(document.size() <= bytes.size());
  FUZZ_CHECK(well_formed(document));
  bool non_ascii = false;
  for (char c : bytes) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
    FUZZ_CHECK(document == lantaro::utf8_to_utf16(bytes.substr(3)));
  else if (non_ascii && lantaro::is_valid_utf8(bytes))
    FUZZ_CHECK(document == lantaro::utf8_to_utf16(bytes));
  else
    FUZZ_CHECK(document == gbk);
  return 0;
}
