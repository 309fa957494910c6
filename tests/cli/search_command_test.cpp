#include "cli/search_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/common/messages.h"
#include "support/test_support.h"

namespace lantaro {
namespace {

using testing::TempFolder;
using testing::write_bytes;

// A run directory with a small library written in GBK.
class SearchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write("经部/论语.txt", u"子曰：“学而时习之，不亦说乎？”\r\n有朋自远方来，不亦乐乎？");
    write("经部/孟子.txt", u"孟子见梁惠王。\r\n王曰：“叟不远千里而来。”");
    write("诗词/静夜思.txt", u"床前明月光，疑是地上霜。");
    std::filesystem::create_directories(root_ / "corpus/空目录");
  }

  void write(std::string_view relative, std::u16string_view text) {
    write_bytes(root_ / ("corpus/" + std::string(relative)), encode_gbk(text));
  }

  int run(std::vector<std::string> args) {
    out_.str({});
    err_.str({});
    CliContext context{RunDirectory(path_to_utf8(root_.path())), out_, err_, nullptr};
    return run_search_command(args, context);
  }

  TempFolder root_;
  std::ostringstream out_, err_;
};

TEST_F(SearchCommandTest, TextOutputHasItemsGridAndSummary) {
  EXPECT_EQ(run({"--keyword", "不亦", "--left", "2", "--right", "1"}), 0);
  EXPECT_EQ(out_.str(),
            "之，不亦说  （出处：论语)\n"
            "来，不亦乐  （出处：论语)\n"
            "\n"
            "序号\t文献\t命中次数\n"
            "1\t论语\t2\n"
            "符合条件的语句数量为2，共搜索了3部文献，1部文献被命中\n"
            "命中文献总数为1，总计命中次数为2\n");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(SearchCommandTest, JsonOutputIsExact) {
  EXPECT_EQ(run({"--json", "--keyword=曰 “", "--n", "1", "--left", "0", "--right", "0", "经部"}),
            0);
  EXPECT_EQ(out_.str(),
            "{\"items\":[\n"
            "{\"document\":\"经部/孟子.txt\",\"start\":10,\"length\":3,"
            "\"text\":\"曰：“  （出处：孟子)\"},\n"
            "{\"document\":\"经部/论语.txt\",\"start\":1,\"length\":3,"
            "\"text\":\"曰：“  （出处：论语)\"}],\n"
            "\"documents\":[\n"
            "{\"document\":\"经部/孟子.txt\",\"name\":\"孟子\",\"hits\":1},\n"
            "{\"document\":\"经部/论语.txt\",\"name\":\"论语\",\"hits\":1}],\n"
            "\"searched\":2,\"hit_documents\":2,\"hits\":2,\n"
            "\"summary\":[\"符合条件的语句数量为2，共搜索了2部文献，2部文献被命中\","
            "\"命中文献总数为2，总计命中次数为2\"]}\n");
}

TEST_F(SearchCommandTest, PathsNameDocumentsWithOrWithoutExtensionAndDirectories) {
  EXPECT_EQ(run({"--keyword", "不", "诗词/静夜思", "经部/论语.txt"}), 0);
  EXPECT_NE(out_.str().find("共搜索了2部文献"), std::string::npos);
  EXPECT_EQ(run({"--keyword", "不", "/"}), 0);
  EXPECT_NE(out_.str().find("共搜索了3部文献"), std::string::npos);
  // The same document twice is searched once.
  EXPECT_EQ(run({"--keyword", "不", "经部", "经部/论语"}), 0);
  EXPECT_NE(out_.str().find("共搜索了2部文献"), std::string::npos);
}

TEST_F(SearchCommandTest, ChecksComeInOrderWithTheirMessages) {
  // Directories without documents, even with a bad keyword and bad numbers.
  EXPECT_EQ(run({"--keyword", " ", "--n", "x", "空目录"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::NoDocumentTicked)) + "\n");
  EXPECT_EQ(out_.str(), "");
  // Then the keyword, before the numbers.
  EXPECT_EQ(run({"--keyword", "\u3000 ", "--left", "x"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::EnterKeyword)) + "\n");
  EXPECT_EQ(run({"--left", "x"}), 1);  // no --keyword at all is an empty keyword
  EXPECT_EQ(err_.str(), std::string(message_text(Message::EnterKeyword)) + "\n");
  // Then the numbers; N counts only for two keywords.
  EXPECT_EQ(run({"--keyword", "学 时", "--n", "100001"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::CountOutOfRange)) + "\n");
  EXPECT_EQ(run({"--keyword", "学", "--n", "100001"}), 0);
  EXPECT_EQ(run({"--keyword", "学", "--right", "-1"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::CountOutOfRange)) + "\n");
}

TEST_F(SearchCommandTest, AnEmptyLibraryHasNothingToSearch) {
  std::filesystem::remove_all(root_ / "corpus/经部");
  std::filesystem::remove_all(root_ / "corpus/诗词");
  std::filesystem::remove_all(root_ / "corpus/空目录");
  EXPECT_EQ(run({"--keyword", "学"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::NothingTicked)) + "\n");
  std::filesystem::remove_all(root_ / "corpus");
  EXPECT_EQ(run({"--keyword", "学"}), 1);
  EXPECT_EQ(err_.str(), std::string(message_text(Message::NothingTicked)) + "\n");
}

TEST_F(SearchCommandTest, BadArgumentsAndUnknownPathsExitWithTwo) {
  EXPECT_EQ(run({"--keyword", "学", "没有/这个"}), 2);
  EXPECT_NE(err_.str().find("没有/这个"), std::string::npos);
  EXPECT_EQ(run({"--keyword", "学", "--colour", "red"}), 2);
  EXPECT_EQ(run({"--keyword"}), 2);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(SearchCommandTest, ModeTextChoosesTheCombination) {
  EXPECT_EQ(run({"--json", "--keyword", "子 学", "--mode", "第二词在字符数范围", "--n", "5"}), 0);
  EXPECT_NE(out_.str().find("\"hits\":1,"), std::string::npos);
  // u8"子曰：“学": 学 is 3 characters after 子, so the exact gap 3 finds it and 2 does not.
  EXPECT_EQ(run({"--json", "--keyword", "子 学", "--n", "3"}), 0);
  EXPECT_NE(out_.str().find("\"hits\":1,"), std::string::npos);
  EXPECT_EQ(run({"--json", "--keyword", "子 学", "--n", "2", "--mode", "别的"}), 0);
  EXPECT_NE(out_.str().find("\"hits\":0,"), std::string::npos);
}

TEST_F(SearchCommandTest, SortOptionOrdersTheItems) {
  // Right contexts 说 (U+8BF4) and 乐 (U+4E50); left contexts read backwards "，之" < "，来".
  EXPECT_EQ(run({"--keyword", "不亦", "--left", "2", "--right", "1", "--sort", "right"}), 0);
  EXPECT_EQ(out_.str().substr(0, out_.str().find("\n\n")),
            "来，不亦乐  （出处：论语)\n之，不亦说  （出处：论语)");
  EXPECT_EQ(run({"--keyword", "不亦", "--left", "2", "--right", "1", "--sort", "left"}), 0);
  EXPECT_EQ(out_.str().substr(0, out_.str().find("\n\n")),
            "之，不亦说  （出处：论语)\n来，不亦乐  （出处：论语)");
  EXPECT_EQ(run({"--keyword", "不亦", "--sort", "middle"}), 2);
  EXPECT_NE(err_.str().find("--sort"), std::string::npos);
}

// A library unpacked from a zip made on Chinese Windows: names in GBK bytes on disk.
TEST_F(SearchCommandTest, NamesInGbkBytesAreShownAndAcceptedDecoded) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps names in UTF-16: no name is stored in GBK bytes there";
#endif
  const std::filesystem::path folder =
      root_.path() / "corpus" / std::filesystem::path(encode_gbk(u"古书"));
  write_bytes(folder / std::filesystem::path(encode_gbk(u"论衡.txt")), encode_gbk(u"问孔刺孟。"));
  EXPECT_EQ(run({"--json", "--keyword", "刺", "古书/论衡"}), 0);
  EXPECT_NE(out_.str().find("\"document\":\"古书/论衡.txt\""), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("（出处：论衡)"), std::string::npos);
  EXPECT_EQ(err_.str(), "");
}

TEST(JsonString, EscapesWhatJsonRequires) {
  EXPECT_EQ(json_string(u"a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(json_string(u"\r\n\t\x01\x1f"), "\"\\r\\n\\t\\u0001\\u001f\"");
  EXPECT_EQ(json_string(u"学/\U00020000"), "\"学/\U00020000\"");
  EXPECT_EQ(json_string(std::u16string(1, char16_t(0xD800))), "\"\uFFFD\"");
  EXPECT_EQ(json_string(std::string_view("论语")), "\"论语\"");
}

}  // namespace
}  // namespace lantaro
