#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro {
namespace {

namespace fs = std::filesystem;

class TempFolder : public testing::TempFolder {
 public:
  TempFolder() : testing::TempFolder("platform") {}
};

void write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(Platform, ReadFileGivesTheBytesAndTheSameStampAsFileStamp) {
  TempFolder folder;
  const fs::path big = folder / "big.txt";
  const fs::path small = folder / "small.txt";
  std::string content(300000, 'x');
  for (std::size_t i = 0; i < content.size(); i += 7)
    content[i] = static_cast<char>(0x80 + i % 100);
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

TEST(Platform, FolderCursorAgreesWithWholePathsAcrossFolders) {
  TempFolder folder;
  fs::create_directories(folder / "经部");
  fs::create_directories(folder / "史部");
  write(folder / "经部/论语.txt", "\xD1\xA7\xB6\xF8");
  write(folder / "经部/孟子.txt", "abc");
  write(folder / "史部/史记.txt", std::string(5000, 'x'));
  // Around the first read's 64 KiB: one that fills it exactly, one that outgrows it.
  write(folder / "史部/汉书.txt", std::string(std::size_t{64} << 10, 'y'));
  std::string large(200'000, 'z');
  large[199'999] = 'w';
  write(folder / "史部/后汉书.txt", large);
  fs::create_directories(folder / "经部/子目录.txt");

  platform::FolderCursor cursor;
  std::string bytes;
  // Back and forth between two folders, so the cursor both keeps and changes its folder.
  for (const fs::path& path : {folder / "经部/论语.txt", folder / "经部/孟子.txt",
                               folder / "史部/史记.txt", folder / "经部/论语.txt"}) {
    SCOPED_TRACE(path.string());
    ASSERT_TRUE(cursor.file_stamp(path));
    EXPECT_EQ(cursor.file_stamp(path), platform::file_stamp(path));
    std::string expected;
    ASSERT_TRUE(platform::read_file(path, expected));
    auto read = cursor.read_file(path, bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(read->stamp, platform::file_stamp(path));
  }
  // Read into a buffer never made smaller: each file is its first bytes, whatever came before.
  std::string buffer;
  for (const char* name : {"史部/后汉书.txt", "经部/孟子.txt", "史部/汉书.txt", "史部/史记.txt",
                           "史部/后汉书.txt", "经部/论语.txt"}) {
    SCOPED_TRACE(name);
    std::string expected;
    ASSERT_TRUE(platform::read_file(folder / name, expected));
    const std::optional<std::size_t> size = cursor.read_file_into((folder / name).native(), buffer);
    ASSERT_TRUE(size);
    EXPECT_EQ(std::string_view(buffer).substr(0, *size), expected);
  }
  EXPECT_FALSE(cursor.read_file_into((folder / "经部/缺失.txt").native(), buffer));
  EXPECT_FALSE(cursor.read_file_into((folder / "经部/子目录.txt").native(), buffer));
#ifndef _WIN32
  // A device in a document's place is refused rather than read without end.
  fs::create_symlink("/dev/zero", folder / "经部/设备.txt");
  EXPECT_FALSE(cursor.read_file_into((folder / "经部/设备.txt").native(), buffer));
#endif
  // Missing files, folders and missing folders give nothing, as with whole paths.
  EXPECT_FALSE(cursor.file_stamp(folder / "经部/缺失.txt"));
  EXPECT_FALSE(cursor.read_file(folder / "经部/缺失.txt", bytes));
  EXPECT_FALSE(cursor.file_stamp(folder / "经部/子目录.txt"));
  EXPECT_FALSE(cursor.read_file(folder / "经部/子目录.txt", bytes));
  EXPECT_FALSE(cursor.file_stamp(folder / "子部/庄子.txt"));
  EXPECT_FALSE(cursor.read_file(folder / "子部/庄子.txt", bytes));

  // A file removed while its folder is open is gone for the cursor too.
  EXPECT_TRUE(cursor.file_stamp(folder / "经部/孟子.txt"));
  fs::remove(folder / "经部/孟子.txt");
  EXPECT_FALSE(cursor.file_stamp(folder / "经部/孟子.txt"));
  EXPECT_FALSE(cursor.read_file(folder / "经部/孟子.txt", bytes));
}

TEST(Platform, FolderListingTellsFoldersFromFilesAndFailsForAMissingFolder) {
  TempFolder folder;
  fs::create_directories(folder / "经部");
  write(folder / "论语.txt", "abc");
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::list_folder((folder / "").native(), entries));
  std::vector<std::pair<std::string, platform::FolderEntry::Kind>> listed;
  for (const auto& e : entries) listed.emplace_back(path_to_utf8(fs::path(e.name)), e.kind);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, platform::FolderEntry::Kind>>{
                        {"经部", platform::FolderEntry::Kind::Folder},
                        {"论语.txt", platform::FolderEntry::Kind::File}}));
  entries.clear();
  EXPECT_FALSE(platform::list_folder((folder / "缺失").native(), entries));
  EXPECT_FALSE(platform::list_folder((folder / "论语.txt").native(), entries));
}

// Where folders can be watched at all (Linux, a local file system), a watched folder reports
// every kind of change to its entries, each once, and its own removal.
TEST(Platform, FolderWatchReportsChangesOnceAndRemovedFolders) {
  TempFolder folder;
  fs::create_directories(folder / "经部");
  write(folder / "经部/论语.txt", "abc");
  auto cursor = std::make_unique<platform::FolderCursor>();
  const auto id = cursor->enter_folder_of(folder / "经部/论语.txt");
  if (!id) GTEST_SKIP() << "folders have no identity here";
  // The identity is the folder's, whichever of its files led there, and not another folder's.
  EXPECT_EQ(cursor->enter_folder_of(folder / "经部/孟子.txt"), id);
  platform::FolderCursor other;
  EXPECT_NE(other.enter_folder_of(folder / "x.txt"), id);

  platform::FolderWatch watch;
  if (!watch.watch(*cursor)) GTEST_SKIP() << "folders cannot be watched here";
  cursor.reset();  // a folder held open is not yet gone when removed
  std::vector<platform::FolderId> gone;
  EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::None);

  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"write", [&] { std::ofstream(folder / "经部/论语.txt", std::ios::app) << "d"; }},
      {"create", [&] { write(folder / "经部/孟子.txt", "x"); }},
      {"rename", [&] { fs::rename(folder / "经部/孟子.txt", folder / "经部/荀子.txt"); }},
      {"times",
       [&] { fs::last_write_time(folder / "经部/论语.txt", fs::file_time_type::clock::now()); }},
      {"remove", [&] { fs::remove(folder / "经部/荀子.txt"); }},
  };
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    change();
    EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::Some);
    // Each report is collected once.
    EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::None);
    EXPECT_TRUE(gone.empty());
  }
  // A change in an unwatched folder is not reported.
  write(folder / "史记.txt", "x");
  EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::None);

  // More reports than the system queues: it drops the rest, and says so.
  std::size_t queue_limit = 0;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queue_limit;
  if (queue_limit > 0 && queue_limit <= 100000) {
    // Two files in turn: the system merges a report into an equal one just before it.
    std::ofstream logs[2] = {std::ofstream(folder / "经部/论语.txt", std::ios::app),
                             std::ofstream(folder / "经部/孟子.txt", std::ios::app)};
    for (std::size_t i = 0; i <= queue_limit; ++i) logs[i % 2].write("x", 1).flush();
    EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::Lost);
    EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::None);
  }

  fs::remove_all(folder / "经部");
  EXPECT_EQ(watch.collect_changes(gone), platform::FolderWatch::Changes::Some);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0], *id);
}

}  // namespace
}  // namespace lantaro
