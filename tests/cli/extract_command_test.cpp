#include "cli/extract_command.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

// A run directory in a temporary folder with a small GBK library.
class ExtractCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write("经部/论语.txt", u"子曰：“学而时习之，不亦说乎？”\r\n有朋自远方来，不亦乐乎？");
    write("经部/孟子.txt", u"孟子见梁惠王。王曰：“叟！不远千里而来。”\r\n");
    write("诗词/静夜思.txt", u"床前明月光，疑是地上霜。\n举头望明月，低头思故乡。");
  }

  void write(std::string_view relative, std::u16string_view text) {
    const fs::path path = root_ / "corpus" / path_from_utf8(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    const std::string bytes = encode_gbk(text);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  int run(std::vector<std::string> args) {
    out_.str({});
    err_.str({});
    CliContext context{RunDirectory(path_to_utf8(root_)), out_, err_, nullptr};
    return run_extract_command(args, context);
  }

  testing::TempFolder temp_;
  const fs::path root_ = temp_.path();
  std::ostringstream out_, err_;
};

TEST_F(ExtractCommandTest, WithoutKeywordExtractsTheNamedDocumentsInTreeOrder) {
  EXPECT_EQ(run({"--mode", "dialogue", "经部"}), 0);
  EXPECT_EQ(out_.str(),
            "“叟！不远千里而来。”  （出处：孟子)\n"
            "“学而时习之，不亦说乎？”  （出处：论语)\n"
            "共提取到对话语句2\n");
  EXPECT_EQ(err_.str(), "");

  EXPECT_EQ(run({"--mode", "narrative", "经部/论语"}), 0);
  EXPECT_EQ(out_.str(),
            "子曰：  （出处：论语)\n"
            "有朋自远方来，不亦乐乎？  （出处：论语)\n"
            "共提取到叙述语句2\n");

  // No PATH: the whole library.
  EXPECT_EQ(run({"--mode", "all", "--threads", "1"}), 0);
  EXPECT_NE(out_.str().find("低头思故乡。  （出处：静夜思)\n共提取到语句9\n"), std::string::npos)
      << out_.str();
}

TEST_F(ExtractCommandTest, WithKeywordExtractsOnlyTheDocumentsWithHits) {
  EXPECT_EQ(run({"--mode", "all", "--keyword", "明月"}), 0);
  EXPECT_EQ(out_.str(),
            "床前明月光，疑是地上霜。  （出处：静夜思)\n"
            "举头望明月，低头思故乡。  （出处：静夜思)\n"
            "共提取到语句2\n");
  // The search's combination mode has its own option name here.
  EXPECT_EQ(run({"--mode", "dialogue", "--keyword", "子 习", "--search-mode", "第二词在字符数范围",
                 "--n", "10"}),
            0);
  EXPECT_EQ(out_.str(), "“学而时习之，不亦说乎？”  （出处：论语)\n共提取到对话语句1\n");
}

TEST_F(ExtractCommandTest, SearchWithoutHitsIsRefusedWithTheExtractionMessage) {
  EXPECT_EQ(run({"--mode", "all", "--keyword", "不存在的词"}), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), "当前没有搜索结果可供提取！\n");
  // The search's own refusals come through unchanged.
  EXPECT_EQ(run({"--mode", "all", "--keyword", "  "}), 1);
  EXPECT_EQ(err_.str(), "请输入检索关键词！\n");
}

TEST_F(ExtractCommandTest, JsonHasItemsWithDocumentAndListTextAndTheReport) {
  EXPECT_EQ(run({"--json", "--mode", "dialogue", "--threads", "3"}), 0);
  EXPECT_EQ(
      out_.str(),
      "{\"items\":[\n"
      "{\"document\":\"经部/孟子.txt\",\"text\":\"“叟！不远千里而来。”  （出处：孟子)\"},\n"
      "{\"document\":\"经部/论语.txt\",\"text\":\"“学而时习之，不亦说乎？”  （出处：论语)\"}],\n"
      "\"report\":\"共提取到对话语句2\"}\n");
  EXPECT_EQ(run({"--json", "--mode", "dialogue", "诗词"}), 0);
  EXPECT_EQ(out_.str(), "{\"items\":[],\n\"report\":\"共提取到对话语句0\"}\n");
}

TEST_F(ExtractCommandTest, ThreadCountsGiveTheSameOutput) {
  ASSERT_EQ(run({"--mode", "all", "--threads", "1"}), 0);
  const std::string single = out_.str();
  for (const char* n : {"2", "4", "16"}) {
    ASSERT_EQ(run({"--mode", "all", "--threads", n}), 0);
    EXPECT_EQ(out_.str(), single) << n;
  }
}

TEST_F(ExtractCommandTest, BadArgumentsAreRefusedWithExitCodeTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"--mode", "sentences"},
           {"--mode", "all", "--threads", "0"},
           {"--mode", "all", "--threads", "two"},
           {"--mode", "all", "--threads", "-1"},
           {"--mode", "all", "--n", "3"},
           {"--mode", "all", "--unknown"},
           {"--mode", "all", "没有这个目录"},
       }) {
    EXPECT_EQ(run(args), 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(out_.str(), "");
    EXPECT_NE(err_.str(), "");
  }
}

TEST_F(ExtractCommandTest, UnreadableDocumentsAreNamedAndTheRestExtracted) {
  const fs::path locked = root_ / "corpus" / path_from_utf8("经部/论语.txt");
  fs::permissions(locked, fs::perms::none);
  {
    std::ifstream probe(locked);
    if (probe.good()) GTEST_SKIP() << "running with rights that read any file";
  }
  EXPECT_EQ(run({"--mode", "dialogue", "经部"}), 1);
  EXPECT_EQ(out_.str(), "“叟！不远千里而来。”  （出处：孟子)\n共提取到对话语句1\n");
  EXPECT_NE(err_.str().find("论语"), std::string::npos);
  fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace lantaro
