#include "engine/corpus/library_edit.h"

#include <gtest/gtest.h>

#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using lantaro::ImportOutcome;
using lantaro::ImportRequest;
using lantaro::Message;
using lantaro::testing::read_bytes;
using lantaro::testing::snapshot;
using lantaro::testing::TempFolder;

namespace {

class LibraryEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    corpus = temp.dir("run/corpus");
    temp.file("run/corpus/经部/论语.txt", "old bytes");
    temp.dir("run/corpus/经部/注疏");
    // GBK text with a CR LF and a NUL: the copy must keep every byte.
    source = temp.file("incoming/新书.txt", std::string("\xD0\xC2\xCA\xE9\r\n\0end", 11));
  }
  ImportOutcome import(std::string name, std::optional<std::string> location, bool answer = false) {
    asked.clear();
    return lantaro::import_document(
        corpus, ImportRequest{lantaro::path_to_utf8(source), std::move(name), std::move(location)},
        [&](std::string_view n) {
          asked.emplace_back(n);
          return answer;
        });
  }

  TempFolder temp;
  fs::path corpus, source;
  std::vector<std::string> asked;
};

}  // namespace

TEST_F(LibraryEdit, ImportChecksRunInOrderAndRefusalsWriteNothing) {
  auto before = snapshot(temp.path());
  auto never = [](std::string_view) { return true; };
  EXPECT_EQ(lantaro::import_document(corpus, ImportRequest{"", "", std::nullopt}, never).message,
            Message::ChooseTxtFile);
  EXPECT_EQ(lantaro::import_document(corpus, ImportRequest{"", "名", ""}, never).message,
            Message::ChooseTxtFile);
  std::string file = lantaro::path_to_utf8(source);
  EXPECT_EQ(lantaro::import_document(corpus, ImportRequest{file, "", std::nullopt}, never).message,
            Message::EnterDisplayName);
  EXPECT_EQ(
      lantaro::import_document(corpus, ImportRequest{file, "名", std::nullopt}, never).message,
      Message::ChooseTargetLocation);
  // A file that is not there, or a folder, ends in the failure message.
  EXPECT_EQ(lantaro::import_document(corpus, ImportRequest{file + "x", "名", ""}, never).message,
            Message::ImportFailed);
  EXPECT_EQ(lantaro::import_document(corpus, ImportRequest{lantaro::path_to_utf8(corpus), "名", ""},
                                     never)
                .message,
            Message::ImportFailed);
  EXPECT_EQ(snapshot(temp.path()), before);
}

TEST_F(LibraryEdit, ImportCopiesByteForByteAndTrimsTheName) {
  ImportOutcome top = import("  新书\xE3\x80\x80", "");  // ends in an ideographic space
  EXPECT_EQ(top.message, Message::ImportSucceeded);
  EXPECT_EQ(top.relative_path, "新书.txt");
  EXPECT_EQ(read_bytes(corpus / u8"新书.txt"), read_bytes(source));
  EXPECT_EQ(read_bytes(corpus / u8"新书.txt").size(), 11u);

  ImportOutcome nested = import("孟子", "经部/注疏");
  EXPECT_EQ(nested.message, Message::ImportSucceeded);
  EXPECT_EQ(nested.relative_path, "经部/注疏/孟子.txt");
  EXPECT_EQ(read_bytes(corpus / u8"经部" / u8"注疏" / u8"孟子.txt"), read_bytes(source));
  // No temporary file is left behind.
  for (const auto& [name, bytes] : snapshot(corpus))
    EXPECT_EQ(name.find(".tmp"), std::string::npos);
  EXPECT_TRUE(asked.empty());
}

TEST_F(LibraryEdit, NamesAndLocationsThatCouldLeaveTheLibraryAreRefusedWithNothingWritten) {
  auto before = snapshot(temp.path());
  for (std::string name : std::vector<std::string>{" ", "\xE3\x80\x80", "\t", ".", "..", " .. ",
                                                   "../escape", "..\\escape", "a/b", "a\\b", "/abs",
                                                   "bad\x01name", std::string("nul\0name", 8),
                                                   "line\nbreak", "del\x7f", "\xFF\xFE"}) {
    ImportOutcome outcome = import(name, "");
    EXPECT_EQ(outcome.message, Message::ImportFailed) << name;
    EXPECT_EQ(lantaro::create_library_directory(corpus, name, ""), Message::DirectoryFailed)
        << name;
  }
  for (std::string location :
       std::vector<std::string>{"..", "../..", "经部/..", "/经部", "经部/", "没有", "经部//注疏",
                                "./经部", "经部\\注疏", "..\\run"}) {
    EXPECT_EQ(import("好名", location).message, Message::ImportFailed) << location;
    EXPECT_EQ(lantaro::create_library_directory(corpus, "好名", location), Message::DirectoryFailed)
        << location;
  }
  EXPECT_EQ(snapshot(temp.path()), before);
  EXPECT_TRUE(asked.empty());
}

TEST_F(LibraryEdit, LinkedDirectoryInsideTheLibraryIsNotAWayOut) {
  std::error_code ec;
  fs::create_directory_symlink(temp.path() / "incoming", corpus / "link", ec);
  if (ec) GTEST_SKIP() << "symbolic links cannot be created here";
  auto before = snapshot(temp.path());
  EXPECT_EQ(import("穿出", "link").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "穿出", "link"), Message::DirectoryFailed);
  EXPECT_EQ(snapshot(temp.path()), before);
}

