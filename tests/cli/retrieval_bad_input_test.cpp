// Odd and hostile documents through the whole search path: library scan, document store, search,
// result items, context passage and `lantaro-cli search`. Nothing may crash, every document that
// can be read is searched, and one that cannot is named instead of silently dropped.

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "cli/search_command.h"
#include "engine/common/codepage.h"
#include "engine/corpus/library_tree.h"
#include "engine/retrieval/context_passage.h"
#include "engine/retrieval/searcher.h"
#include "support/odd_names.h"
#include "support/test_support.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::write_bytes;

SearchRequest request_for(std::u16string keyword, std::size_t left = 2, std::size_t right = 2) {
  SearchRequest r;
  r.first_keyword = std::move(keyword);
  r.left = left;
  r.right = right;
  return r;
}

std::vector<std::u16string> item_texts(const SearchResults& results) {
  std::vector<std::u16string> texts;
  for (std::size_t i = 0; i < results.list.size(); ++i) texts.push_back(results.list.item_text(i));
  return texts;
}

std::string file_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string binary_junk(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// A run directory whose library holds one document of every awkward kind, each with "子曰"
// somewhere it can be found.
class OddLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    put("空.txt", "");
    put("一字节.txt", "a");
    put("半字.txt", "\xD7");  // a lone GBK lead byte and nothing else
    // Binary data named .txt: line breaks around the words keep them apart from the junk.
    put("二进制.txt",
        binary_junk(4096, 7) + "\n" + encode_gbk(u"子曰") + "\n" + binary_junk(512, 9));
    // Text cut off in the middle of a two-byte and of a four-byte character.
    put("截断/两字节.txt", encode_gbk(u"子曰学而") + "\xCA");
    put("截断/四字节.txt", encode_gbk(u"子曰学而") + "\x90\x30\x81");
    // GB18030 four-byte characters: U+10000 written by hand, U+20BB7 and U+0080 by the encoder.
    put("四字节.txt", "\x90\x30\x81\x30" + encode_gbk(u"子曰\U00020BB7\u0080"));
    put("编码/有BOM.txt", "\xEF\xBB\xBF" + utf16_to_utf8(u"子曰：学而"));
    put("编码/无BOM.txt", utf16_to_utf8(u"子曰：学而"));
  }
  void put(std::string_view relative, std::string_view bytes) {
    write_bytes(root_ / ("corpus/" + std::string(relative)), bytes);
  }
  int search(std::vector<std::string> args) {
    out_.str({});
    err_.str({});
    CliContext context{RunDirectory(path_to_utf8(root_.path())), out_, err_, nullptr};
    return run_search_command(args, context);
  }
  LibraryTree tree() const { return scan_library(root_.path() / "corpus"); }
  std::vector<Document> all_documents() const {
    LibraryTree t = tree();
    std::vector<unsigned char> ticks(t.size(), 1);
    return ticked_documents(t, ticks);
  }

  TempFolder root_;
  std::ostringstream out_, err_;
};

TEST_F(OddLibrary, EveryDocumentIsSearchedAndTheReadableWordsAreFound) {
  std::vector<Document> documents = all_documents();
  ASSERT_EQ(documents.size(), 9u);
  DocumentStore store;
  SearchResults results = search_documents(documents, request_for(u"子曰"), store);
  EXPECT_TRUE(results.unreadable.empty());
  EXPECT_EQ(results.searched, 9u);  // empty and undecodable documents are searched too

  std::vector<std::u16string> names;
  for (const Document& d : results.list.documents) names.push_back(d.display_name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"两字节", u"四字节", u"无BOM", u"有BOM", u"二进制",
                                                u"四字节"}));
  std::vector<std::u16string> texts = item_texts(results);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[0], u"子曰学而  （出处：两字节)");
  EXPECT_EQ(texts[1], u"子曰学而  （出处：四字节)");
  EXPECT_EQ(texts[2], u"子曰：学  （出处：无BOM)");
  EXPECT_EQ(texts[3], u"子曰：学  （出处：有BOM)");  // the mark is not text
  EXPECT_EQ(texts[4], u"子曰  （出处：二进制)");     // the junk stays behind the line breaks
  EXPECT_EQ(texts[5], u"\U00010000子曰\U00020BB7  （出处：四字节)");
}

