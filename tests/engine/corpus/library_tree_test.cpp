#include "engine/corpus/library_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/corpus/library_edit.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using lantaro::Document;
using lantaro::LibraryTree;
using lantaro::scan_library;
using lantaro::testing::TempFolder;

namespace {

// "depth:label" per item in pre-order, directories marked with a trailing "/".
std::vector<std::string> outline(const LibraryTree& tree) {
  std::vector<std::string> lines;
  for (const auto& item : tree.items())
    lines.push_back(std::to_string(item.depth) + ":" + lantaro::utf16_to_utf8(item.label) +
                    (item.is_directory ? "/" : ""));
  return lines;
}

std::vector<std::string> relative_paths(const std::vector<Document>& documents) {
  std::vector<std::string> paths;
  for (const auto& d : documents) paths.push_back(d.relative_path);
  return paths;
}

bool make_symlink(const fs::path& target, const fs::path& link, bool directory) {
  std::error_code ec;
  if (directory)
    fs::create_directory_symlink(target, link, ec);
  else
    fs::create_symlink(target, link, ec);
  return !ec;
}

class ScannedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    // Created out of order on purpose: the tree must not depend on the listing order.
    temp.file("b/ignored.doc", "x");
    temp.file("中文.txt", "zh");
    temp.file("Z.txt", "Z");
    temp.file("a.TXT", "upper");
    temp.file("notes.md", "no");
    temp.file("old.txt.bak", "no");
    temp.file("a/x.txt", "x");
    temp.file("a/sub/deep.txt", "deep");
    temp.dir("a/sub/empty");
    temp.file("\xEF\xBC\xA1.txt", "fullwidth A");  // U+FF21
    temp.file("\xF0\xA0\x80\x80.txt", "ext-B");    // U+20000, a surrogate pair in UTF-16
    tree = scan_library(temp.path());
  }
  std::size_t index_of(const std::string& relative) const {
    for (std::size_t i = 0; i < tree.size(); ++i)
      if (tree[i].relative_path == relative) return i;
    ADD_FAILURE() << "no item " << relative;
    return 0;
  }

  TempFolder temp;
  LibraryTree tree;
};

}  // namespace

TEST_F(ScannedLibrary, DirectoriesFirstThenDocumentsInCodePointOrderOnlyTxtFiles) {
  EXPECT_EQ(outline(tree),
            (std::vector<std::string>{"0:a/", "1:sub/", "2:empty/", "2:deep", "1:x", "0:b/", "0:Z",
                                      "0:a", "0:中文", "0:\xEF\xBC\xA1", "0:\xF0\xA0\x80\x80"}));
  EXPECT_EQ(tree.document_count(), 7u);
  const auto& upper = tree[index_of("a.TXT")];
  EXPECT_FALSE(upper.is_directory);
  EXPECT_EQ(upper.label, u"a");
  Document d = tree.document(index_of("a/sub/deep.txt"));
  EXPECT_EQ(d.display_name, u"deep");
  EXPECT_EQ(lantaro::testing::read_bytes(d.path), "deep");
}

