#include "engine/common/run_directory.h"

#include "engine/common/text.h"
#include "platform/platform.h"

namespace lantaro {

RunDirectory::RunDirectory(std::string path_utf8) : path_(std::move(path_utf8)) {
  // Held without a trailing separator, whatever the caller passed.
  while (!path_.empty() && (path_.back() == '/' || path_.back() == '\\')) path_.pop_back();
}

RunDirectory RunDirectory::from_executable_path(std::string_view executable_utf8) {
#ifdef _WIN32
  constexpr std::string_view kSeparators = "\\/";
#else
  constexpr std::string_view kSeparators = "/";
#endif
  std::size_t cut = executable_utf8.find_last_of(kSeparators);
  if (cut == std::string_view::npos) return RunDirectory(".");
  return RunDirectory(std::string(executable_utf8.substr(0, cut)));
}

RunDirectory RunDirectory::of_running_program() {
  std::string exe = platform::executable_path();
  if (exe.empty()) return RunDirectory(path_to_utf8(std::filesystem::current_path()));
  return from_executable_path(exe);
}

std::filesystem::path RunDirectory::corpus_path() const { return path_from_utf8(corpus_folder()); }
std::filesystem::path RunDirectory::settings_path() const {
  return path_from_utf8(settings_file());
}
std::filesystem::path RunDirectory::help_path() const { return path_from_utf8(help_file()); }

}  // namespace lantaro
