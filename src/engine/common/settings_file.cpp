#include "engine/common/settings_file.h"

#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "engine/common/codepage.h"
#include "engine/common/run_directory.h"
#include "engine/common/text.h"

namespace lantaro {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool is_ascii_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trim_ascii_blanks(std::string_view s) {
  while (!s.empty() && is_ascii_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_ascii_blank(s.back())) s.remove_suffix(1);
  return s;
}

bool is_gbk_lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool is_gbk_trail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }
bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }

// The longest prefix of at most `limit` bytes that does not end inside a character, so that the
// cut never leaves half a character to be turned into a replacement mark.
std::string_view cut_gbk(std::string_view s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = 1;
    if (is_gbk_lead(b) && i + 1 < s.size()) {
      auto b2 = static_cast<unsigned char>(s[i + 1]);
      if (is_gbk_trail(b2)) {
        len = 2;
      } else if (is_digit(b2) && i + 3 < s.size() &&
                 is_gbk_lead(static_cast<unsigned char>(s[i + 2])) &&
                 is_digit(static_cast<unsigned char>(s[i + 3]))) {
        len = 4;
      }
    }
    if (i + len > limit) break;
    i += len;
  }
  return s.substr(0, i);
}

std::string_view cut_utf8(std::string_view s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t i = limit;
  // Step back over continuation bytes (at most three) to the start of the cut character.
  for (int k = 0; k < 3 && i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; ++k) --i;
  return s.substr(0, i);
}

char16_t ascii_fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c; }

bool same_name(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_fold(a[i]) != ascii_fold(b[i])) return false;
  }
  return true;
}

bool has_non_ascii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace

SettingsFile SettingsFile::load(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return {};
  return parse(bytes);
}

SettingsFile SettingsFile::parse(std::string_view bytes) {
  // One decision per file, as for documents: a mark, or valid UTF-8 beyond ASCII, means UTF-8.
  bool utf8 = false;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    utf8 = true;
    bytes.remove_prefix(kUtf8Bom.size());
  } else {
    utf8 = has_non_ascii(bytes) && is_valid_utf8(bytes);
  }
  auto decode = [utf8](std::string_view s) { return utf8 ? utf8_to_utf16(s) : decode_gbk(s); };

  SettingsFile file;
  std::u16string section;
  bool in_section = false;
  // Line breaks, '=' and the quote marks are never part of a GBK or UTF-8 multi-byte character,
  // so lines and values can be cut on the raw bytes; each value's byte limit applies to the
  // file's own bytes, as the profile reader's does.
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim_ascii_blanks(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;

    if (line.front() == '[') {
      // ']' can be the second byte of a GBK character, so the name is found after decoding.
      std::u16string name = decode(line.substr(1));
      std::size_t close = name.rfind(u']');
      if (close != std::u16string::npos) name.resize(close);
      section = std::u16string(trim_blanks(name));
      in_section = true;
      continue;
    }
    if (!in_section) continue;

    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::u16string key(trim_blanks(decode(line.substr(0, eq))));
    if (key.empty()) continue;

    std::string_view raw = trim_ascii_blanks(line.substr(eq + 1));
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
        raw.back() == raw.front()) {
      raw = raw.substr(1, raw.size() - 2);
    }
    raw = utf8 ? cut_utf8(raw, kMaxSettingValueBytes) : cut_gbk(raw, kMaxSettingValueBytes);
    std::u16string value(trim_blanks(decode(raw)));
    file.entries_.push_back(Entry{section, std::move(key), std::move(value)});
  }
  return file;
}

const SettingsFile::Entry* SettingsFile::find(std::u16string_view section,
                                              std::u16string_view key) const {
  for (const Entry& e : entries_) {
    if (same_name(e.section, section) && same_name(e.key, key)) return &e;
  }
  return nullptr;
}

std::u16string SettingsFile::text(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view default_text) const {
  const Entry* e = find(section, key);
  return std::u16string(e ? std::u16string_view(e->value) : default_text);
}

int SettingsFile::number(std::u16string_view section, std::u16string_view key,
                         int default_value) const {
  const Entry* e = find(section, key);
  if (!e) return default_value;
  std::u16string_view v = e->value;
  bool negative = false;
  if (!v.empty() && (v.front() == u'-' || v.front() == u'+')) {
    negative = v.front() == u'-';
    v.remove_prefix(1);
  }
  if (v.empty()) return default_value;
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
  for (char16_t c : v) {
    if (c < u'0' || c > u'9') return default_value;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > limit) return default_value;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

ContextLengths context_lengths(const SettingsFile& settings) {
  auto read = [&settings](std::u16string_view key) {
    int n = settings.number(kContextSection, key, kDefaultContextLength);
    return n < 0 ? kDefaultContextLength : n;
  };
  return ContextLengths{read(kContextBeforeKey), read(kContextAfterKey)};
}

ContextLengths read_context_lengths(const RunDirectory& run_directory) {
  return context_lengths(SettingsFile::load(run_directory.settings_path()));
}

}  // namespace lantaro
