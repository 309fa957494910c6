#pragma once
// A throw-away folder for tests that touch the file system, with helpers to lay out a library
// and to take a snapshot of everything below a folder (to prove that nothing was written).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/common/text.h"

namespace lantaro::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("lantaro-corpus-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
  }
  ~TempFolder() {
    std::error_code ec;
    // Tests may leave unreadable folders behind; make them removable again first.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(root_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return root_; }

  // Paths are UTF-8 and "/"-separated, relative to the folder; parents are created.
  std::filesystem::path file(std::string_view relative, std::string_view bytes = "") const {
    std::filesystem::path p = root_ / path_from_utf8(relative);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::filesystem::path dir(std::string_view relative) const {
    std::filesystem::path p = root_ / path_from_utf8(relative);
    std::filesystem::create_directories(p);
    return p;
  }

 private:
  std::filesystem::path root_;
};

inline std::string read_bytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every entry below `root` (links not followed) with the bytes of each file.
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
