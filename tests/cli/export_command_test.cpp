#include "cli/export_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/common/codepage.h"
#include "support/export_fixtures.h"

namespace lantaro {
namespace {

using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

// A run directory with a two-document library written in GBK.
class ExportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(run / "corpus/经部");
    write_bytes(run / "corpus/经部/论语.txt",
                encode_gbk(u"子曰：“学而时习之，不亦说乎？”\r\n有子曰：孝弟也者。"));
    write_bytes(run / "corpus/经部/孟子.txt", encode_gbk(u"孟子见梁惠王。王曰：“叟！”"));
  }
  int export_with(std::vector<std::string> args) {
    out.str({});
    err.str({});
    CliContext context{RunDirectory(path_to_utf8(run.path())), out, err, nullptr};
    return run_export_command(args, context);
  }
  std::string target(const std::string& name) { return path_to_utf8(files / name); }

  TempFolder run;
  TempFolder files;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(ExportCommand, TextFileHoldsTheSearchItemsInTheCorpusCodePage) {
  ASSERT_EQ(
      export_with({"--txt", target("结果.txt"), "--keyword", "曰", "--left", "2", "--right", "3"}),
      0)
      << err.str();
  EXPECT_EQ(out.str(), "保存成功！\n");
  EXPECT_EQ(read_bytes(files / "结果.txt"), encode_gbk(u"。王曰：“叟  （出处：孟子)\r\n"
                                                       u"子曰：“学  （出处：论语)\r\n"
                                                       u"有子曰：孝弟  （出处：论语)"));
}

TEST_F(ExportCommand, WorkbookHoldsItemsAndHitGridAndReplacesTheFile) {
  if (!testing::python_available()) GTEST_SKIP() << "python3 is needed to read the workbook";
  write_bytes(files / "结果.xlsx", "old");
  ASSERT_EQ(export_with(
                {"--xlsx", target("结果.xlsx"), "--keyword", "曰", "--left", "2", "--right", "3"}),
            0)
      << err.str();
  EXPECT_EQ(out.str(), "保存成功！\n");
  auto book = testing::read_workbook(files / "结果.xlsx");
  ASSERT_TRUE(book.ok) << book.error;
  EXPECT_EQ(book.sheets, (std::vector<std::string>{"检索结果", "命中统计"}));
  // Documents in tree order: 孟子 before 论语.
  EXPECT_EQ(book.cells[0].at("B4").value, "有子");
  EXPECT_EQ(book.cells[0].at("C4").value, "曰");
  EXPECT_EQ(book.cells[0].at("D4").value, "：孝弟");
  EXPECT_EQ(book.cells[0].at("E2").value, "孟子");
  EXPECT_EQ(book.cells[0].at("E4").value, "论语");
  EXPECT_EQ(book.cells[1].at("B2").value, "孟子");
  EXPECT_EQ(book.cells[1].at("C2").value, "1");
  EXPECT_EQ(book.cells[1].at("B3").value, "论语");
  EXPECT_EQ(book.cells[1].at("C3").value, "2");
  EXPECT_EQ(files.names(), std::vector<std::string>{"结果.xlsx"});
}

TEST_F(ExportCommand, ExtractedSentencesAfterASearchOrFromNamedDocuments) {
  ASSERT_EQ(export_with({"--txt", target("a.txt"), "--extract", "dialogue", "--keyword", "王曰"}),
            0)
      << err.str();
  EXPECT_EQ(read_bytes(files / "a.txt"), encode_gbk(u"“叟！”  （出处：孟子)"));

  ASSERT_EQ(export_with(
                {"--txt", target("b.txt"), "--extract", "dialogue", "--threads", "1", "经部/论语"}),
            0)
      << err.str();
  EXPECT_EQ(read_bytes(files / "b.txt"), encode_gbk(u"“学而时习之，不亦说乎？”  （出处：论语)"));
}

TEST_F(ExportCommand, RefusalsAndFailuresLeaveFilesAlone) {
  write_bytes(files / "keep.txt", "old");
  EXPECT_EQ(export_with({"--txt", target("keep.txt"), "--keyword", "无此词"}), 1);
  EXPECT_EQ(err.str(), "当前没有搜索结果可供提取！\n");
  EXPECT_EQ(export_with({"--xlsx", target("keep.txt"), "--keyword", "无此词"}), 1);
  EXPECT_EQ(err.str(), "当前没有搜索结果供导出！\n");
  EXPECT_EQ(read_bytes(files / "keep.txt"), "old");

  EXPECT_EQ(export_with({"--txt", target("无此目录/a.txt"), "--keyword", "曰"}), 1);
  EXPECT_EQ(err.str(), "保存失败！\n");
  EXPECT_EQ(export_with({"--xlsx", target("无此目录/a.xlsx"), "--keyword", "曰"}), 1);
  EXPECT_EQ(err.str(), "保存失败！\n");
  EXPECT_TRUE(out.str().empty());

  EXPECT_EQ(export_with({"--keyword", "曰"}), 2);
  EXPECT_EQ(export_with({"--txt", target("a.txt"), "--xlsx", target("a.xlsx"), "--keyword", "曰"}),
            2);
  EXPECT_EQ(export_with({"--txt", target("a.txt"), "--extract", "poems", "--keyword", "曰"}), 2);
  EXPECT_EQ(export_with({"--txt", target("a.txt"), "--threads", "2", "--keyword", "曰"}), 2);
  EXPECT_EQ(files.names(), std::vector<std::string>{"keep.txt"});
}

}  // namespace
}  // namespace lantaro
