#include "app/platform.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace lantaro {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    path_ = fs::temp_directory_path() /
            ("lantaro-platform-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

void write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(Platform, ReadFileGivesTheBytesAndTheSameStampAsFileStamp) {
  TempFolder folder;
  const fs::path big = folder / "big.txt";
  const fs::path small = folder / "small.txt";
  std::string content(300000, 'x');
  for (std::size_t i = 0; i < content.size(); i += 7) content[i] = static_cast<char>(0x80 + i % 100);
  content[1000] = '\0';  // bytes, not a C string
  write(big, content);
  write(small, "\xD1\xA7\r\n");
  fs::create_directories(folder / "folder.txt");

  std::string buffer;
  auto read = platform::read_file(big, buffer);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->complete);
  EXPECT_EQ(buffer, content);
  EXPECT_EQ(read->stamp, platform::file_stamp(big));

  // The same buffer for a shorter file holds exactly that file, nothing left over.
  read = platform::read_file(small, buffer);
  ASSERT_TRUE(read);
  EXPECT_EQ(buffer, "\xD1\xA7\r\n");
  EXPECT_EQ(read->stamp, platform::file_stamp(small));
  EXPECT_EQ(read->stamp.size, 4u);

  write(small, "");
  read = platform::read_file(small, buffer);
  ASSERT_TRUE(read);
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(read->stamp.size, 0u);

  EXPECT_FALSE(platform::read_file(folder / "missing.txt", buffer));
  EXPECT_FALSE(platform::read_file(folder / "folder.txt", buffer));
}

// The fields are the local calendar time of the instant (a workbook is named after it): turned
// back into an instant by the C library they give the same one, leap day and epoch included.
TEST(Platform, LocalTimeGivesTheInstantBack) {
  for (std::time_t instant : {std::time_t{86400}, std::time_t{951825600} /* 2000-02-29 12:00Z */,
                              std::time_t{1700000000}}) {
    std::tm fields = platform::local_time(instant);
    EXPECT_GE(fields.tm_mday, 1);
    EXPECT_EQ(std::mktime(&fields), instant);
  }
  // Mid-month noon: the same year and month in every time zone.
  const std::tm mid_february = platform::local_time(950616000);  // 2000-02-15 12:00Z
  EXPECT_EQ(mid_february.tm_year, 100);
  EXPECT_EQ(mid_february.tm_mon, 1);
}

}  // namespace
}  // namespace lantaro