TEST_F(LibraryEdit, ExistingDocumentIsReplacedOnlyWithConsent) {
  auto before = snapshot(temp.path());
  ImportOutcome refused = import("论语", "经部", false);
  EXPECT_TRUE(refused.declined);
  EXPECT_FALSE(refused.succeeded());
  EXPECT_EQ(asked, std::vector<std::string>{"论语"});
  EXPECT_EQ(snapshot(temp.path()), before);

  ImportOutcome replaced = import(" 论语 ", "经部", true);
  EXPECT_EQ(replaced.message, Message::ImportSucceeded);
  EXPECT_EQ(asked, std::vector<std::string>{"论语"});
  EXPECT_EQ(read_bytes(corpus / u8"经部" / u8"论语.txt"), read_bytes(source));

  // Without anyone to ask, nothing is replaced.
  EXPECT_TRUE(lantaro::import_document(
                  corpus, ImportRequest{lantaro::path_to_utf8(source), "论语", "经部"}, nullptr)
                  .declined);
}

TEST_F(LibraryEdit, FailedCopyLeavesTheOldDocumentIntact) {
  auto before = snapshot(temp.path());
  // The chosen file vanished between choosing and importing.
  fs::path gone = temp.file("incoming/gone.txt", "soon gone");
  fs::remove(gone);
  ImportOutcome vanished =
      lantaro::import_document(corpus, ImportRequest{lantaro::path_to_utf8(gone), "论语", "经部"},
                               [](std::string_view) { return true; });
  EXPECT_EQ(vanished.message, Message::ImportFailed);
  EXPECT_EQ(snapshot(temp.path()), before);

  // The source is removed only after the user has said "yes" (while the question was open).
  fs::path fleeting = temp.file("incoming/fleeting.txt", "new");
  before = snapshot(temp.path());
  ImportOutcome fled = lantaro::import_document(
      corpus, ImportRequest{lantaro::path_to_utf8(fleeting), "论语", "经部"},
      [&](std::string_view) {
        fs::remove(fleeting);
        return true;
      });
  EXPECT_EQ(fled.message, Message::ImportFailed);
  before.erase("incoming/fleeting.txt");
  EXPECT_EQ(snapshot(temp.path()), before);
  EXPECT_EQ(read_bytes(corpus / u8"经部" / u8"论语.txt"), "old bytes");

  // A directory of the document's name is never replaced.
  temp.dir("run/corpus/经部/目录.txt");
  before = snapshot(temp.path());
  EXPECT_EQ(import("目录", "经部", true).message, Message::ImportFailed);
  EXPECT_EQ(snapshot(temp.path()), before);
}

// The copy succeeds but the file system refuses the final name: the temporary file must go too.
TEST_F(LibraryEdit, NameTheFileSystemRefusesLeavesNoTemporaryFileBehind) {
  auto before = snapshot(temp.path());
  std::string too_long(300, 'a');
  EXPECT_EQ(import(too_long, "经部").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, too_long, "经部"), Message::DirectoryFailed);
  EXPECT_EQ(snapshot(temp.path()), before);
  // At the top level of a corpus folder that did not exist yet, it is not left behind either.
  fs::remove_all(corpus);
  before = snapshot(temp.path());
  EXPECT_EQ(import(too_long, "").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, too_long, ""), Message::DirectoryFailed);
  EXPECT_EQ(snapshot(temp.path()), before);
}

TEST_F(LibraryEdit, MissingCorpusFolderIsCreatedOnFirstChangeOnlyAtTheTopLevel) {
  fs::remove_all(corpus);
  auto before = snapshot(temp.path());
  EXPECT_EQ(import("新书", "经部").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "子", "经部"), Message::DirectoryFailed);
  // A refused name does not leave a new corpus folder behind either.
  EXPECT_EQ(import("a/b", "").message, Message::ImportFailed);
  EXPECT_EQ(snapshot(temp.path()), before);

  EXPECT_EQ(import("新书", "").message, Message::ImportSucceeded);
  EXPECT_EQ(read_bytes(corpus / u8"新书.txt"), read_bytes(source));
  fs::remove_all(corpus);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "史部", ""), Message::DirectoryCreated);
  EXPECT_TRUE(fs::is_directory(corpus / u8"史部"));
}

TEST_F(LibraryEdit, DirectoryCreationChecksAndBothKinds) {
  auto before = snapshot(temp.path());
  EXPECT_EQ(lantaro::create_library_directory(corpus, "", std::nullopt),
            Message::EnterDirectoryName);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "", ""), Message::EnterDirectoryName);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "子部", std::nullopt),
            Message::ChooseParentDirectory);
  // An existing directory or document name: nothing changes.
  EXPECT_EQ(lantaro::create_library_directory(corpus, "经部", ""), Message::DirectoryFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "注疏", "经部"), Message::DirectoryFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "论语.txt", "经部"),
            Message::DirectoryFailed);
  EXPECT_EQ(snapshot(temp.path()), before);

  EXPECT_EQ(lantaro::create_library_directory(corpus, " 子部 ", ""), Message::DirectoryCreated);
  EXPECT_EQ(lantaro::create_library_directory(corpus, "十三经", "经部/注疏"),
            Message::DirectoryCreated);
  EXPECT_TRUE(fs::is_directory(corpus / u8"子部"));
  EXPECT_TRUE(fs::is_directory(corpus / u8"经部" / u8"注疏" / u8"十三经"));
  auto after = snapshot(temp.path());
  EXPECT_EQ(after.size(), before.size() + 2);
}

TEST(UsableName, KeepsInnerSpacesAndDropsOuterBlanks) {
  EXPECT_EQ(lantaro::usable_name(" 诗 经 "), "诗 经");
  EXPECT_EQ(lantaro::usable_name("a.b.c"), "a.b.c");
#ifndef _WIN32
  EXPECT_EQ(lantaro::usable_name("...."), "....");  // not a traversal, just dots
#endif
  EXPECT_FALSE(lantaro::usable_name("\xE3\x80\x80\t "));
}
