// The library against odd files, odd names and a corpus folder that is not what it should be:
// scanning lists what it can, import and directory creation refuse with their message, and
// nothing is ever written outside the corpus folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/corpus_commands.h"
#include "engine/common/codepage.h"
#include "engine/common/messages.h"
#include "engine/corpus/library_edit.h"
#include "engine/corpus/library_tree.h"
#include "support/odd_names.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using lantaro::Message;
using lantaro::message_text;
using lantaro::testing::read_bytes;
using lantaro::testing::snapshot;
using lantaro::testing::TempFolder;

namespace {

std::string repeated(std::string_view piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

std::string line(Message m) { return std::string(message_text(m)) + "\n"; }

class BadLibraryInput : public ::testing::Test {
 protected:
  fs::path run_path() const { return temp.path() / "run"; }
  fs::path corpus() const { return run_path() / "corpus"; }
  int run(lantaro::CliCommand command, std::vector<std::string> args) {
    out.str("");
    err.str("");
    lantaro::CliContext context{lantaro::RunDirectory(lantaro::path_to_utf8(run_path())), out, err,
                                nullptr};
    return command(args, context);
  }
  lantaro::ImportOutcome import(const std::string& source, const std::string& name,
                                const std::string& location = "") {
    return lantaro::import_document(corpus(), {source, name, location},
                                    [](std::string_view) { return true; });
  }

  TempFolder temp;
  std::ostringstream out, err;
};

TEST_F(BadLibraryInput, ScanListsOddDocumentsAndSkipsWhatIsNoDocument) {
  const std::string long_name = repeated("长", 80);  // 244 bytes with ".txt"
  temp.file("run/corpus/空.txt");
  temp.file("run/corpus/一.txt", "a");
  temp.file("run/corpus/二进制.txt", std::string("\0\xFF\x81\x00\x7F", 5));
  temp.file("run/corpus/带 空 格.txt", "x");
  temp.file("run/corpus/引" LANTARO_NAME_QUOTE "号'.txt", "x");
  temp.file("run/corpus/全角　名（一）.TXT", "x");
  temp.file("run/corpus/" + long_name + ".txt", "x");
  temp.file("run/corpus/说明.md", "x");
  temp.dir("run/corpus/目录.txt");
  // Where no link can be made (Wine; Windows without the right), the name stays absent,
  // which every check below also allows.
  std::error_code link_error;
  fs::create_symlink(corpus() / u8"没有.txt", corpus() / u8"悬空.txt", link_error);

  lantaro::LibraryTree tree = lantaro::scan_library(corpus());
  std::vector<std::u16string> labels;
  for (const lantaro::LibraryItem& item : tree.items()) labels.push_back(item.label);
  EXPECT_EQ(labels, (std::vector<std::u16string>{u"目录.txt", u"一", u"二进制", u"全角　名（一）",
                                                 u"带 空 格", u"引" LANTARO_NAME_QUOTE "号'", u"空",
                                                 lantaro::utf8_to_utf16(long_name)}));
  ASSERT_TRUE(tree.find("全角　名（一）.txt"));
  EXPECT_EQ(tree.document(*tree.find("引" LANTARO_NAME_QUOTE "号'")).path,
            corpus() / u8"引" LANTARO_NAME_QUOTE "号'.txt");

  ASSERT_EQ(run(lantaro::run_list_command, {}), 0);
  EXPECT_NE(out.str().find("带 空 格\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find(long_name + "\n"), std::string::npos);
}

TEST_F(BadLibraryInput, OddSourceFilesAreCopiedByteForByte) {
  const std::string binary("\0\x01\xFF\xFE\x81\x30\x0D\x0A\x00", 9);
  const std::vector<std::pair<std::string, std::string>> sources = {
      {"空", ""},
      {"一字节", "\xD7"},
      {"二进制", binary},
      {"四字节", "\x90\x30\x81\x30"},
      {"有BOM", "\xEF\xBB\xBF\xE5\xAD\x90"},
      {"截断", "\xD1\xA7\xB6"}};
  temp.dir("run/corpus");
  for (const auto& [name, bytes] : sources) {
    fs::path source =
        temp.file("in/" + name + " 源 " LANTARO_NAME_QUOTE "文件" LANTARO_NAME_QUOTE ".txt", bytes);
    lantaro::ImportOutcome outcome = import(lantaro::path_to_utf8(source), name);
    EXPECT_EQ(outcome.message, Message::ImportSucceeded) << name;
    EXPECT_EQ(read_bytes(corpus() / lantaro::path_from_utf8(name + ".txt")), bytes) << name;
  }
  // Names with spaces inside, quotes and full-width characters are kept as typed.
  fs::path source = temp.file("in/s.txt", "x");
  for (const std::string& name : std::vector<std::string>{"带 空 格", "引" LANTARO_NAME_QUOTE "号'",
                                                          "全角　名（一）", repeated("长", 80)}) {
    EXPECT_EQ(import(lantaro::path_to_utf8(source), name).message, Message::ImportSucceeded);
    EXPECT_TRUE(fs::is_regular_file(corpus() / lantaro::path_from_utf8(name + ".txt"))) << name;
  }
  EXPECT_EQ(lantaro::scan_library(corpus()).document_count(), sources.size() + 4);
}

TEST_F(BadLibraryInput, SourcesThatAreNoFileAndNamesTooLongFailWithNothingWritten) {
  temp.file("run/corpus/旧.txt", "old");
  fs::path folder = temp.dir("in/文件夹.txt");
  fs::path dangling = temp.path() / "in" / u8"悬空.txt";
  // Where no link can be made (Wine; Windows without the right), the name stays absent,
  // which every check below also allows.
  std::error_code link_error;
  fs::create_symlink(temp.path() / "in" / u8"没有.txt", dangling, link_error);
  fs::path good = temp.file("in/好.txt", "x");
  const auto before = snapshot(temp.path());

  for (const fs::path& p : {folder, dangling, temp.path() / "in" / u8"没有.txt"})
    EXPECT_EQ(import(lantaro::path_to_utf8(p), "新").message, Message::ImportFailed) << p;
  // 300 characters are 900 bytes: more than any file name may have.
  EXPECT_EQ(import(lantaro::path_to_utf8(good), repeated("长", 300)).message,
            Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus(), repeated("长", 300), ""),
            Message::DirectoryFailed);
  EXPECT_EQ(snapshot(temp.path()), before);

  EXPECT_EQ(run(lantaro::run_import_command,
                {lantaro::path_to_utf8(good), "--name", repeated("长", 300)}),
            1);
  EXPECT_EQ(err.str(), line(Message::ImportFailed));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {repeated("长", 300)}), 1);
  EXPECT_EQ(err.str(), line(Message::DirectoryFailed));
  EXPECT_EQ(snapshot(temp.path()), before);
}

TEST_F(BadLibraryInput, CorpusFolderThatIsAFileIsLeftAloneAndEveryChangeFails) {
  temp.file("run/corpus", "not a folder");
  fs::path source = temp.file("in/书.txt", "x");
  const auto before = snapshot(temp.path());

  EXPECT_EQ(import(lantaro::path_to_utf8(source), "书").message, Message::ImportFailed);
  EXPECT_EQ(import(lantaro::path_to_utf8(source), "书", "经部").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus(), "经部", ""), Message::DirectoryFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus(), "经部", "甲"), Message::DirectoryFailed);
  EXPECT_TRUE(lantaro::scan_library(corpus()).empty());

  EXPECT_EQ(run(lantaro::run_import_command, {lantaro::path_to_utf8(source), "--name", "书"}), 1);
  EXPECT_EQ(err.str(), line(Message::ImportFailed));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"经部"}), 1);
  EXPECT_EQ(err.str(), line(Message::DirectoryFailed));
  // Listing says why there is nothing to list.
  EXPECT_EQ(run(lantaro::run_list_command, {}), 1);
  EXPECT_NE(err.str().find("不是文件夹"), std::string::npos);
  EXPECT_EQ(snapshot(temp.path()), before);
}

