#include "engine/common/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/text.h"

namespace lantaro {
namespace {

TEST(CodePage, DecodesGbkAndKeepsAsciiAndLineBreaks) {
  // u8"学而" in GBK, then CR LF, then "ab".
  EXPECT_EQ(decode_gbk("\xD1\xA7\xB6\xF8\r\nab"), u"学而\r\nab");
  EXPECT_EQ(decode_gbk(""), u"");
}

TEST(CodePage, MalformedBytesBecomeOneReplacementEachAndNeverSwallowAscii) {
  EXPECT_EQ(decode_gbk("\x80"), u"\uFFFD");
  EXPECT_EQ(decode_gbk("\xFF"
                       "a"),
            u"\uFFFDa");
  // A lead byte at the very end (truncated file).
  EXPECT_EQ(decode_gbk("a\xD1"), u"a\uFFFD");
  // A lead byte followed by a line break keeps the line break.
  EXPECT_EQ(decode_gbk("\xD1\n\xD1\xA7"), u"\uFFFD\n学");
  // A truncated four-byte sequence keeps its ASCII digit.
  EXPECT_EQ(decode_gbk("\x81\x30"), u"\uFFFD0");
  EXPECT_EQ(decode_gbk("\x81\x30\x81"), u"\uFFFD0\uFFFD");
}

TEST(CodePage, FourByteSequencesDecodeInBothPlanes) {
  // U+00A5 (YEN SIGN) is 81 30 84 36 in GB18030; U+20000 is 95 32 82 36.
  EXPECT_EQ(decode_gbk("\x81\x30\x84\x36"), u"\u00A5");
  EXPECT_EQ(decode_gbk("\x95\x32\x82\x36"), u"\U00020000");
  // A four-byte code past U+10FFFF is malformed, digits kept.
  EXPECT_EQ(decode_gbk("\xE4\x30\x81\x30"), u"\uFFFD0\uFFFD0");
}

TEST(CodePage, EncodingRoundTripsAndKeepsCharactersOutsideGbk) {
  std::u16string text = u"子曰：“学而时习之。”\r\n€ \U00020000 ©";
  EXPECT_EQ(decode_gbk(encode_gbk(text)), text);
  // Wherever GBK can encode the text the bytes are GBK's.
  EXPECT_EQ(encode_gbk(u"学而"), "\xD1\xA7\xB6\xF8");
  // A lone surrogate is not text: written as U+FFFD rather than failing the whole write.
  std::u16string lone = u"a";
  lone.push_back(char16_t(0xD800));
  EXPECT_EQ(decode_gbk(encode_gbk(lone)), u"a\uFFFD");
}

TEST(CodePage, EveryTwoByteGbkCodeRoundTrips) {
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      std::u16string text = decode_gbk(bytes);
      // A handful of codes decode outside the basic plane (a surrogate pair).
      ASSERT_TRUE(text.size() == 1 || text.size() == 2) << std::hex << lead << " " << trail;
      ASSERT_NE(text[0], u'\uFFFD') << std::hex << lead << " " << trail;
      ASSERT_EQ(encode_gbk(text), bytes) << std::hex << lead << " " << trail;
    }
}

TEST(CodePage, MixedRunsDecodeAlikeAtEveryLengthAndOffset) {
  // Pieces whose decoding does not depend on their neighbours; strung together in every order and
  // run length, so that ASCII runs start and end at every offset and the text ends anywhere.
  struct Piece {
    std::string bytes;
    std::u16string text;
  };
  const std::vector<Piece> pieces = {
      {"a", u"a"},
      {"\r\n", u"\r\n"},
      {"\xD1\xA7", u"学"},
      {"\xB6\xF8", u"而"},
      {"\xA1\xA3", u"。"},
      {"\x80", u"\uFFFD"},
      {"\xFF", u"\uFFFD"},
      {"\xD1\x7F", u"\uFFFD\x7F"},  // a lead byte before a byte that cannot follow it
      {"\x81\x30\x84\x36", u"\u00A5"},
      {"\x95\x32\x82\x36", u"\U00020000"},
  };
  unsigned state = 12345;
  auto next = [&state](unsigned bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % bound;
  };
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    std::u16string expected;
    const unsigned count = next(60);
    for (unsigned k = 0; k < count; ++k) {
      // Mostly ASCII runs of any length, so vector-wide steps and their tails both occur.
      const Piece& piece =
          next(3) == 0 ? pieces[next(static_cast<unsigned>(pieces.size()))] : pieces[0];
      const unsigned repeat = piece.bytes == "a" ? next(40) : 1;
      for (unsigned r = 0; r < repeat; ++r) {
        bytes += piece.bytes;
        expected += piece.text;
      }
    }
    ASSERT_EQ(decode_gbk(bytes), expected) << "round " << round;
    ASSERT_EQ(gbk_decoded_length(bytes), expected.size()) << "round " << round;
    // The same text with a lead byte cut off at its end.
    ASSERT_EQ(decode_gbk(bytes + "\xD1"), expected + u"\uFFFD") << "round " << round;
  }
}