TEST_F(OddLibrary, TruncatedCharactersAtTheEndBecomeReplacementMarks) {
  DocumentStore store;
  DocumentText two = store.load(root_ / "corpus/截断/两字节.txt");
  DocumentText four = store.load(root_ / "corpus/截断/四字节.txt");
  DocumentText lone = store.load(root_ / "corpus/半字.txt");
  DocumentText empty = store.load(root_ / "corpus/空.txt");
  ASSERT_TRUE(two && four && lone && empty);
  EXPECT_EQ(*two, u"子曰学而\uFFFD");
  // The decoder's rule for any broken lead byte: it alone is replaced, ASCII after it is kept.
  EXPECT_EQ(*four, u"子曰学而\uFFFD0\uFFFD");
  EXPECT_EQ(*lone, u"\uFFFD");
  EXPECT_EQ(*empty, u"");
  // The replacement mark is searchable like any character, and its item is well formed.
  SearchResults marks = search_documents({tree().document(*tree().find("截断/两字节"))},
                                         request_for(u"\uFFFD"), store);
  EXPECT_EQ(item_texts(marks), (std::vector<std::u16string>{u"学而\uFFFD  （出处：两字节)"}));
}

TEST_F(OddLibrary, WindowsAndPassagesNeverSplitAFourByteCharacter) {
  DocumentStore store;
  Document doc = tree().document(*tree().find("四字节"));
  // Text: U+10000 (2 units), 子曰, U+20BB7 (2 units), U+0080.
  SearchResults results = search_documents({doc}, request_for(u"子曰", 1, 1), store);
  ASSERT_EQ(results.list.size(), 1u);
  // One unit on either side would be half a pair: the windows shrink to nothing instead.
  EXPECT_EQ(results.list.item_text(0), u"子曰  （出处：四字节)");
  results = search_documents({doc}, request_for(u"\U00020BB7", 1, 3), store);
  ASSERT_EQ(results.list.size(), 1u);
  EXPECT_EQ(results.list.item_text(0), u"曰\U00020BB7\u0080  （出处：四字节)");
  EXPECT_EQ(results.list.items[0].hit_start, 4u);
  EXPECT_EQ(results.list.items[0].hit_length, 2u);

  const std::u16string& text = *results.list.texts[0];
  Passage p = context_passage(text, Hit{2, 2}, 1, 1);
  EXPECT_EQ(text.substr(p.start, p.length), u"子曰");
  p = context_passage(text, Hit{2, 2}, 100, 100);
  EXPECT_EQ(text.substr(p.start, p.length), text);
  // A hit past the end (the document shrank) clamps instead of reading outside the text.
  p = context_passage(text, Hit{text.size() + 5, 3}, 4, 4);
  EXPECT_LE(p.start + p.length, text.size());
}

TEST_F(OddLibrary, CommandLineSearchesOddDocumentsAndWritesValidJson) {
  EXPECT_EQ(search({"--keyword", "子曰", "--left", "0", "--right", "0", "--json"}), 0)
      << err_.str();
  EXPECT_EQ(err_.str(), "");
  const std::string json = out_.str();
  EXPECT_NE(json.find("\"searched\":9,\"hit_documents\":6,\"hits\":6"), std::string::npos) << json;
  // The binary document's control bytes are escaped: the only raw control character is the
  // line break between entries.
  for (char c : json) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n');
  EXPECT_TRUE(is_valid_utf8(json));

  // The documents without any text are searched without complaint and hit nothing.
  EXPECT_EQ(search({"--keyword", "子曰", "空", "一字节", "半字"}), 0);
  EXPECT_EQ(out_.str(),
            "\n序号\t文献\t命中次数\n"
            "符合条件的语句数量为0，共搜索了3部文献，0部文献被命中\n"
            "命中文献总数为0，总计命中次数为0\n");
}

TEST_F(OddLibrary, CommandLineSearchOfTheBinaryDocumentPrintsNoRawControlBytes) {
  // A keyword of one common byte value makes hits inside the junk itself.
  ASSERT_EQ(search({"--keyword", "a", "--left", "5", "--right", "5", "--json", "二进制"}), 0);
  for (char c : out_.str()) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n');
  EXPECT_TRUE(is_valid_utf8(out_.str()));
}

