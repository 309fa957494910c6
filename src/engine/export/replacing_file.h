#pragma once
// Replaces a user's file only once its new content is complete: the bytes go to a temporary file
// in the target's folder and are renamed over the target at the very end, so any failure on the
// way leaves the old file exactly as it was and no temporary file behind.

#include <filesystem>
#include <fstream>
#include <string_view>

namespace lantaro {

class ReplacingFile {
 public:
  // Checks the target and creates the temporary file; ok() tells whether that worked. A target
  // that exists but is not a regular file, or is marked read-only, is refused.
  explicit ReplacingFile(const std::filesystem::path& target);
  ~ReplacingFile();  // discards the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool ok() const { return ok_; }
  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporary_path() const { return temporary_; }

  // Appends to the temporary file; false (and not ok() any more) when the write fails.
  bool write(std::string_view bytes);
  // Closes the temporary file so that another writer may fill it by its path.
  bool close_stream();
  // Flushes and closes the temporary file, gives it the old file's permissions and renames it
  // over the target. False on any failure; the target is then untouched.
  bool commit();
  // Removes the temporary file; the target is untouched.
  void discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream stream_;
  bool ok_ = false;
  bool done_ = false;
};

// Whether a file exists under that path and carries no write permission for its owner (the
// read-only mark; root ignores permissions, so this looks at the mark itself).
bool is_marked_read_only(const std::filesystem::path& path);

// A name in `folder` that names no existing file: `stem` + `extension`, or with "-2", "-3", ...
// before the extension. Empty when none of the first many is free.
std::filesystem::path unused_file_name(const std::filesystem::path& folder,
                                       std::u16string_view stem, std::u16string_view extension);

}  // namespace lantaro
