// Any bytes: decoding never fails, never grows past one code unit per byte, yields well-formed
// UTF-16, and what it yields survives the encoder unchanged (nothing is lost on export).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/codepage.h"
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
  FUZZ_CHECK(lantaro::decode_gbk(lantaro::encode_gbk(gbk)) == gbk);

  std::u16string document = lantaro::decode_document(bytes);
  FUZZ_CHECK(document.size() <= bytes.size());
  FUZZ_CHECK(well_formed(document));
  return 0;
}
