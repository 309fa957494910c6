#include "engine/common/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/common/codepage.h"
#include "engine/common/run_directory.h"
#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

// The settings file as users write it: GBK, Chinese names.
std::string gbk(std::u16string_view text) { return encode_gbk(text); }

class TempFolder : public testing::TempFolder {
 public:
  TempFolder() : testing::TempFolder("settings") {}
};

TEST(SettingsFile, MissingFileSectionOrKeyYieldsTheDefault) {
  TempFolder dir;
  SettingsFile missing = SettingsFile::load(dir.path() / "nothing.ini");
  EXPECT_TRUE(missing.empty());
  EXPECT_EQ(missing.text(kContextSection, kContextBeforeKey, u"默认"), u"默认");
  EXPECT_EQ(missing.number(kContextSection, kContextBeforeKey, 7), 7);

  // A folder where the file should be is not a file.
  fs::create_directories(dir.path() / "ini" / "sys.ini");
  EXPECT_TRUE(SettingsFile::load(dir.path() / "ini" / "sys.ini").empty());

  SettingsFile other = SettingsFile::parse(gbk(u"[别的节]\r\n上下文上取字数=5\r\n"));
  EXPECT_EQ(other.number(kContextSection, kContextBeforeKey, 100), 100);
  SettingsFile no_key = SettingsFile::parse(gbk(u"[上下文取字数配置]\r\n上下文上取字数=5\r\n"));
  EXPECT_EQ(no_key.number(kContextSection, kContextBeforeKey, 100), 5);
  EXPECT_EQ(no_key.number(kContextSection, kContextAfterKey, 100), 100);
  EXPECT_EQ(no_key.text(kContextSection, kContextAfterKey, u""), u"");
}

TEST(SettingsFile, ReadsGbkNamesWithCrLfOrLfAndTrimsBlanks) {
  const std::u16string text = u"[上下文取字数配置]\n上下文上取字数=120\n上下文下取字数=80\n";
  std::u16string crlf;
  for (char16_t c : text) {
    if (c == u'\n') crlf += u'\r';
    crlf += c;
  }
  for (const std::u16string& variant : {text, crlf}) {
    SettingsFile s = SettingsFile::parse(gbk(variant));
    EXPECT_EQ(s.number(kContextSection, kContextBeforeKey, 0), 120);
    EXPECT_EQ(s.number(kContextSection, kContextAfterKey, 0), 80);
    EXPECT_EQ(s.text(kContextSection, kContextAfterKey, u""), u"80");
  }
  SettingsFile spaced = SettingsFile::parse(
      gbk(u"  [ 上下文取字数配置 ]  \r\n\t上下文上取字数 \t=  42\t \r\n上下文下取字数=　9　"));
  EXPECT_EQ(spaced.number(kContextSection, kContextBeforeKey, 0), 42);
  EXPECT_EQ(spaced.number(kContextSection, kContextAfterKey, 0), 9);
  // No line end after the last value, and a quoted value.
  SettingsFile quoted = SettingsFile::parse(gbk(u"[节]\r\n名=\"带 空格 \""));
  EXPECT_EQ(quoted.text(u"节", u"名", u"x"), u"带 空格");
}

TEST(SettingsFile, SectionNamesWhoseGbkBytesContainABracketStillMatch) {
  // u8"癩" is B0 5D and "乚" 81 5D in GBK: their second byte is ']'.
  ASSERT_EQ(gbk(u"癩乚"), std::string("\xB0\x5D\x81\x5D"));
  SettingsFile s = SettingsFile::parse(gbk(u"[癩法]\n键=1\n[乚]\n键=2\n"));
  EXPECT_EQ(s.number(u"癩法", u"键", 0), 1);
  EXPECT_EQ(s.number(u"乚", u"键", 0), 2);
  EXPECT_EQ(s.number(u"癩", u"键", 0), 0);
}

TEST(SettingsFile, CommentsBlankLinesAndStrayLinesAreIgnored) {
  SettingsFile s =
      SettingsFile::parse(gbk(u"; 上下文长度\r\n"
                              u"上下文上取字数=1\r\n"  // before any section: belongs to none
                              u"\r\n"
                              u"# 另一种注释\r\n"
                              u"[上下文取字数配置]\r\n"
                              u"  ; 上下文上取字数=2\r\n"
                              u"没有等号的行\r\n"
                              u"=无名之值\r\n"
                              u"上下文上取字数=3\r\n"));
  EXPECT_EQ(s.number(kContextSection, kContextBeforeKey, 0), 3);
  EXPECT_EQ(s.text(kContextSection, u"", u"空"), u"空");
}

TEST(SettingsFile, FirstOfDuplicateKeysWinsAndNamesIgnoreAsciiCase) {
  SettingsFile s =
      SettingsFile::parse(gbk(u"[上下文取字数配置]\r\n上下文上取字数=10\r\n上下文上取字数=20\r\n"
                              u"[上下文取字数配置]\r\n上下文上取字数=30\r\n上下文下取字数=40\r\n"
                              u"[Display]\r\nWidth=5\r\n"));
  EXPECT_EQ(s.number(kContextSection, kContextBeforeKey, 0), 10);
  // A key found only in a repeated section is still found.
  EXPECT_EQ(s.number(kContextSection, kContextAfterKey, 0), 40);
  EXPECT_EQ(s.number(u"display", u"WIDTH", 0), 5);
}