TEST_F(ScannedLibrary, IndexesArePreOrderWithParentsRowsAndSubtreeEnds) {
  std::size_t a = index_of("a"), sub = index_of("a/sub"), x = index_of("a/x.txt");
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(sub, 1u);
  EXPECT_EQ(index_of("a/sub/deep.txt"), 3u);
  EXPECT_EQ(x, 4u);
  EXPECT_EQ(index_of("b"), 5u);
  EXPECT_EQ(tree[a].end, 5u);
  EXPECT_EQ(tree[sub].end, 4u);
  EXPECT_EQ(tree[x].parent, a);
  EXPECT_EQ(tree[x].row, 1u);
  EXPECT_EQ(tree[a].parent, lantaro::kNoParent);
  EXPECT_EQ(tree.top_level(), (std::vector<std::size_t>{0, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(tree.children_of(a), (std::vector<std::size_t>{1, 4}));
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const auto& siblings = tree.children_of(tree[i].parent);
    ASSERT_LT(tree[i].row, siblings.size());
    EXPECT_EQ(siblings[tree[i].row], i);
  }
}

TEST_F(ScannedLibrary, TickingADirectoryTicksEverythingBelowAndListsDocumentsInTreeOrder) {
  std::vector<unsigned char> ticks(tree.size(), 0);
  lantaro::tick_subtree(tree, ticks, index_of("中文.txt"), true);
  lantaro::tick_subtree(tree, ticks, index_of("a"), true);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(ticks[i]) << i;
  EXPECT_FALSE(ticks[index_of("b")]);
  EXPECT_EQ(relative_paths(lantaro::ticked_documents(tree, ticks)),
            (std::vector<std::string>{"a/sub/deep.txt", "a/x.txt", "中文.txt"}));

  lantaro::tick_subtree(tree, ticks, index_of("a/sub"), false);
  EXPECT_TRUE(ticks[index_of("a")]);
  EXPECT_FALSE(ticks[index_of("a/sub/empty")]);
  EXPECT_EQ(relative_paths(lantaro::ticked_documents(tree, ticks)),
            (std::vector<std::string>{"a/x.txt", "中文.txt"}));

  // Directories and repeats in the index list contribute nothing extra.
  EXPECT_EQ(relative_paths(tree.documents_in({8, 4, 0, 3, 4, 99})),
            (std::vector<std::string>{"a/sub/deep.txt", "a/x.txt", "中文.txt"}));
}

TEST_F(ScannedLibrary, PathsNameDirectoriesAndDocumentsWithOrWithoutExtension) {
  EXPECT_EQ(tree.find("a/x"), index_of("a/x.txt"));
  EXPECT_EQ(tree.find("a/x.txt"), index_of("a/x.txt"));
  EXPECT_EQ(tree.find("/a\\x/"), index_of("a/x.txt"));
  EXPECT_EQ(tree.find("a"), index_of("a"));  // the directory wins over the document "a"
  EXPECT_EQ(tree.find("a.TXT"), index_of("a.TXT"));
  EXPECT_EQ(tree.find("a.txt"), index_of("a.TXT"));
  EXPECT_EQ(tree.find("a/sub/empty"), index_of("a/sub/empty"));
  EXPECT_FALSE(tree.find("a/y"));
  EXPECT_FALSE(tree.find("../a"));
  EXPECT_FALSE(tree.find("a/../a"));
  EXPECT_FALSE(tree.find("b/ignored.doc"));
}

TEST(LibraryScan, MissingEmptyOrNonDirectoryFolderGivesAnEmptyTree) {
  TempFolder temp;
  EXPECT_TRUE(scan_library(temp.path() / "corpus").empty());
  EXPECT_FALSE(fs::exists(temp.path() / "corpus"));  // scanning never creates it
  temp.dir("empty");
  EXPECT_TRUE(scan_library(temp.path() / "empty").empty());
  EXPECT_TRUE(scan_library(temp.file("plain.txt", "x")).empty());
}

TEST(LibraryScan, UnreadableDirectoryContributesNothing) {
  TempFolder temp;
  temp.file("locked/secret.txt", "s");
  temp.file("open/visible.txt", "v");
  fs::permissions(temp.path() / "locked", fs::perms::none);
  std::error_code ec;
  fs::directory_iterator probe(temp.path() / "locked", ec);
  if (!ec) {
    fs::permissions(temp.path() / "locked", fs::perms::owner_all);
    GTEST_SKIP() << "permissions do not stop this user (root) from reading";
  }
  LibraryTree tree = scan_library(temp.path());
  EXPECT_EQ(outline(tree), (std::vector<std::string>{"0:locked/", "0:open/", "1:visible"}));
  fs::permissions(temp.path() / "locked", fs::perms::owner_all);
}

// Works where permissions do not (as root): a directory whose full path is longer than the
// system allows cannot be opened by that path, so the scan cannot read it.
TEST(LibraryScan, DirectoryTooDeepToOpenContributesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "path length limits differ on Windows";
#endif
  TempFolder temp;
  temp.file("corpus/open/visible.txt", "v");
  const fs::path saved = fs::current_path();
  const std::string segment(200, 'd');
  int levels = 0;
  fs::current_path(temp.dir("corpus"));
  for (std::size_t length = (temp.path() / "corpus").native().size(); length < 4400;
       length += segment.size() + 1, ++levels) {
    fs::create_directory(segment);
    fs::current_path(segment);
  }
  std::ofstream("deep.txt") << "unreachable";
  fs::current_path(saved);

  LibraryTree tree = scan_library(temp.path() / "corpus");
  std::vector<std::string> documents;
  std::size_t directories = 0;
  for (const auto& item : tree.items()) {
    if (item.is_directory)
      ++directories;
    else
      documents.push_back(item.relative_path);
  }
  EXPECT_EQ(documents, std::vector<std::string>{"open/visible.txt"});
  EXPECT_GT(directories, 2u);
  EXPECT_LE(directories, static_cast<std::size_t>(levels) + 1);

  // remove_all cannot reach that deep by full path either: climb down and clean up.
  fs::current_path(temp.path() / "corpus");
  for (int i = 0; i < levels; ++i) fs::current_path(segment);
  fs::remove("deep.txt");
  for (int i = 0; i < levels; ++i) {
    fs::current_path("..");
    fs::remove(segment);
  }
  fs::current_path(saved);
}

TEST(LibraryScan, LinksToDirectoriesAreNotFollowedLinksToDocumentsAre) {
  TempFolder temp;
  temp.file("a/doc.txt", "d");
  temp.file("outside/far.txt", "far");
  if (!make_symlink("..", temp.path() / "a" / "loop", true) ||
      !make_symlink(".", temp.path() / "a" / "self", true) ||
      !make_symlink("../outside", temp.path() / "a" / "away", true) ||
      !make_symlink("doc.txt", temp.path() / "a" / "alias.txt", false) ||
      !make_symlink("gone.txt", temp.path() / "a" / "dangling.txt", false))
    GTEST_SKIP() << "symbolic links cannot be created here";
  LibraryTree tree = scan_library(temp.path() / "a");
  EXPECT_EQ(outline(tree), (std::vector<std::string>{"0:alias", "0:doc"}));
  EXPECT_EQ(lantaro::testing::read_bytes(tree.document(0).path), "d");
  // The whole temp folder (with the loop inside) still scans in finite time.
  EXPECT_EQ(scan_library(temp.path()).size(), 5u);
}

TEST(LibraryScan, ExampleLibraryShowsItsFourCollectionsAndNoOtherFiles) {
  LibraryTree tree = scan_library(fs::path(LANTARO_SOURCE_DIR) / "corpus");
  std::vector<std::string> top;
  for (std::size_t i : tree.top_level()) {
    EXPECT_TRUE(tree[i].is_directory);
    top.push_back(lantaro::utf16_to_utf8(tree[i].label));
  }
  EXPECT_EQ(top, (std::vector<std::string>{"古文观止", "经部", "蒙学", "诗词"}));
  EXPECT_GT(tree.document_count(), 10u);
  for (const auto& item : tree.items())
    if (!item.is_directory) {
      EXPECT_TRUE(lantaro::has_txt_extension(item.relative_path));
    }
}

// A reader's order, and a folder copied from Chinese Windows with its names in GBK bytes: shown
// decoded, found by the decoded path, read and written through its real bytes.
TEST(LibraryScan, ReadersOrderAndNamesInGbkBytes) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps names in UTF-16: no name is stored in GBK bytes there";
#endif
  TempFolder temp;
  for (const char* name :
       {"卷十一", "卷二", "卷十", "卷九", "卷一", "ci.song.10000", "ci.song.2000"})
    temp.file(std::string(name) + ".txt", "x");
  const fs::path gbk_folder = temp.path() / fs::path(lantaro::encode_gbk(u"古书"));
  fs::create_directories(gbk_folder);
  std::ofstream(gbk_folder / fs::path(lantaro::encode_gbk(u"论衡.txt")), std::ios::binary) << "gbk";

  LibraryTree tree = scan_library(temp.path());
  EXPECT_EQ(outline(tree),
            (std::vector<std::string>{"0:古书/", "1:论衡", "0:ci.song.2000", "0:ci.song.10000",
                                      "0:卷一", "0:卷二", "0:卷九", "0:卷十", "0:卷十一"}));
  const auto index = tree.find("古书/论衡");
  ASSERT_TRUE(index.has_value());
  const Document d = tree.document(*index);
  EXPECT_EQ(d.relative_path, "古书/论衡.txt");
  EXPECT_EQ(lantaro::testing::read_bytes(d.path), "gbk");

  // A new directory inside it gets a UTF-8 name inside the real folder.
  EXPECT_EQ(lantaro::create_library_directory(temp.path(), "注", std::string("古书")),
            lantaro::Message::DirectoryCreated);
  EXPECT_TRUE(fs::is_directory(gbk_folder / lantaro::path_from_utf8("注")));
}
