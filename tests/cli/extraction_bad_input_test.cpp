// Sentence extraction from texts no one would write on purpose: empty, binary, cut off, full of
// four-byte characters, or one line of 50 MB; and `lantaro-cli extract` over such a library.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/extract_command.h"
#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/extraction/extractor.h"
#include "support/odd_names.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

Document document_named(std::u16string name) {
  Document d;
  d.display_name = name;
  d.relative_path = utf16_to_utf8(name) + ".txt";
  return d;
}

std::vector<std::u16string> items_of(const ExtractionResult& result) {
  std::vector<std::u16string> items;
  for (std::size_t i = 0; i < result.list.size(); ++i) items.push_back(result.list.item_text(i));
  return items;
}

ExtractionResult extract_text(std::u16string text, ExtractionMode mode, unsigned threads = 1) {
  ExtractionOptions options;
  options.threads = threads;
  return extract_sentences({document_named(u"文")},
                           {std::make_shared<const std::u16string>(std::move(text))}, mode,
                           options);
}

TEST(ExtractOddText, EmptyAndMarkOnlyTextsGiveNoItems) {
  for (ExtractionMode mode :
       {ExtractionMode::Dialogue, ExtractionMode::Narrative, ExtractionMode::AllSentences}) {
    EXPECT_TRUE(extract_text(u"", mode).list.empty());
    EXPECT_TRUE(extract_text(u"\r\n\n\r", mode).list.empty());
    EXPECT_TRUE(extract_text(u" \u3000\t", mode).list.empty());
  }
  // A missing text (a document that could not be read) counts as empty.
  ExtractionResult none =
      extract_sentences({document_named(u"缺")}, {nullptr}, ExtractionMode::AllSentences);
  EXPECT_TRUE(none.list.empty());
  EXPECT_EQ(none.report, u"共提取到语句0");
}

TEST(ExtractOddText, BinaryAndDamagedTextsAreCutOnWholeCharacters) {
  // NUL and other control characters are text like any other; replacement marks too.
  const std::u16string binary(u"\0\x01\uFFFD。\uFFFD“\0\0”\x7F", 10);
  EXPECT_EQ(
      items_of(extract_text(binary, ExtractionMode::AllSentences)),
      (std::vector<std::u16string>{std::u16string(u"\0\x01\uFFFD。", 4) + u"  （出处：文)",
                                   std::u16string(u"\uFFFD“\0\0”\x7F", 6) + u"  （出处：文)"}));
  // A quotation opened in text that was cut off runs to the end of the text.
  EXPECT_EQ(items_of(extract_text(u"子曰：“学而\uFFFD", ExtractionMode::Dialogue)),
            (std::vector<std::u16string>{u"“学而\uFFFD  （出处：文)"}));
  // Four-byte characters (surrogate pairs) stay whole at every cut.
  EXPECT_EQ(
      items_of(extract_text(u"\U00020BB7。“\U00010000”\U00020BB7", ExtractionMode::Narrative)),
      (std::vector<std::u16string>{u"\U00020BB7。  （出处：文)", u"\U00020BB7  （出处：文)"}));
}

TEST(ExtractOddText, OneFiftyMegabyteLineGivesTheSameItemsOnOneOrManyThreads) {
  const std::u16string sentence =
      u"天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳。";
  const std::size_t characters = 25u * 1024 * 1024;  // 50 MB in GBK
  std::u16string text;
  text.reserve(characters + 64);
  while (text.size() < characters / 2) text += sentence;
  const std::size_t quote = text.size();
  text += u"子曰：“学而时习之”";
  while (text.size() < characters) text += sentence;
  const std::size_t sentences = (text.size() - 10) / sentence.size();

  auto shared = std::make_shared<const std::u16string>(std::move(text));
  ExtractionOptions one, many;
  one.threads = 1;
  many.threads = 2;
  ExtractionResult dialogue =
      extract_sentences({document_named(u"长行")}, {shared}, ExtractionMode::Dialogue, one);
  ASSERT_EQ(dialogue.list.size(), 1u);
  EXPECT_EQ(dialogue.list.items[0].start, quote + 3);
  EXPECT_EQ(dialogue.list.item_text(0), u"“学而时习之”  （出处：长行)");

  ExtractionResult single =
      extract_sentences({document_named(u"长行")}, {shared}, ExtractionMode::AllSentences, one);
  ExtractionResult parallel =
      extract_sentences({document_named(u"长行")}, {shared}, ExtractionMode::AllSentences, many);
  // Every filler sentence and "子曰：" (the quotation has no end mark of its own, so it runs
  // into the filler sentence after it).
  EXPECT_EQ(single.list.size(), sentences + 1);
  EXPECT_EQ(single.report, extraction_report(ExtractionMode::AllSentences, sentences + 1));
  EXPECT_TRUE(single.list.items == parallel.list.items);
}

