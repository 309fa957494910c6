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

SearchRequest request(std::u16string k1, std::u16string k2 = {}) {
  SearchRequest r;
  r.first_keyword = std::move(k1);
  r.second_keyword = std::move(k2);
  r.n = 1;
  return r;
}

TEST(BytePrefilter, TurnsDownOnlyDocumentsWithoutAKeywordInTheirCodePage) {
  const BytePrefilter single(request(u"明月"));
  ASSERT_TRUE(single.active());
  EXPECT_TRUE(single.may_match(encode_gbk(u"床前明月光")));
  EXPECT_TRUE(single.may_match(utf16_to_utf8(u"床前明月光")));
  EXPECT_TRUE(single.may_match("\xEF\xBB\xBF" + utf16_to_utf8(u"明月")));
  EXPECT_FALSE(single.may_match(encode_gbk(u"床前月光")));
  EXPECT_FALSE(single.may_match("plain ascii"));
  // The UTF-8 bytes of the keyword in a GBK document (or the reverse) are no match.
  EXPECT_FALSE(single.may_match(encode_gbk(u"明") + utf16_to_utf8(u"明月")));
  EXPECT_FALSE(single.may_match("\xEF\xBB\xBF" + encode_gbk(u"明月")));

  const BytePrefilter both(request(u"白日", u"山"));
  EXPECT_TRUE(both.may_match(encode_gbk(u"白日依山")));
  EXPECT_FALSE(both.may_match(encode_gbk(u"白日依水")));
  EXPECT_FALSE(both.may_match(encode_gbk(u"青山")));

  // Keywords that malformed bytes or half characters could match are left to the decoded text.
  EXPECT_FALSE(BytePrefilter(request(u"a\uFFFD")).active());
  EXPECT_FALSE(BytePrefilter(request(u"\xD840")).active());
  EXPECT_TRUE(BytePrefilter(request(u"\xD840", u"山")).active());
}

// Documents made of pieces that test the decoder's edges: two- and four-byte codes, characters
// outside the basic plane, malformed and cut sequences, line breaks, UTF-8 with and without mark.
TEST(BytePrefilter, NeverTurnsDownADocumentThatHasAHit) {
  const std::vector<std::string> gbk_pieces = {encode_gbk(u"之"),
                                               encode_gbk(u"明"),
                                               encode_gbk(u"月"),
                                               "\x81\x30\x81\x30",
                                               "\x90\x30\x81\x30",
                                               "\xD6",
                                               "\xAE",
                                               "\x81\x30",
                                               "\n",
                                               "\r",
                                               "a",
                                               "\xFF",
                                               encode_gbk(u"𠀀")};
  const std::vector<std::u16string> keywords = {u"之",     u"明月", u"月之", u"a之",
                                                u"\u00C0", u"𠀀",   u"之\n", u"�"};
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const int kind = round % 3;
    for (int k = random() % 12; k > 0; --k) {
      if (kind == 0)
        bytes += gbk_pieces[random() % gbk_pieces.size()];
      else
        bytes += utf16_to_utf8(keywords[random() % keywords.size()]);
      if (kind == 1 && random() % 5 == 0) bytes += "\xC3";  // malformed: the file reads as GBK
    }
    if (kind == 2) bytes = "\xEF\xBB\xBF" + bytes + "\x80";
    const std::u16string text = decode_document(bytes);
    for (const std::u16string& k1 : keywords)
      for (const std::u16string& k2 : {std::u16string(), std::u16string(u"月")}) {
        const SearchRequest r = request(k1, k2);
        if (!find_hits(text, r).empty()) {
          EXPECT_TRUE(BytePrefilter(r).may_match(bytes))
              << "round " << round << " keyword " << utf16_to_utf8(k1);
        }
      }
  }
}

}  // namespace
}  // namespace lantaro