// Documents ticked while they were there, gone or changed into something else by the time the
// search reads them.
TEST_F(OddLibrary, DocumentsThatVanishAfterTickingAreNamedNotCounted) {
  put("甲.txt", encode_gbk(u"子曰甲"));
  put("乙.txt", encode_gbk(u"子曰乙"));
  put("丙.txt", encode_gbk(u"子曰丙"));
  put("丁.txt", encode_gbk(u"子曰丁"));
  LibraryTree t = tree();
  std::vector<Document> ticked =
      t.documents_in({*t.find("甲"), *t.find("乙"), *t.find("丙"), *t.find("丁"), *t.find("空")});
  ASSERT_EQ(ticked.size(), 5u);

  DocumentStore store;
  // Warm the cache first: a cached text must not stand in for a file that is gone.
  SearchResults warm = search_documents(ticked, request_for(u"子曰"), store);
  ASSERT_EQ(warm.searched, 5u);

  fs::path corpus = root_.path() / "corpus";
  fs::remove(corpus / u8"甲.txt");  // deleted
  fs::remove(corpus / u8"乙.txt");
  fs::create_directory(corpus / u8"乙.txt");  // replaced by a folder
  fs::remove(corpus / u8"丙.txt");
  // Where no link can be made (Wine; Windows without the right), the name stays absent,
  // which every check below also allows.
  std::error_code link_error;
  fs::create_symlink(corpus / u8"没有.txt", corpus / u8"丙.txt", link_error);  // a dangling link

  SearchResults results = search_documents(ticked, request_for(u"子曰"), store);
  std::vector<std::u16string> unreadable;
  for (const Document& d : results.unreadable) unreadable.push_back(d.display_name);
  // Tree order of the ticked documents, whatever the failure.
  std::vector<std::u16string> expected;
  for (const Document& d : ticked)
    if (d.display_name != u"丁" && d.display_name != u"空") expected.push_back(d.display_name);
  EXPECT_EQ(unreadable, expected);
  EXPECT_EQ(results.searched, 2u);
  EXPECT_EQ(item_texts(results), (std::vector<std::u16string>{u"子曰丁  （出处：丁)"}));
  EXPECT_EQ(results.status_line(), u"符合条件的语句数量为1，共搜索了2部文献，1部文献被命中");
}

TEST_F(OddLibrary, AnUnreadableFileIsNamedWhenPermissionsCount) {
  put("锁.txt", encode_gbk(u"子曰"));
  fs::path locked = root_.path() / u8"corpus/锁.txt";
  Document doc = tree().document(*tree().find("锁"));
  fs::permissions(locked, fs::perms::none);
  if (std::ifstream(locked)) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "running with rights that ignore file permissions";
  }
  DocumentStore store;
  SearchResults results = search_documents({doc}, request_for(u"子曰"), store);
  fs::permissions(locked, fs::perms::owner_all);
  ASSERT_EQ(results.unreadable.size(), 1u);
  EXPECT_EQ(results.searched, 0u);
}

TEST_F(OddLibrary, CommandLineNamesAFolderOrLinkLeftWhereADocumentWas) {
  // The command line scans and reads at once, so the only way in is a name the scan lists but
  // the store cannot read: a document link whose target is a folder is not listed at all.
  fs::path corpus = root_.path() / "corpus";
  fs::create_directory(corpus / u8"目录.txt");
  // Where no link can be made (Wine; Windows without the right), the name stays absent,
  // which every check below also allows.
  std::error_code link_error;
  fs::create_symlink(corpus / u8"不存在.txt", corpus / u8"悬空.txt", link_error);
  EXPECT_EQ(search({"--keyword", "子曰", "悬空"}), 2);  // not a document of the library
  EXPECT_EQ(err_.str(), "语料库中没有此路径：悬空\n");
  EXPECT_EQ(search({"--keyword", "子曰", "目录.txt"}), 1);  // a folder, ticks no document
  EXPECT_EQ(err_.str(), "请在文献列表中选择要搜索的语料文件！\n");
}

