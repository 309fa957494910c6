#pragma once
// The one temporary folder of the test suites, removed with everything in it afterwards, and
// the file helpers that go with it. Names are UTF-8 and go through path_from_utf8, so the same
// test builds its Chinese file names on Windows too.

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/text.h"

namespace lantaro::testing {

class TempFolder {
 public:
  explicit TempFolder(std::string_view tag = "test") {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("lantaro-" + std::string(tag) + "-" + std::to_string(random()) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    // Tests leave read-only files and unreadable folders behind; make them removable first.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view relative_utf8) const {
    return path_ / path_from_utf8(relative_utf8);
  }

  // Paths are "/"-separated, relative to the folder; parents are created.
  std::filesystem::path file(std::string_view relative_utf8, std::string_view bytes = "") const {
    return write(path_from_utf8(relative_utf8), bytes);
  }
  std::filesystem::path dir(std::string_view relative_utf8) const {
    std::filesystem::path p = *this / relative_utf8;
    std::filesystem::create_directories(p);
    return p;
  }
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view bytes) const {
    std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  // Names of everything in the folder itself, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      out.push_back(path_to_utf8(entry.path().filename()));
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

inline std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces the file's bytes; parents are created.
inline void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every entry below `root` (links not followed) with the bytes of each file: equal snapshots
// before and after prove that nothing was written.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::string name = path_to_utf8(std::filesystem::relative(it->path(), root));
#ifdef _WIN32
    std::replace(name.begin(), name.end(), '\\', '/');  // the same keys on every system
#endif
    if (it->is_symlink())
      entries[name] = "link";
    else if (it->is_directory())
      entries[name + "/"] = "";
    else
      entries[name] = read_bytes(it->path());
  }
  return entries;
}

}  // namespace lantaro::testing
