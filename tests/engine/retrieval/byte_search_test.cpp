#include "engine/retrieval/byte_search.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/retrieval/matcher.h"

namespace lantaro {
namespace {

TEST(FindBytes, AgreesWithThePlainFindAtEveryOffsetAndLength) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string haystack(random() % 80, 'a');
    for (char& c : haystack) c = "ab\xD6\xAE"[random() % 4];
    std::string needle(1 + random() % 4, 'a');
    for (char& c : needle) c = "ab\xD6\xAE"[random() % 4];
    const std::size_t from = random() % (haystack.size() + 2);
    EXPECT_EQ(find_bytes(haystack, needle, from), std::string_view(haystack).find(needle, from))
        << haystack << " / " << needle << " from " << from;
  }
  EXPECT_EQ(find_bytes("abc", ""), std::string_view::npos);
}

TEST(GbkEncodings, ReplacementAndDoublyWrittenCharactersAreNotSearchedAsBytes) {
  EXPECT_TRUE(gbk_has_other_encoding(U'\uFFFD'));
  EXPECT_FALSE(gbk_has_other_encoding(U'之'));
  EXPECT_FALSE(gbk_has_other_encoding(U'a'));
  // Every character the decoder makes from a two-byte code that is outside the basic plane also
  // has its four-byte code.
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string text = decode_gbk(std::string_view(code, 2));
      if (text.size() == 2 && is_high_surrogate(text[0])) {
        EXPECT_TRUE(gbk_has_other_encoding(0x10000 + ((char32_t{text[0]} - 0xD800) << 10) +
                                           (text[1] - 0xDC00)));
      }
    }
}

}  // namespace
}  // namespace lantaro
