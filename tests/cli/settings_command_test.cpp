#include "cli/settings_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

struct CommandRun {
  int code;
  std::string out;
  std::string err;
};

CommandRun run(const fs::path& root, const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliContext context{RunDirectory(path_to_utf8(root)), out, err, nullptr};
  int code = run_settings_command(args, context);
  return {code, out.str(), err.str()};
}

class SettingsCommand : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_ / "ini"); }
  void write_settings(std::u16string_view text) {
    std::ofstream(root_ / "ini" / "sys.ini", std::ios::binary) << encode_gbk(text);
  }
  testing::TempFolder temp_;
  const fs::path root_ = temp_.path();
};

TEST_F(SettingsCommand, PrintsBothLengthsFromTheGbkFile) {
  write_settings(u"[上下文取字数配置]\r\n上下文上取字数=30\r\n上下文下取字数=250\r\n");
  CommandRun r = run(root_, {});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "上下文上取字数=30\n上下文下取字数=250\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(SettingsCommand, MissingInvalidOrNegativeValuesPrintTheDefault) {
  CommandRun no_file = run(root_, {});
  EXPECT_EQ(no_file.code, 0);
  EXPECT_EQ(no_file.out, "上下文上取字数=100\n上下文下取字数=100\n");

  write_settings(u"[上下文取字数配置]\r\n上下文上取字数=-1\r\n上下文下取字数=多\r\n");
  EXPECT_EQ(run(root_, {}).out, "上下文上取字数=100\n上下文下取字数=100\n");

  write_settings(u"[上下文取字数配置]\r\n上下文下取字数=0\r\n");
  EXPECT_EQ(run(root_, {}).out, "上下文上取字数=100\n上下文下取字数=0\n");
}

TEST_F(SettingsCommand, RejectsArgumentsWithExitCodeTwo) {
  CommandRun extra = run(root_, {"more"});
  EXPECT_EQ(extra.code, 2);
  EXPECT_EQ(extra.out, "");
  EXPECT_NE(extra.err, "");
  EXPECT_EQ(run(root_, {"--json"}).code, 2);
}

}  // namespace
}  // namespace lantaro