TEST(BadInputLibrary, CorpusFolderThatIsAFileRefusesTheSearch) {
  TempFolder root;
  write_bytes(root / "corpus", encode_gbk(u"子曰"));
  std::ostringstream out, err;
  CliContext context{RunDirectory(path_to_utf8(root.path())), out, err, nullptr};
  EXPECT_EQ(run_search_command({"--keyword", "子曰"}, context), 1);
  EXPECT_EQ(err.str(), "搜索前请先选择语料文献！\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(file_bytes(root / "corpus"), encode_gbk(u"子曰"));
}

TEST(BadInputLibrary, OddFileNamesAreFoundCitedAndEscaped) {
  TempFolder root;
  std::string long_name;
  for (int i = 0; i < 80; ++i) long_name += "长";  // 240 bytes: near the file system's limit
  const std::vector<std::string> names = {"带 空 格", "引" LANTARO_NAME_QUOTE "号'",
                                          "全角　名（一）", long_name};
  for (const std::string& n : names)
    write_bytes(root / ("corpus/" + n + ".txt"), encode_gbk(u"子曰"));
  std::ostringstream out, err;
  CliContext context{RunDirectory(path_to_utf8(root.path())), out, err, nullptr};
  for (const std::string& n : names) {
    out.str({});
    ASSERT_EQ(run_search_command({"--keyword", "子曰", n}, context), 0) << n << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')), "子曰  （出处：" + n + ")");
  }
  out.str({});
  ASSERT_EQ(run_search_command({"--keyword", "子曰", "--json", "引" LANTARO_NAME_QUOTE "号'.txt"},
                               context),
            0);
  EXPECT_NE(out.str().find("\"document\":\"引" LANTARO_NAME_QUOTE_JSON "号'.txt\""),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("\"name\":\"引" LANTARO_NAME_QUOTE_JSON "号'\""), std::string::npos);
}

// One line of 50 MB: the search, the item windows and the passage must stay on that line's
// characters and finish in a moment.
TEST(BadInputLibrary, OneFiftyMegabyteLineIsSearchedCorrectly) {
  TempFolder root;
  const std::u16string filler = u"天地玄黄宇宙洪荒";
  std::u16string text;
  const std::size_t characters = 25u * 1024 * 1024;  // two bytes each in GBK
  text.reserve(characters);
  text += u"子曰";
  while (text.size() < characters / 2) text += filler;
  const std::size_t middle = text.size();
  text += u"子曰";
  while (text.size() < characters - 2) text += filler;
  const std::size_t last = text.size();
  text += u"子曰";
  write_bytes(root / "corpus/长行.txt", encode_gbk(text));
  ASSERT_GE(fs::file_size(root / "corpus/长行.txt"), 50u * 1024 * 1024);

  std::ostringstream out, err;
  CliContext context{RunDirectory(path_to_utf8(root.path())), out, err, nullptr};
  DocumentStore store;
  std::vector<Document> docs = {scan_library(root / "corpus").document(0)};
  SearchResults results = search_documents(docs, request_for(u"子曰", 4, 4), store);
  ASSERT_EQ(results.list.size(), 3u);
  EXPECT_EQ(results.list.items[0].hit_start, 0u);
  EXPECT_EQ(results.list.items[1].hit_start, middle);
  EXPECT_EQ(results.list.items[2].hit_start, last);
  EXPECT_EQ(results.list.item_text(0), u"子曰天地玄黄  （出处：长行)");
  EXPECT_EQ(results.list.item_text(2), u"宇宙洪荒子曰  （出处：长行)");
  EXPECT_EQ(results.list.span_text(1).size(), 10u);
  const std::u16string& loaded = *results.list.texts[0];
  EXPECT_EQ(loaded.size(), text.size());
  Passage p = context_passage(loaded, Hit{middle, 2}, 100, 100);
  EXPECT_EQ(p.start, middle - 100);
  EXPECT_EQ(p.length, 202u);

  ASSERT_EQ(run_search_command({"--keyword", "子曰", "--left", "1", "--right", "1"}, context), 0);
  EXPECT_EQ(out.str(),
            "子曰天  （出处：长行)\n荒子曰天  （出处：长行)\n荒子曰  （出处：长行)\n\n"
            "序号\t文献\t命中次数\n1\t长行\t3\n"
            "符合条件的语句数量为3，共搜索了1部文献，1部文献被命中\n"
            "命中文献总数为1，总计命中次数为3\n");
}

}  // namespace
}  // namespace lantaro