TEST(CodePage, DecodedTextsCarryNoSlack) {
  // Chinese text takes one code unit per two bytes; the result holds no room for the other half.
  for (std::size_t characters : {std::size_t{3000}, std::size_t{1500000}}) {
    std::string bytes;
    for (std::size_t i = 0; i < characters; ++i) bytes += "\xD1\xA7";
    const std::u16string text = decode_gbk(bytes);
    ASSERT_EQ(text.size(), characters);
    EXPECT_LE(text.capacity(), characters + characters / 8 + 16) << characters;
  }
}

// Linux, Windows and Wine have different GB18030 converters, or none; every build decodes and
// encodes with the same tables instead. The whole code space, malformed and four-byte sequences
// and every character included, must therefore come out the same in every build: this digest is
// the Linux build's, and the Windows build's tests (run under Wine) check it too.
TEST(CodePage, WholeCodeSpaceGivesTheSameResultsInEveryBuild) {
  std::uint64_t digest = 14695981039346656037u;  // FNV-1a
  auto mix = [&digest](std::uint32_t unit) { digest = (digest ^ unit) * 1099511628211u; };
  auto mix_text = [&](const std::u16string& text) {
    for (char16_t c : text) mix(c);
    mix(0x110000);  // ends every result, so that results cannot run into each other
  };
  auto mix_bytes = [&](const std::string& bytes) {
    for (char b : bytes) mix(static_cast<unsigned char>(b));
    mix(0x110000);
  };
  for (int a = 0; a < 256; ++a) {
    mix_text(decode_gbk(std::string(1, static_cast<char>(a))));
    for (int b = 0; b < 256; ++b)
      mix_text(decode_gbk(std::string{static_cast<char>(a), static_cast<char>(b)}));
  }
  std::string code(4, '\0');
  for (int b1 = 0x81; b1 <= 0xFE; ++b1)
    for (int b2 = 0x30; b2 <= 0x39; ++b2)
      for (int b3 = 0x81; b3 <= 0xFE; ++b3)
        for (int b4 = 0x30; b4 <= 0x39; ++b4) {
          code = {static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3),
                  static_cast<char>(b4)};
          mix_text(decode_gbk(code));
        }
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    std::u16string text;
    if (c < 0x10000) {
      text.push_back(static_cast<char16_t>(c));  // lone surrogates included
    } else {
      text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    mix_bytes(encode_gbk(text));
  }
  EXPECT_EQ(digest, 0xbfb17be680580573u) << std::hex << digest;
}

TEST(CodePage, DocumentDetectionPrefersUtf8OnlyWhenItIsUtf8) {
  EXPECT_EQ(decode_document("\xEF\xBB\xBF"
                            "\xE5\xAD\xA6"),
            u"学");
  EXPECT_EQ(decode_document("\xE5\xAD\xA6\xE8\x80\x8C"), u"学而");
  EXPECT_EQ(decode_document("\xD1\xA7\xB6\xF8"), u"学而");
  EXPECT_EQ(decode_document("plain ascii"), u"plain ascii");
}

TEST(Text, CharacterCountsAreUtf16CodeUnits) {
  EXPECT_EQ(character_count(u"四个汉字"), 4u);
  EXPECT_EQ(character_count(u"abc"), 3u);
  EXPECT_EQ(encode_gbk(u"四个汉字").size(), 8u);
}

TEST(Text, Utf8ConversionReplacesMalformedInput) {
  EXPECT_EQ(utf8_to_utf16("a\xC3(b"), u"a\uFFFD(b");
  EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x98"), u"\uFFFD");  // truncated
  EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));              // overlong
  EXPECT_EQ(utf16_to_utf8(u"学\U00020000"), "\xE5\xAD\xA6\xF0\xA0\x80\x80");
  EXPECT_EQ(utf16_to_utf8(std::u16string(u"a") + char16_t{0xDC00} + char16_t{0xD800}),
            "a\xEF\xBF\xBD\xEF\xBF\xBD");  // lone halves
  const std::string mixed = "a\xC3(b\xED\xA0\x80\xF0\xA0\x80\x80\xE5\xAD\xA6\xF0\x9F\x98";
  EXPECT_EQ(utf8_decoded_length(mixed), utf8_to_utf16(mixed).size());
}

TEST(Text, TrimmingKnowsTheIdeographicSpace) {
  EXPECT_EQ(trim_spaces(u"\u3000 学 而\u3000 "), u"学 而");
  EXPECT_EQ(trim_blanks(u"\t 学\t"), u"学");
  EXPECT_EQ(trim_spaces(u"   "), u"");
}

}  // namespace
}  // namespace lantaro
