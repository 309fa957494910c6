#include "engine/common/run_directory.h"

#include <gtest/gtest.h>

namespace lantaro {
namespace {

TEST(RunDirectory, RootFolderNeverDoublesTheSeparator) {
  RunDirectory root = RunDirectory::from_executable_path("/lantaro");
  EXPECT_EQ(root.path(), "");
  EXPECT_EQ(root.settings_file(), "/ini/sys.ini");
  EXPECT_EQ(root.corpus_folder(), "/corpus/");
  EXPECT_EQ(root.help_file(), "/help.txt");

  EXPECT_EQ(RunDirectory::from_executable_path("/opt/lantaro/lantaro").settings_file(),
            "/opt/lantaro/ini/sys.ini");
  EXPECT_EQ(RunDirectory("/opt/lantaro/").settings_file(), "/opt/lantaro/ini/sys.ini");
  EXPECT_EQ(RunDirectory("/opt/lantaro//").help_file(), "/opt/lantaro/help.txt");
  EXPECT_EQ(RunDirectory("/").settings_file(), "/ini/sys.ini");
  // Chinese folder names pass through untouched.
  EXPECT_EQ(RunDirectory::from_executable_path("/语料/工具/lantaro").corpus_folder(),
            "/语料/工具/corpus/");
}

}  // namespace
}  // namespace lantaro
