// The settings file reader, two ways.
//
// Raw: the input is a settings file as it may lie on disk. Every section and key name that
// appears on its lines is looked up (also in other ASCII case): a found value has no blanks
// around it, no line break, at most the byte limit of the file's own encoding, and is text of
// the file; a missing one yields exactly the default; number() agrees with text().
//
// Built: the input drives a generator of well-formed files (entries in random sections, with
// quotes, blanks, four-byte characters and over-long values; GBK or UTF-8, LF or CR LF). The
// reader must give, for each name, the first entry's value as written, cut at the byte limit
// on a character boundary.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/settings_file.h"
#include "engine/common/text.h"
#include "fuzz_check.h"

namespace {

using lantaro::SettingsFile;

// Defaults no value can ever equal: values never hold a line break.
constexpr std::u16string_view kMissing1 = u"\n";
constexpr std::u16string_view kMissing2 = u"\n\n";

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

std::u16string fold(std::u16string_view s, bool upper) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (upper && c >= u'a' && c <= u'z') c = c - u'a' + u'A';
    if (!upper && c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
  }
  return out;
}

// Optional sign, digits, within int.
std::optional<int> reference_number(std::u16string_view v) {
  bool negative = false;
  if (!v.empty() && (v[0] == u'+' || v[0] == u'-')) {
    negative = v[0] == u'-';
    v.remove_prefix(1);
  }
  if (v.empty()) return std::nullopt;
  long long value = 0;
  for (char16_t c : v) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > 1LL + INT_MAX) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// Lookups of one name pair agree with each other whatever the default and the case.
void check_lookup(const SettingsFile& file, std::u16string_view section, std::u16string_view key,
                  bool utf8, std::u16string_view whole_text) {
  const std::u16string a = file.text(section, key, kMissing1);
  const std::u16string b = file.text(section, key, kMissing2);
  const bool found = a == b;
  if (!found) {
    FUZZ_CHECK(a == kMissing1 && b == kMissing2);
  } else {
    if (!a.empty()) FUZZ_CHECK(!is_blank(a.front()) && !is_blank(a.back()));
    FUZZ_CHECK(a.find(u'\n') == std::u16string::npos);
    FUZZ_CHECK(a.size() <= lantaro::kMaxSettingValueBytes);
    if (a.find(u'\uFFFD') == std::u16string::npos) {
      // Without replacement marks the value re-encodes to the bytes it was read from.
      const std::size_t bytes =
          utf8 ? lantaro::utf16_to_utf8(a).size() : lantaro::encode_gbk(a).size();
      FUZZ_CHECK(bytes <= lantaro::kMaxSettingValueBytes);
      FUZZ_CHECK(whole_text.find(a) != std::u16string_view::npos);
    }
  }
  FUZZ_CHECK(file.text(fold(section, true), fold(key, false), kMissing1) == a);
  FUZZ_CHECK(file.text(fold(section, false), fold(key, true), kMissing1) == a);

  const int n1 = file.number(section, key, -7);
  const int n2 = file.number(section, key, 7);
  const std::optional<int> expected = found ? reference_number(a) : std::nullopt;
  if (expected) {
    FUZZ_CHECK(n1 == *expected && n2 == *expected);
  } else {
    FUZZ_CHECK(n1 == -7 && n2 == 7);
  }
}

void check_raw(std::string_view bytes) {
  const SettingsFile file = SettingsFile::parse(bytes);
  const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  bool non_ascii = false;
  for (char c : bytes) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
  const bool utf8 = bom || (non_ascii && lantaro::is_valid_utf8(bytes));
  const std::u16string whole = lantaro::decode_document(bytes);

  // Candidate names: what stands between '[' and ']' and before '=' on each line.
  std::set<std::u16string> sections{u""}, keys{u""};
  std::size_t pos = 0;
  while (pos <= whole.size() && sections.size() + keys.size() < 32) {
    std::size_t end = whole.find(u'\n', pos);
    if (end == std::u16string::npos) end = whole.size();
    std::u16string_view line =
        lantaro::trim_blanks(std::u16string_view(whole).substr(pos, end - pos));
    if (!line.empty() && line.back() == u'\r')
      line = lantaro::trim_blanks(line.substr(0, line.size() - 1));
    if (!line.empty() && line.front() == u'[') {
      std::u16string_view name = line.substr(1);
      name = name.substr(0, std::min(name.size(), name.rfind(u']')));
      sections.insert(std::u16string(lantaro::trim_blanks(name)));
    } else if (std::size_t eq = line.find(u'='); eq != std::u16string_view::npos) {
      keys.insert(std::u16string(lantaro::trim_blanks(line.substr(0, eq))));
    }
    pos = end + 1;
  }
  for (const auto& s : sections)
    for (const auto& k : keys) check_lookup(file, s, k, utf8, whole);

  // The context lengths are never negative: a negative or missing value falls back.
  const lantaro::ContextLengths lengths = lantaro::context_lengths(file);
  FUZZ_CHECK(lengths.before >= 0 && lengths.after >= 0);
}

