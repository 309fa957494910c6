#pragma once
// The run directory: the folder that holds the executable, without a trailing separator. Every
// file the program uses is the run directory followed by one of the constants below, each of
// which begins with the separator (so the root folder yields "/ini/sys.ini", never "//").

#include <filesystem>
#include <string>
#include <string_view>

namespace lantaro {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kCorpusFolderConstant = "\\corpus\\";
inline constexpr std::string_view kSettingsFileConstant = "\\ini\\sys.ini";
inline constexpr std::string_view kHelpFileConstant = "\\help.txt";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kCorpusFolderConstant = "/corpus/";
inline constexpr std::string_view kSettingsFileConstant = "/ini/sys.ini";
inline constexpr std::string_view kHelpFileConstant = "/help.txt";
#endif

class RunDirectory {
 public:
  // The directory part of the executable's full path, cut at its last separator ("/" also on
  // Windows, where both are separators).
  static RunDirectory from_executable_path(std::string_view executable_utf8);
  // The running executable's folder; falls back to the current directory.
  static RunDirectory of_running_program();

  explicit RunDirectory(std::string path_utf8);

  const std::string& path() const { return path_; }  // UTF-8, no trailing separator
  std::string corpus_folder() const { return path_ + std::string(kCorpusFolderConstant); }
  std::string settings_file() const { return path_ + std::string(kSettingsFileConstant); }
  std::string help_file() const { return path_ + std::string(kHelpFileConstant); }

  std::filesystem::path corpus_path() const;
  std::filesystem::path settings_path() const;
  std::filesystem::path help_path() const;

 private:
  std::string path_;
};

}  // namespace lantaro
