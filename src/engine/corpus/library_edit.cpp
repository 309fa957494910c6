#include "engine/corpus/library_edit.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace lantaro {
namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

bool refused_character(char16_t c) {
  if (c < 0x20 || c == 0x7F || c == u'/' || c == u'\\') return true;
#ifdef _WIN32
  for (char16_t r : std::u16string_view(u"<>:\"|?*"))
    if (c == r) return true;
#endif
  return false;
}

#ifdef _WIN32
// Windows opens the device instead of a file for these names, whatever the extension.
bool reserved_device_name(std::u16string_view name) {
  std::string stem = ascii_lower(utf16_to_utf8(name.substr(0, name.find(u'.'))));
  static const std::array<const char*, 22> reserved = {
      "con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4", "com5", "com6", "com7",
      "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
  for (const char* r : reserved)
    if (stem == r) return true;
  return false;
}
#endif

// The directory a location names, when every step of it is a real directory (not a link, so a
// location can never lead outside the library). The corpus folder itself need not exist yet.
std::optional<fs::path> location_directory(const fs::path& corpus, const std::string& location) {
  fs::path dir = corpus;
  if (location.empty()) return dir;
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) return std::nullopt;
  std::size_t i = 0;
  while (i <= location.size()) {
    std::size_t j = location.find('/', i);
    if (j == std::string::npos) j = location.size();
    std::string part = location.substr(i, j - i);
    std::optional<std::string> usable = usable_name(part);
    if (!usable || *usable != part) return std::nullopt;
    fs::path step = dir / path_from_utf8(part);
    // The tree shows a directory named in GB18030 bytes (copied from a Chinese Windows system)
    // decoded; on disk it keeps those bytes.
    if (!fs::is_directory(fs::symlink_status(step, ec))) {
      const std::string bytes = encode_gbk(utf8_to_utf16(part));
      if (bytes != part) step = dir / fs::path(bytes);
    }
    dir = std::move(step);
    if (!fs::is_directory(fs::symlink_status(dir, ec))) return std::nullopt;
    i = j + 1;
  }
  return dir;
}

bool exists_at_all(const fs::path& p) {
  std::error_code ec;
  fs::file_status s = fs::symlink_status(p, ec);
  // When the status cannot be read, assume something is there: never write over the unknown.
  return ec ? ec != std::errc::no_such_file_or_directory : fs::exists(s);
}

// Creates the corpus folder when a change to the top level finds it missing; remembers doing so
// so a failed change can take it back.
class CorpusFolderGuard {
 public:
  explicit CorpusFolderGuard(fs::path corpus) : corpus_(std::move(corpus)) {}
  bool ensure() {
    std::error_code ec;
    if (fs::is_directory(corpus_, ec)) return true;
    if (exists_at_all(corpus_)) return false;
    created_ = fs::create_directory(corpus_, ec) && !ec;
    return created_;
  }
  void undo() {
    std::error_code ec;
    if (created_) fs::remove(corpus_, ec);  // only removes it while empty
    created_ = false;
  }

 private:
  fs::path corpus_;
  bool created_ = false;
};

fs::path unused_temporary_name(const fs::path& dir) {
  static std::mt19937_64 generator{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, ".lantaro-import-%016llx.tmp",
                  static_cast<unsigned long long>(generator()));
    fs::path candidate = dir / name;
    if (!exists_at_all(candidate)) return candidate;
  }
  return {};
}

// Byte-for-byte copy; false when anything went wrong, including a source that changed size
// under us (the copy would not be the file the user chose).
bool copy_bytes(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  std::uintmax_t expected = fs::file_size(source, ec);
  if (ec) return false;
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  std::vector<char> buffer(1 << 20);
  std::uintmax_t copied = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::streamsize got = in.gcount();
    if (got <= 0) break;
    if (!out.write(buffer.data(), got)) return false;
    copied += static_cast<std::uintmax_t>(got);
  }
  if (in.bad() || !in.eof()) return false;
  out.close();
  return !out.fail() && copied == expected;
}

}  // namespace

