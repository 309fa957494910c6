#pragma once
// A corpus document as the rest of the program sees it.

#include <filesystem>
#include <string>

namespace lantaro {

struct Document {
  std::filesystem::path path;   // the file itself
  std::string relative_path;    // below the corpus folder, "/"-separated, with ".txt" (UTF-8)
  std::u16string display_name;  // the file name without ".txt"

  friend bool operator==(const Document&, const Document&) = default;
};

}  // namespace lantaro
