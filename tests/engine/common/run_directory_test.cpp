#include "engine/common/run_directory.h"

#include <gtest/gtest.h>

#include <string>

namespace lantaro {
namespace {

// The run directory followed by a program file's constant, whose separators are the system's
// ("\ini\sys.ini" on Windows).
std::string under(std::string run_directory, std::string constant) {
#ifdef _WIN32
  for (char& c : constant)
    if (c == '/') c = '\\';
#endif
  return run_directory + constant;
}

TEST(RunDirectory, RootFolderNeverDoublesTheSeparator) {
  RunDirectory root = RunDirectory::from_executable_path("/lantaro");
  EXPECT_EQ(root.path(), "");
  EXPECT_EQ(root.settings_file(), under("", "/ini/sys.ini"));
  EXPECT_EQ(root.corpus_folder(), under("", "/corpus/"));
  EXPECT_EQ(root.help_file(), under("", "/help.txt"));

  EXPECT_EQ(RunDirectory::from_executable_path("/opt/lantaro/lantaro").settings_file(),
            under("/opt/lantaro", "/ini/sys.ini"));
  EXPECT_EQ(RunDirectory("/opt/lantaro/").settings_file(), under("/opt/lantaro", "/ini/sys.ini"));
  EXPECT_EQ(RunDirectory("/opt/lantaro//").help_file(), under("/opt/lantaro", "/help.txt"));
  EXPECT_EQ(RunDirectory("/").settings_file(), under("", "/ini/sys.ini"));
  // Chinese folder names pass through untouched.
  EXPECT_EQ(RunDirectory::from_executable_path("/语料/工具/lantaro").corpus_folder(),
            under("/语料/工具", "/corpus/"));
}

}  // namespace
}  // namespace lantaro