TEST(SettingsFile, NumbersMustBeWholeDecimalNumbersWithinRange) {
  SettingsFile s = SettingsFile::parse(
      gbk(u"[数]\r\n"
          u"正=250\r\n负=-3\r\n加=+8\r\n字母=12ab\r\n小数=1.5\r\n空=\r\n汉字=一百\r\n"
          u"只有号=-\r\n大=2147483647\r\n太大=2147483648\r\n最小=-2147483648\r\n"
          u"全角=１００\r\n中间空=1 0\r\n"));
  EXPECT_EQ(s.number(u"数", u"正", 100), 250);
  EXPECT_EQ(s.number(u"数", u"负", 100), -3);
  EXPECT_EQ(s.number(u"数", u"加", 100), 8);
  for (std::u16string_view key :
       {u"字母", u"小数", u"空", u"汉字", u"只有号", u"太大", u"全角", u"中间空"}) {
    EXPECT_EQ(s.number(u"数", key, 100), 100) << utf16_to_utf8(key);
  }
  EXPECT_EQ(s.number(u"数", u"大", 0), 2147483647);
  EXPECT_EQ(s.number(u"数", u"最小", 0), -2147483647 - 1);
}

TEST(SettingsFile, OverlongValuesAreCutToTheByteLimitWithoutHalfCharacters) {
  // 5120 Chinese characters are 10240 bytes: the last one does not fit and is dropped whole.
  std::u16string chinese(5120, u'字');
  SettingsFile s = SettingsFile::parse(gbk(u"[节]\r\n长=" + chinese + u"\r\n后=1\r\n"));
  EXPECT_EQ(s.text(u"节", u"长", u""), std::u16string(5119, u'字'));
  EXPECT_EQ(s.number(u"节", u"后", 0), 1);

  // A shifted start: "a" then characters, so byte 10239 ends a character exactly.
  SettingsFile shifted = SettingsFile::parse(gbk(u"[节]\n长=a" + chinese + u"\n"));
  EXPECT_EQ(shifted.text(u"节", u"长", u""), std::u16string(u"a").append(5119, u'字'));

  // Digits beyond the limit are cut before the number is taken.
  std::string digits = "1" + std::string(kMaxSettingValueBytes + 5, '0');
  SettingsFile number = SettingsFile::parse("[n]\nk=" + digits + "\n");
  EXPECT_EQ(number.text(u"n", u"k", u"").size(), kMaxSettingValueBytes);
  EXPECT_EQ(number.number(u"n", u"k", 7), 7);
  std::string padded = std::string(kMaxSettingValueBytes - 2, '0') + "12345";
  EXPECT_EQ(SettingsFile::parse("[n]\nk=" + padded).number(u"n", u"k", 7), 12);
}

TEST(SettingsFile, Utf8WithByteOrderMarkIsReadToo) {
  std::string bytes =
      "\xEF\xBB\xBF" + utf16_to_utf8(u"[上下文取字数配置]\r\n上下文上取字数=66\r\n");
  SettingsFile s = SettingsFile::parse(bytes);
  EXPECT_EQ(s.number(kContextSection, kContextBeforeKey, 0), 66);
  // An overlong UTF-8 value is cut at a character start as well (3 bytes per character).
  std::string value = utf16_to_utf8(std::u16string(3414, u'字'));  // 10242 bytes
  SettingsFile long_value = SettingsFile::parse("\xEF\xBB\xBF[s]\nk=" + value);
  EXPECT_EQ(long_value.text(u"s", u"k", u""), std::u16string(3413, u'字'));
}

TEST(SettingsFile, GarbageBytesNeverBreakTheRestOfTheFile) {
  std::string bytes = std::string("\xFF\xFE\x80\x00\x81\r\n", 7) + gbk(u"[上下文取字数配置]\r\n") +
                      "\x81=\xFE\r\n" + gbk(u"上下文下取字数=55\r\n") +
                      "k=\xD1";  // truncated lead byte at the end
  SettingsFile s = SettingsFile::parse(bytes);
  EXPECT_EQ(s.number(kContextSection, kContextAfterKey, 0), 55);
  EXPECT_EQ(s.text(kContextSection, u"k", u""), u"\uFFFD");
  EXPECT_EQ(s.number(kContextSection, u"k", 3), 3);
}

TEST(SettingsFile, LoadsFromDiskAndContextLengthsRejectNegatives) {
  TempFolder dir;
  RunDirectory run(path_to_utf8(dir.path()));
  EXPECT_EQ(read_context_lengths(run).before, 100);
  EXPECT_EQ(read_context_lengths(run).after, 100);

  dir.write(fs::path("ini") / "sys.ini",
            gbk(u"[上下文取字数配置]\r\n上下文上取字数=-5\r\n上下文下取字数=0\r\n"));
  ContextLengths lengths = read_context_lengths(run);
  EXPECT_EQ(lengths.before, 100);
  EXPECT_EQ(lengths.after, 0);
}

}  // namespace
}  // namespace lantaro