std::optional<std::string> usable_name(std::string_view name) {
  if (!is_valid_utf8(name)) return std::nullopt;
  std::u16string wide = utf8_to_utf16(name);
  std::u16string_view t = wide;
  while (!t.empty() && is_blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && is_blank(t.back())) t.remove_suffix(1);
  if (t.empty() || t == u"." || t == u"..") return std::nullopt;
  for (char16_t c : t)
    if (refused_character(c)) return std::nullopt;
#ifdef _WIN32
  // Windows drops trailing dots silently, which would store the item under another name.
  if (t.back() == u'.' || reserved_device_name(t)) return std::nullopt;
  // A name holds at most 255 UTF-16 units there, ".txt" included; some file systems (and Wine)
  // would cut a longer one short instead of refusing it.
  if (t.size() + 4 > 255) return std::nullopt;
#endif
  return utf16_to_utf8(t);
}

ImportOutcome import_document(const fs::path& corpus, const ImportRequest& request,
                              const ConfirmReplace& confirm_replace) {
  ImportOutcome outcome;
  if (request.source_file.empty()) return {Message::ChooseTxtFile, false, {}};
  if (request.display_name.empty()) return {Message::EnterDisplayName, false, {}};
  if (!request.location) return {Message::ChooseTargetLocation, false, {}};

  std::optional<std::string> name = usable_name(request.display_name);
  if (!name) return outcome;
  std::optional<fs::path> dir = location_directory(corpus, *request.location);
  if (!dir) return outcome;
  fs::path source = path_from_utf8(request.source_file);
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return outcome;

  std::string file_name = *name + ".txt";
  fs::path target = *dir / path_from_utf8(file_name);
  if (exists_at_all(target)) {
    if (!fs::is_regular_file(target, ec)) return outcome;  // a directory or a dangling link
    if (!confirm_replace || !confirm_replace(*name)) {
      outcome.declined = true;
      return outcome;
    }
  }

  CorpusFolderGuard corpus_folder(corpus);
  if (request.location->empty() && !corpus_folder.ensure()) return outcome;
  fs::path temporary = unused_temporary_name(*dir);
  bool done = !temporary.empty() && copy_bytes(source, temporary);
  if (done) {
    // Rename replaces the old document in one step: readers see the old or the new, never half.
    platform::replace_file(temporary, target, ec);
    done = !ec;
  }
  if (!done) {
    if (!temporary.empty()) fs::remove(temporary, ec);
    corpus_folder.undo();
    return outcome;
  }
  outcome.message = Message::ImportSucceeded;
  outcome.relative_path =
      request.location->empty() ? file_name : *request.location + "/" + file_name;
  return outcome;
}

Message create_library_directory(const fs::path& corpus, std::string_view name,
                                 const std::optional<std::string>& parent) {
  if (name.empty()) return Message::EnterDirectoryName;
  if (!parent) return Message::ChooseParentDirectory;
  std::optional<std::string> usable = usable_name(name);
  if (!usable) return Message::DirectoryFailed;
  std::optional<fs::path> dir = location_directory(corpus, *parent);
  if (!dir) return Message::DirectoryFailed;
  fs::path target = *dir / path_from_utf8(*usable);
  if (exists_at_all(target)) return Message::DirectoryFailed;

  CorpusFolderGuard corpus_folder(corpus);
  if (parent->empty() && !corpus_folder.ensure()) return Message::DirectoryFailed;
  std::error_code ec;
  // create_directory reports false for a directory that appeared meanwhile: not ours, a failure.
  if (!fs::create_directory(target, ec) || ec) {
    corpus_folder.undo();
    return Message::DirectoryFailed;
  }
  return Message::DirectoryCreated;
}

}  // namespace lantaro
