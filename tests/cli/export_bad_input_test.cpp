// Exporting results that hold odd characters (four-byte characters, replacement marks, NUL and
// other control characters, quotes) to odd targets: the bytes are exact, a target that cannot be
// written is reported as a failure, and nothing but the target is touched.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/export_command.h"
#include "engine/common/codepage.h"
#include "engine/export/text_export.h"
#include "support/export_fixtures.h"
#include "support/odd_names.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;
using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

std::map<std::string, std::string> listing(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    entries[path_to_utf8(entry.path().lexically_relative(root))] =
        entry.is_regular_file() ? read_bytes(entry.path()) : std::string("<dir>");
  return entries;
}

class ExportOddResults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(run / "corpus");
    write_bytes(run / "corpus/二进制.txt",
                std::string("\0\x01\xFF\n", 4) + encode_gbk(u"子曰\U00020BB7") + "\x90\x30");
    write_bytes(run / "corpus/引" LANTARO_NAME_QUOTE "号 （一）.txt", encode_gbk(u"甲子曰\r乙"));
    write_bytes(run / "corpus/空.txt", "");
  }
  int export_with(std::vector<std::string> args) {
    out.str({});
    err.str({});
    CliContext context{RunDirectory(path_to_utf8(run.path())), out, err, nullptr};
    return run_export_command(args, context);
  }

  TempFolder run;
  TempFolder files;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(ExportOddResults, OddCharactersAreWrittenExactlyInTheCorpusCodePage) {
  const std::string target =
      path_to_utf8(files / "结 果 " LANTARO_NAME_QUOTE "一" LANTARO_NAME_QUOTE "（全角）.txt");
  ASSERT_EQ(export_with({"--txt", target, "--keyword", "子曰", "--left", "3", "--right", "3"}), 0)
      << err.str();
  EXPECT_EQ(out.str(), "保存成功！\n");
  // The lone CR of the second document is a line break: the item stops there, and the saved
  // file has CR LF only between items.
  EXPECT_EQ(
      read_bytes(path_from_utf8(target)),
      encode_gbk(u"子曰\U00020BB7\uFFFD  （出处：二进制)\r\n甲子曰  （出处：引" LANTARO_NAME_QUOTE
                 "号 （一）)"));
  // The replacement mark stands where the cut-off character was; decoding the file gives the
  // items back unchanged.
  EXPECT_EQ(decode_gbk(read_bytes(path_from_utf8(target))),
            u"子曰\U00020BB7\uFFFD  （出处：二进制)\r\n甲子曰  （出处：引" LANTARO_NAME_QUOTE
            "号 （一）)");
}

TEST_F(ExportOddResults, ControlCharactersAndLoneSurrogatesNeverBreakTheFile) {
  const std::u16string text = std::u16string(u"a\0b\x01\x7F\r", 6) + char16_t(0xD800) + u"x" +
                              char16_t(0xDC00) + u"\n\U00010000";
  const std::string bytes = text_file_bytes(text);
  EXPECT_EQ(bytes, std::string("a\0b\x01\x7F\r\n", 7) + encode_gbk(u"\uFFFDx\uFFFD") + "\r\n" +
                       "\x90\x30\x81\x30");
  EXPECT_EQ(save_text_file(files / "控制.txt", text), Message::SaveSucceeded);
  EXPECT_EQ(read_bytes(files / "控制.txt"), bytes);
  // Sentences extracted from a binary document export the same way.
  ASSERT_EQ(export_with({"--txt", path_to_utf8(files / "句.txt"), "--extract", "all", "二进制"}), 0)
      << err.str();
  EXPECT_EQ(read_bytes(files / "句.txt"),
            std::string("\0\x01", 2) +
                encode_gbk(u"\uFFFD  （出处：二进制)\r\n子曰\U00020BB7\uFFFD0  （出处：二进制)"));
}

TEST_F(ExportOddResults, TargetsThatCannotBeWrittenFailAndTouchNothing) {
  write_bytes(files / "文件", "a file, not a folder");
  fs::create_directories(files / "目录.txt");
  write_bytes(files / "目录.txt/里面.txt", "keep");
  const auto files_before = listing(files.path());
  const auto run_before = listing(run.path());

  for (const std::string& target :
       {path_to_utf8(files / "文件/结果.txt"), path_to_utf8(files / "目录.txt"),
        path_to_utf8(files / "没有/结果.txt"),
        path_to_utf8(files / (std::string(300, 'x') + ".txt"))}) {
    EXPECT_EQ(export_with({"--txt", target, "--keyword", "子曰"}), 1) << target;
    EXPECT_EQ(err.str(), "保存失败！\n") << target;
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_EQ(save_text_file(files / "文件/结果.txt", u"子曰"), Message::SaveFailed);
  EXPECT_EQ(listing(files.path()), files_before);
  EXPECT_EQ(listing(run.path()), run_before);
}

TEST_F(ExportOddResults, EmptyResultsFromOddDocumentsAreRefusedNotWritten) {
  const std::string target = path_to_utf8(files / "结果.txt");
  EXPECT_EQ(export_with({"--txt", target, "--keyword", "没有的词", "空", "二进制"}), 1);
  EXPECT_EQ(err.str(), "当前没有搜索结果可供提取！\n");  // the text export's own wording
  EXPECT_FALSE(fs::exists(files / "结果.txt"));
}

}  // namespace
}  // namespace lantaro
