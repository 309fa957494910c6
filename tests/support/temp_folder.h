#pragma once
// A temporary folder for one test, removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/common/text.h"

namespace lantaro::testing {

class TempFolder {
 public:
  explicit TempFolder(std::string_view tag = "test") {
    path_ = std::filesystem::temp_directory_path() /
            ("lantaro-" + std::string(tag) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const char* utf8) const { return path_ / path_from_utf8(utf8); }
  void write(const std::filesystem::path& relative, std::string_view bytes) const {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace lantaro::testing
