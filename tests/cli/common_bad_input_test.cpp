// ini/sys.ini as users and accidents leave it, read from disk through `lantaro-cli settings`:
// whatever the file holds, the command answers with usable lengths and never changes the file.
// Also the document decoder on the smallest and strangest inputs.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/settings_command.h"
#include "engine/common/codepage.h"
#include "engine/common/settings_file.h"
#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

const std::string kDefaults = "上下文上取字数=100\n上下文下取字数=100\n";

class BadSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_ / "ini"); }
  fs::path ini() const { return root_ / "ini" / "sys.ini"; }
  void write(std::string_view bytes) const {
    std::ofstream(ini(), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string read() const {
    std::ifstream in(ini(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The command's output; the file must be exactly as it was afterwards.
  std::string settings() {
    const std::string before = fs::is_regular_file(ini()) ? read() : std::string();
    std::ostringstream out, err;
    CliContext context{RunDirectory(path_to_utf8(root_)), out, err, nullptr};
    EXPECT_EQ(run_settings_command({}, context), 0);
    EXPECT_EQ(err.str(), "");
    if (fs::is_regular_file(ini())) {
      EXPECT_EQ(read(), before);
    }
    return out.str();
  }
  static std::string section(std::u16string_view body) {
    return encode_gbk(u"[上下文取字数配置]\r\n" + std::u16string(body));
  }

  testing::TempFolder temp_;
  const fs::path root_ = temp_.path();
};

TEST_F(BadSettingsFile, GarbageEmptyAndBinaryFilesGiveTheDefaults) {
  write("");
  EXPECT_EQ(settings(), kDefaults);
  write("\xEF\xBB\xBF");
  EXPECT_EQ(settings(), kDefaults);
  std::mt19937 random(3);
  std::string junk(64 * 1024, '\0');
  for (char& c : junk) c = static_cast<char>(random() & 0xFF);
  write(junk);
  EXPECT_EQ(settings(), kDefaults);
  // Junk around the section, NUL bytes and a lone lead byte inside it: the good lines still count.
  write(junk + "\n" + section(u"上下文上取字数=7\r\n") + std::string("\0\xD7\n", 3) +
        encode_gbk(u"上下文下取字数=8\r\n") + junk);
  EXPECT_EQ(settings(), "上下文上取字数=7\n上下文下取字数=8\n");
  write(section(u"上下文上取字数=7\r\n上下文下取字数"));  // cut off before its '='
  EXPECT_EQ(settings(), "上下文上取字数=7\n上下文下取字数=100\n");
}

TEST_F(BadSettingsFile, HugeValuesAndHugeFilesStayUsable) {
  write(section(u"上下文上取字数=99999999999999999999999\r\n上下文下取字数=2147483647\r\n"));
  EXPECT_EQ(settings(), "上下文上取字数=100\n上下文下取字数=2147483647\n");
  write(section(u"上下文上取字数=2147483648\r\n上下文下取字数=-2147483648\r\n"));
  EXPECT_EQ(settings(), kDefaults);
  // A value of a million digits is cut to the reader's limit, which is no longer a valid count
  // of anything sensible, so the default stands.
  write(section(u"上下文上取字数=" + std::u16string(1000000, u'9') + u"\r\n上下文下取字数=5\r\n"));
  EXPECT_EQ(settings(), "上下文上取字数=100\n上下文下取字数=5\n");
  // A file of 20 MB with the section at its end.
  std::string big;
  big.reserve(21u << 20);
  while (big.size() < (20u << 20)) big += "[其他]\r\nkey=" + std::string(100, 'x') + "\r\n";
  write(big + section(u"上下文上取字数=12\r\n上下文下取字数=34\r\n"));
  EXPECT_EQ(settings(), "上下文上取字数=12\n上下文下取字数=34\n");
}

TEST_F(BadSettingsFile, DuplicateKeysAndSectionsTakeTheFirstValue) {
  write(section(u"上下文上取字数=1\r\n上下文上取字数=2\r\n") +
        section(u"上下文上取字数=3\r\n上下文下取字数=4\r\n上下文下取字数=5\r\n"));
  EXPECT_EQ(settings(), "上下文上取字数=1\n上下文下取字数=4\n");
  // An unusable first value is not replaced by a later one: the default stands, as it would for
  // the profile reader that only ever sees the first.
  write(section(u"上下文上取字数=多\r\n上下文上取字数=9\r\n"));
  EXPECT_EQ(settings(), kDefaults);
}

TEST_F(BadSettingsFile, Utf8WithByteOrderMarkAndGbkAfterAMarkAreBothSafe) {
  write("\xEF\xBB\xBF" +
        utf16_to_utf8(u"[上下文取字数配置]\n上下文上取字数=11\n上下文下取字数=22\n"));
  EXPECT_EQ(settings(), "上下文上取字数=11\n上下文下取字数=22\n");
  // UTF-8 without a mark is recognised as well.
  write(utf16_to_utf8(u"[上下文取字数配置]\n上下文上取字数=13\n"));
  EXPECT_EQ(settings(), "上下文上取字数=13\n上下文下取字数=100\n");
  // A mark in front of GBK bytes: the names do not match, nothing is misread as a number.
  write("\xEF\xBB\xBF" + section(u"上下文上取字数=11\r\n"));
  EXPECT_EQ(settings(), kDefaults);
}

TEST_F(BadSettingsFile, SettingsPathThatIsNoFileGivesTheDefaults) {
  fs::create_directory(ini());
  EXPECT_EQ(settings(), kDefaults);
  fs::remove(ini());
  // Where no link can be made (Wine; Windows without the right), the name stays absent,
  // which every check below also allows.
  std::error_code link_error;
  fs::create_symlink(root_ / "ini" / u8"没有.ini", ini(), link_error);
  EXPECT_EQ(settings(), kDefaults);
  fs::remove(ini());
  fs::remove(root_ / "ini");
  std::ofstream(root_ / "ini", std::ios::binary) << "a file where the folder should be";
  EXPECT_EQ(settings(), kDefaults);
}

TEST(BadDocumentBytes, SmallestAndOddInputsDecodeSafely) {
  EXPECT_EQ(decode_document(""), u"");
  EXPECT_EQ(decode_document("a"), u"a");
  EXPECT_EQ(decode_document("\xD7"), u"\uFFFD");
  EXPECT_EQ(decode_document("\xEF\xBB\xBF"), u"");  // only a mark: an empty UTF-8 text
  EXPECT_EQ(decode_document("\xEF\xBB"), u"锘");    // half a mark is just a GBK character
  EXPECT_EQ(decode_document(std::string("\0\0", 2)), std::u16string(2, u'\0'));
  // UTF-8 cut inside its last character is not valid UTF-8, so the whole file is GBK; with a
  // mark it stays UTF-8 and only the cut character is replaced.
  EXPECT_EQ(decode_document("\xEF\xBB\xBF"
                            "\xE5\xAD\x90\xE6\x9B"),
            u"子\uFFFD");
  // Four-byte GB18030 characters of both planes and a truncated one.
  EXPECT_EQ(decode_document("\x81\x30\x81\x30\x90\x30\x81\x30"), u"\u0080\U00010000");
  std::u16string truncated = decode_document(encode_gbk(u"子曰") + "\x95\x32\x82");
  EXPECT_EQ(truncated.substr(0, 2), u"子曰");
  EXPECT_EQ(truncated.back(), u'\uFFFD');
}

}  // namespace
}  // namespace lantaro