// `lantaro-cli extract` over a library of odd documents.
class ExtractOddLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    put("空.txt", "");
    put("一.txt", "\xD7");
    put("二进制.txt", std::string("\0\xFF\x81\x00\n", 5) + encode_gbk(u"子曰：“好。”"));
    put("有BOM.txt", "\xEF\xBB\xBF" + utf16_to_utf8(u"“甲”乙。"));
    put("无BOM.txt", utf16_to_utf8(u"“丙”丁。"));
    put("四字节 名" LANTARO_NAME_QUOTE "（一）.txt", encode_gbk(u"“\U00020BB7”") + "\x90\x30");
  }
  void put(std::string_view relative, std::string_view bytes) {
    const fs::path path = root_ / "corpus" / path_from_utf8(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  int extract(std::vector<std::string> args) {
    out_.str({});
    err_.str({});
    CliContext context{RunDirectory(path_to_utf8(root_)), out_, err_, nullptr};
    return run_extract_command(args, context);
  }
  testing::TempFolder temp_;
  const fs::path root_ = temp_.path();
  std::ostringstream out_, err_;
};

TEST_F(ExtractOddLibrary, DialogueFromEveryKindOfDocument) {
  ASSERT_EQ(extract({"--mode", "dialogue", "--threads", "1"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "“好。”  （出处：二进制)\n"
            "“\U00020BB7”  （出处：四字节 名" LANTARO_NAME_QUOTE
            "（一）)\n"
            "“丙”  （出处：无BOM)\n"
            "“甲”  （出处：有BOM)\n"
            "共提取到对话语句4\n");
  const std::string lines = out_.str();
  ASSERT_EQ(extract({"--mode", "dialogue"}), 0);
  EXPECT_EQ(out_.str(), lines);  // worker threads agree
  ASSERT_EQ(extract({"--mode", "dialogue", "--json", "四字节 名" LANTARO_NAME_QUOTE "（一）"}), 0);
  EXPECT_NE(out_.str().find("\"document\":\"四字节 名" LANTARO_NAME_QUOTE_JSON "（一）.txt\""),
            std::string::npos)
      << out_.str();
  for (char c : out_.str()) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n');
}

TEST_F(ExtractOddLibrary, AllSentencesOfBinaryAndCutTextsPrintNoRawControlBytes) {
  ASSERT_EQ(extract({"--mode", "all", "--json", "二进制", "一", "空"}), 0) << err_.str();
  EXPECT_TRUE(is_valid_utf8(out_.str()));
  for (char c : out_.str()) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n');
  EXPECT_NE(out_.str().find("\\u0000"), std::string::npos);
  EXPECT_NE(out_.str().find("\"report\":\"共提取到语句4\""), std::string::npos) << out_.str();
}

TEST_F(ExtractOddLibrary, CorpusFolderThatIsAFileIsRefused) {
  fs::remove_all(root_ / "corpus");
  std::ofstream(root_ / "corpus", std::ios::binary) << "x";
  EXPECT_EQ(extract({"--mode", "all"}), 1);
  EXPECT_EQ(err_.str(), "搜索前请先选择语料文献！\n");
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace lantaro