TEST_F(BadLibraryInput, RunFolderThatIsAFileMakesNoCorpusFolderAnywhere) {
  // The corpus folder cannot be created: its parent is a regular file.
  temp.file("run", "not a folder");
  fs::path source = temp.file("in/书.txt", "x");
  const auto before = snapshot(temp.path());
  EXPECT_EQ(import(lantaro::path_to_utf8(source), "书").message, Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(corpus(), "经部", ""), Message::DirectoryFailed);
  EXPECT_EQ(run(lantaro::run_import_command, {lantaro::path_to_utf8(source), "--name", "书"}), 1);
  EXPECT_EQ(err.str(), line(Message::ImportFailed));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"经部"}), 1);
  EXPECT_EQ(err.str(), line(Message::DirectoryFailed));
  EXPECT_EQ(run(lantaro::run_list_command, {}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(snapshot(temp.path()), before);
}

// A real read-only file system: a small memory file system mounted, filled, then remounted
// read-only. Needs the right to mount; otherwise skipped.
class ReadOnlyCorpus : public BadLibraryInput {
 protected:
  void SetUp() override {
    mount_point = temp.dir("ro");
    const std::string at = "'" + lantaro::path_to_utf8(mount_point) + "'";
    if (std::system(("mount -t tmpfs -o size=1m tmpfs " + at + " 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "no right to mount a file system here";
    mounted = true;
    fs::create_directories(mount_point / u8"run/corpus/经部");
    std::ofstream(mount_point / u8"run/corpus/经部/论语.txt", std::ios::binary) << "old";
    fs::create_directories(mount_point / "empty-run");
    if (std::system(("mount -o remount,ro " + at + " 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "the file system cannot be made read-only";
  }
  void TearDown() override {
    if (mounted) {
      EXPECT_EQ(std::system(("umount '" + lantaro::path_to_utf8(mount_point) + "'").c_str()), 0);
    }
  }
  fs::path mount_point;
  bool mounted = false;
};

TEST_F(ReadOnlyCorpus, ImportAndDirectoryCreationFailAndChangeNothing) {
  const fs::path ro_corpus = mount_point / "run/corpus";
  fs::path source = temp.file("in/书.txt", "new");
  const auto before = snapshot(temp.path());
  auto replace = [](std::string_view) { return true; };

  EXPECT_EQ(lantaro::import_document(ro_corpus, {lantaro::path_to_utf8(source), "书", ""}, replace)
                .message,
            Message::ImportFailed);
  EXPECT_EQ(
      lantaro::import_document(ro_corpus, {lantaro::path_to_utf8(source), "论语", "经部"}, replace)
          .message,
      Message::ImportFailed);
  EXPECT_EQ(lantaro::create_library_directory(ro_corpus, "史部", ""), Message::DirectoryFailed);
  EXPECT_EQ(lantaro::create_library_directory(ro_corpus, "注", "经部"), Message::DirectoryFailed);
  // A run folder on the read-only system without a corpus folder yet.
  EXPECT_EQ(lantaro::import_document(mount_point / "empty-run/corpus",
                                     {lantaro::path_to_utf8(source), "书", ""}, replace)
                .message,
            Message::ImportFailed);

  std::ostringstream o, e;
  lantaro::CliContext context{lantaro::RunDirectory(lantaro::path_to_utf8(mount_point / "run")), o,
                              e, nullptr};
  EXPECT_EQ(
      lantaro::run_import_command(
          {lantaro::path_to_utf8(source), "--name", "论语", "--to", "经部", "--yes"}, context),
      1);
  EXPECT_EQ(lantaro::run_mkdir_command({"史部"}, context), 1);
  EXPECT_EQ(e.str(), line(Message::ImportFailed) + line(Message::DirectoryFailed));
  EXPECT_EQ(o.str(), "");

  EXPECT_EQ(read_bytes(ro_corpus / u8"经部/论语.txt"), "old");
  EXPECT_EQ(lantaro::scan_library(ro_corpus).size(), 2u);
  EXPECT_FALSE(fs::exists(mount_point / "empty-run/corpus"));
  // The temporary parent holds the mount point; the mounted system itself is unchanged above.
  EXPECT_EQ(snapshot(temp.path()), before);
}

}  // namespace
