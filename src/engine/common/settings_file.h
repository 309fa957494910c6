#pragma once
// The settings file (ini/sys.ini): INI text in GBK, read the way the Windows profile reader reads
// it, and never written. A missing file, section or key is not an error: the caller's default
// stands in for it.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lantaro {

class RunDirectory;

// The context lengths live here; both are whole numbers of characters.
inline constexpr std::u16string_view kContextSection = u"上下文取字数配置";
inline constexpr std::u16string_view kContextBeforeKey = u"上下文上取字数";
inline constexpr std::u16string_view kContextAfterKey = u"上下文下取字数";
inline constexpr int kDefaultContextLength = 100;

// A value is read as at most this many bytes of the file (the profile reader's buffer).
inline constexpr std::size_t kMaxSettingValueBytes = 10239;

class SettingsFile {
 public:
  // An unreadable or missing file gives an empty settings file (every lookup yields its default).
  static SettingsFile load(const std::filesystem::path& path);
  // Bytes as stored: GBK, or UTF-8 with a byte-order mark; CR LF or LF line ends.
  static SettingsFile parse(std::string_view bytes);

  // The value of `key` in `section` with blanks around it removed, or `default_text`. Names are
  // compared without regard to ASCII case; the first occurrence of a key wins.
  std::u16string text(std::u16string_view section, std::u16string_view key,
                      std::u16string_view default_text) const;

  // The value as a whole number written in decimal (optional sign), or `default_value` when it is
  // missing, not a whole number or out of the int range.
  int number(std::u16string_view section, std::u16string_view key, int default_value) const;

  bool empty() const { return entries_.empty(); }

 private:
  struct Entry {
    std::u16string section;
    std::u16string key;
    std::u16string value;
  };
  const Entry* find(std::u16string_view section, std::u16string_view key) const;

  std::vector<Entry> entries_;  // file order, so the first of duplicate keys is found first
};

// The two context lengths as the program uses them: a missing, non-numeric or negative value
// counts as kDefaultContextLength.
struct ContextLengths {
  int before = kDefaultContextLength;
  int after = kDefaultContextLength;
};
ContextLengths context_lengths(const SettingsFile& settings);
ContextLengths read_context_lengths(const RunDirectory& run_directory);

}  // namespace lantaro