// --- Built files -------------------------------------------------------------------------------

struct Entry {
  std::u16string section, key, written;
};

std::u16string pick(FuzzedDataProvider& in, std::initializer_list<std::u16string_view> alphabet,
                    std::size_t max_length) {
  std::u16string s;
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, max_length);
  for (std::size_t i = 0; i < length; ++i)
    s += *(alphabet.begin() + in.ConsumeIntegralInRange<std::size_t>(0, alphabet.size() - 1));
  return s;
}

std::string encode(std::u16string_view s, bool utf8) {
  return utf8 ? lantaro::utf16_to_utf8(s) : lantaro::encode_gbk(s);
}

// Bytes of one character of the generator's alphabets: every character beyond ASCII there
// takes two bytes in GBK, and a surrogate pair four in both encodings.
std::size_t encoded_width(char16_t c, bool utf8) {
  if (c < 0x80) return 1;
  if (c >= 0xD800 && c <= 0xDBFF) return 4;
  if (!utf8) return 2;
  return c < 0x800 ? 2 : 3;
}

// What the reader should give for a value written as `written`: ASCII blanks off, one pair of
// matching quotes off, cut to the byte limit without splitting a character, blanks off.
std::u16string expected_value(std::u16string_view written, bool utf8) {
  std::u16string_view v = written;
  while (!v.empty() && (v.front() == u' ' || v.front() == u'\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == u' ' || v.back() == u'\t')) v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  std::size_t bytes = 0, i = 0;
  while (i < v.size()) {
    const std::size_t units = (v[i] >= 0xD800 && v[i] <= 0xDBFF) ? 2 : 1;
    const std::size_t more = encoded_width(v[i], utf8);
    if (bytes + more > lantaro::kMaxSettingValueBytes) break;
    bytes += more;
    i += units;
  }
  return std::u16string(lantaro::trim_blanks(v.substr(0, i)));
}

bool same_name(std::u16string_view a, std::u16string_view b) {
  return fold(a, false) == fold(b, false);
}

void check_built(FuzzedDataProvider& in) {
  const bool utf8 = in.ConsumeBool();
  const bool crlf = in.ConsumeBool();
  std::vector<Entry> entries;
  const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 8);
  for (std::size_t i = 0; i < count; ++i) {
    Entry e;
    e.section = pick(in, {u"s", u"S", u"节", u"x y"}, 3);
    e.key = pick(in, {u"k", u"K", u"键", u"上下文"}, 3);
    if (in.ConsumeBool()) {
      // A long run of one character, to reach the byte limit with each character width.
      const std::u16string_view unit =
          *(std::initializer_list<std::u16string_view>{u"a", u"中", u"𠀀", u"é"}.begin() +
            in.ConsumeIntegralInRange<std::size_t>(0, 3));
      const std::size_t repeat = in.ConsumeIntegralInRange<std::size_t>(2500, 11000);
      for (std::size_t r = 0; r < repeat; ++r) e.written += unit;
      if (in.ConsumeBool()) e.written = u"\"" + e.written + u"\"";
    } else {
      e.written = pick(in,
                       {u"1", u"-", u"+", u"0", u" ", u"\t", u"\u3000", u"\"", u"'", u"=", u"[",
                        u"中", u"𠀀", u";", u"a"},
                       12);
    }
    entries.push_back(std::move(e));
  }
  const std::u16string_view eol = crlf ? u"\r\n" : u"\n";
  std::u16string text;
  const std::u16string* current = nullptr;
  for (const Entry& e : entries) {
    if (!current || *current != e.section) text += u"[" + e.section + u"]" + std::u16string(eol);
    current = &e.section;
    text += e.key + u"=" + e.written + std::u16string(eol);
  }
  std::string bytes = encode(text, utf8);
  // Valid UTF-8 beyond ASCII is recognised without the mark; ASCII reads the same either way.
  if (utf8 && in.ConsumeBool()) bytes = "\xEF\xBB\xBF" + bytes;
  const SettingsFile file = SettingsFile::parse(bytes);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    std::size_t first = 0;
    while (!same_name(entries[first].section, e.section) || !same_name(entries[first].key, e.key))
      ++first;
    const std::u16string expected = expected_value(entries[first].written, utf8);
    FUZZ_CHECK(file.text(e.section, e.key, kMissing1) == expected);
    const std::optional<int> number = reference_number(expected);
    FUZZ_CHECK(file.number(e.section, e.key, -7) == (number ? *number : -7));
  }
  FUZZ_CHECK(file.text(u"不在", u"键", kMissing1) == kMissing1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_raw(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider in(data, size);
  check_built(in);
  return 0;
}
