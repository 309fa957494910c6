#include "cli/corpus_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/common/messages.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using lantaro::Message;
using lantaro::message_text;
using lantaro::testing::read_bytes;
using lantaro::testing::snapshot;
using lantaro::testing::TempFolder;

namespace {

class CorpusCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.file("run/corpus/经部/论语.txt", "old");
    temp.file("run/corpus/蒙学/三字经.txt", "sz");
    temp.file("run/corpus/序.txt", "xu");
    source = temp.file("in/书.txt", "\xCA\xE9");
  }
  int run(lantaro::CliCommand command, std::vector<std::string> args) {
    out.str("");
    err.str("");
    lantaro::CliContext context{lantaro::RunDirectory(lantaro::path_to_utf8(temp.path() / "run")),
                                out, err, nullptr};
    return command(args, context);
  }
  static std::string line(Message m) { return std::string(message_text(m)) + "\n"; }

  TempFolder temp;
  fs::path source;
  std::ostringstream out, err;
};

}  // namespace

TEST_F(CorpusCommands, ListPrintsAnIndentedTreeWithItemIndexes) {
  EXPECT_EQ(run(lantaro::run_list_command, {}), 0);
  EXPECT_EQ(out.str(),
            "0  经部/\n"
            "1    论语\n"
            "2  蒙学/\n"
            "3    三字经\n"
            "4  序\n");
  EXPECT_EQ(run(lantaro::run_list_command, {"extra"}), 2);
  fs::remove_all(temp.path() / "run" / "corpus");
  EXPECT_EQ(run(lantaro::run_list_command, {}), 0);
  EXPECT_EQ(out.str(), "");
}

TEST_F(CorpusCommands, ListPadsIndexesToOneWidth) {
  for (int i = 0; i < 10; ++i) temp.file("run/corpus/d/" + std::to_string(i) + ".txt", "");
  ASSERT_EQ(run(lantaro::run_list_command, {}), 0);
  std::istringstream lines(out.str());
  std::string first, last, l;
  std::getline(lines, first);
  while (std::getline(lines, l)) last = l;
  EXPECT_EQ(first, " 0  d/");
  EXPECT_EQ(last, "15  序");
}

TEST_F(CorpusCommands, ImportRunsTheSameChecksAndReportsOnTheRightStream) {
  std::string file = lantaro::path_to_utf8(source);
  EXPECT_EQ(run(lantaro::run_import_command, {}), 1);
  EXPECT_EQ(err.str(), line(Message::ChooseTxtFile));
  EXPECT_EQ(run(lantaro::run_import_command, {file}), 1);
  EXPECT_EQ(err.str(), line(Message::EnterDisplayName));
  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name", "../外"}), 1);
  EXPECT_EQ(err.str(), line(Message::ImportFailed));
  EXPECT_FALSE(fs::exists(temp.path() / "run" / u8"外.txt"));
  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name", "书", "--to", "没有"}), 1);
  EXPECT_EQ(err.str(), line(Message::ImportFailed));
  EXPECT_EQ(run(lantaro::run_import_command, {file, file, "--name", "书"}), 2);
  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name"}), 2);

  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name", "书", "--to", "蒙学/"}), 0);
  EXPECT_EQ(out.str(), line(Message::ImportSucceeded));
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(read_bytes(temp.path() / "run" / "corpus" / u8"蒙学" / u8"书.txt"), "\xCA\xE9");
  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name=书"}), 0);
  EXPECT_EQ(read_bytes(temp.path() / "run" / "corpus" / u8"书.txt"), "\xCA\xE9");
}

TEST_F(CorpusCommands, ImportReplacesOnlyWithYes) {
  std::string file = lantaro::path_to_utf8(source);
  auto before = snapshot(temp.path());
  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name", "论语", "--to", "经部"}), 1);
  EXPECT_EQ(err.str(),
            lantaro::replace_document_question("论语") + "\n" + line(Message::ImportFailed));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(snapshot(temp.path()), before);

  EXPECT_EQ(run(lantaro::run_import_command, {file, "--name", "论语", "--to", "经部", "--yes"}), 0);
  EXPECT_EQ(read_bytes(temp.path() / "run" / "corpus" / u8"经部" / u8"论语.txt"), "\xCA\xE9");
}

TEST_F(CorpusCommands, MkdirAtTopLevelOrInsideADirectory) {
  EXPECT_EQ(run(lantaro::run_mkdir_command, {}), 1);
  EXPECT_EQ(err.str(), line(Message::EnterDirectoryName));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"经部"}), 1);
  EXPECT_EQ(err.str(), line(Message::DirectoryFailed));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {".."}), 1);
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"新", "--in", "没有"}), 1);
  EXPECT_EQ(err.str(), line(Message::DirectoryFailed));

  EXPECT_EQ(run(lantaro::run_mkdir_command, {"史部"}), 0);
  EXPECT_EQ(out.str(), line(Message::DirectoryCreated));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"注疏", "--in", "经部"}), 0);
  EXPECT_TRUE(fs::is_directory(temp.path() / "run" / "corpus" / u8"史部"));
  EXPECT_TRUE(fs::is_directory(temp.path() / "run" / "corpus" / u8"经部" / u8"注疏"));
  EXPECT_EQ(run(lantaro::run_mkdir_command, {"a", "b"}), 2);
}
