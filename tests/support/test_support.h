#pragma once
// Helpers shared by the retrieval engine tests: a temporary folder that cleans up after itself
// and small documents written in the corpus code page.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/corpus/document.h"

namespace lantaro::testing {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("lantaro-retrieval-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view relative_utf8) const {
    return path_ / path_from_utf8(relative_utf8);
  }

 private:
  std::filesystem::path path_;
};

inline void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Writes `text` as GBK and returns the document as the library would describe it.
inline Document write_gbk_document(const TempFolder& folder, std::string_view relative_utf8,
                                   std::u16string_view text) {
  Document d;
  d.path = folder / relative_utf8;
  d.relative_path = std::string(relative_utf8);
  write_bytes(d.path, encode_gbk(text));
  std::u16string name = d.path.filename().u16string();
  d.display_name = name.substr(0, name.size() - 4);
  return d;
}

}  // namespace lantaro::testing
