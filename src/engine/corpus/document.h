#pragma once
// A corpus document as the rest of the program sees it.

#include <filesystem>
#include <string>

namespace lantaro {

struct Document {
  // The file itself, in the system's own form: a std::filesystem::path object would cost several
  // allocations for each of the tens of thousands of documents a search goes through.
  std::filesystem::path::string_type path;
  std::string relative_path;    // below the corpus folder, "/"-separated, with ".txt" (UTF-8)
  std::u16string display_name;  // the file name without ".txt"

  friend bool operator==(const Document&, const Document&) = default;
};

}  // namespace lantaro
