#include "engine/export/text_export.h"

#include <gtest/gtest.h>

#include "engine/export/replacing_file.h"
#include "support/export_fixtures.h"

namespace lantaro {
namespace {

using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

TEST(ResultText, ItemsAsTheListShowsThemJoinedByCrLf) {
  EXPECT_EQ(result_text(testing::sample_search_results()),
            u"学而时习之。子曰：不亦说乎？  （出处：论语)\r\n"
            u"子曰：温故而知新。  （出处：论语)\r\n"
            u"孟子见梁惠王。王曰：叟不远千里而来。  （出处：孟子)");
  ResultList one = testing::sample_sentences();
  one.items.resize(1);
  EXPECT_EQ(result_text(one), u"“王侯将相宁有种乎！”  （出处：史记)");
  EXPECT_EQ(result_text(ResultList{}), u"");
}

TEST(TextFileBytes, CorpusCodePageWithCrLfAndNoByteOrderMark) {
  // 中文 in GBK, then every kind of line break, then characters GBK lacks but GB18030 keeps.
  EXPECT_EQ(text_file_bytes(u"中文\n中\r\n文\r€\U00020BB7😀"),
            "\xD6\xD0\xCE\xC4\r\n\xD6\xD0\r\n\xCE\xC4\r\n\xA2\xE3\x95\x34\xB2\x35\x94\x39\xFC\x36");
  EXPECT_EQ(text_file_bytes(u"\n\n"), "\r\n\r\n");
  EXPECT_EQ(text_file_bytes(u"\r\r\n"), "\r\n\r\n");  // a lone CR, then a pair
  EXPECT_EQ(text_file_bytes(u"a\r"), "a\r\n");
  EXPECT_EQ(text_file_bytes(u""), "");
}

TEST(SaveTextFile, WritesExactlyTheBytesAndReplacesAnEarlierFile) {
  TempFolder folder;
  auto target = folder / "结果.txt";
  write_bytes(target, "old content that is longer than the new one");
  std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
  // What the system made of them (Windows keeps only whether the file is read-only).
  const auto given = std::filesystem::status(target).permissions();
  ASSERT_EQ(save_text_file(target, u"中文\n文"), Message::SaveSucceeded);
  EXPECT_EQ(read_bytes(target), "\xD6\xD0\xCE\xC4\r\n\xCE\xC4");
  // The replaced file keeps the permissions the user gave it, and no temporary file stays.
  EXPECT_EQ(std::filesystem::status(target).permissions(), given);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"结果.txt"});
}

TEST(SaveTextFile, FailureLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  const std::string old = "\xD6\xD0 old";

  // A file marked read-only is never replaced (root ignores the mark, so the check must not).
  auto locked = folder / "只读.txt";
  write_bytes(locked, old);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_EQ(save_text_file(locked, u"新"), Message::SaveFailed);
  EXPECT_EQ(read_bytes(locked), old);

  // A folder that does not exist, a "folder" that is a file, and a target that is a folder.
  EXPECT_EQ(save_text_file(folder / "无此目录/结果.txt", u"新"), Message::SaveFailed);
  auto plain = folder / "文件";
  write_bytes(plain, old);
  EXPECT_EQ(save_text_file(plain / u8"结果.txt", u"新"), Message::SaveFailed);
  std::filesystem::create_directory(folder / "目录.txt");
  EXPECT_EQ(save_text_file(folder / "目录.txt", u"新"), Message::SaveFailed);
  EXPECT_TRUE(std::filesystem::is_directory(folder / "目录.txt"));

  EXPECT_EQ(read_bytes(plain), old);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"只读.txt", "文件", "目录.txt"}));
}

TEST(SaveTextFile, ALinkIsFollowedNotReplaced) {
  TempFolder folder;
  auto real = folder / "real.txt";
  auto link = folder / "link.txt";
  write_bytes(real, "old");
  std::error_code ec;
  std::filesystem::create_symlink(real, link, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here";
  ASSERT_EQ(save_text_file(link, u"新"), Message::SaveSucceeded);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(read_bytes(real), "\xD0\xC2");
}

TEST(ReplacingFile, NothingChangesUntilCommitAndDiscardCleansUp) {
  TempFolder folder;
  auto target = folder / "a.txt";
  write_bytes(target, "old");
  {
    ReplacingFile file(target);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(file.write("new"));
    EXPECT_EQ(read_bytes(target), "old");
    EXPECT_EQ(folder.names().size(), 2u);  // the temporary file sits beside the target
    EXPECT_EQ(file.temporary_path().parent_path(), target.parent_path());
  }  // abandoned: as if the program failed before finishing
  EXPECT_EQ(read_bytes(target), "old");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"a.txt"});

  ReplacingFile file(target);
  ASSERT_TRUE(file.write("new"));
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(read_bytes(target), "new");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"a.txt"});
}

TEST(UnusedFileName, NeverNamesAnExistingFile) {
  TempFolder folder;
  EXPECT_EQ(unused_file_name(folder.path(), u"表", u".xlsx"), folder / "表.xlsx");
  write_bytes(folder / "表.xlsx", "x");
  write_bytes(folder / "表-2.xlsx", "x");
  EXPECT_EQ(unused_file_name(folder.path(), u"表", u".xlsx"), folder / "表-3.xlsx");
}

}  // namespace
}  // namespace lantaro
