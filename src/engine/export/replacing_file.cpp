#include "engine/export/replacing_file.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#include "engine/common/text.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace lantaro {
namespace {

std::string random_tag() {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  std::mt19937_64 engine((static_cast<std::uint64_t>(device()) << 32) ^ device() ^ counter++);
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(engine()));
  return buffer;
}

bool exists_quietly(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

bool is_marked_read_only(const fs::path& path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

fs::path unused_file_name(const fs::path& folder, std::u16string_view stem,
                          std::u16string_view extension) {
  for (int n = 1; n <= 1000; ++n) {
    std::u16string name(stem);
    if (n > 1) {
      // Digits appended one by one: GCC 12 at -O3 warns falsely (-Wrestrict) on "-" + string.
      name += u'-';
      for (char digit : std::to_string(n)) name += static_cast<char16_t>(digit);
    }
    name += extension;
    fs::path candidate = folder / path_from_utf8(utf16_to_utf8(name));
    if (!exists_quietly(candidate)) return candidate;
  }
  return {};
}

ReplacingFile::ReplacingFile(const fs::path& target) : target_(target) {
  std::error_code ec;
  // Writing "through" a link means replacing the file it points at, not the link itself.
  if (fs::is_symlink(fs::symlink_status(target_, ec))) {
    fs::path resolved = fs::weakly_canonical(target_, ec);
    if (ec) return;
    target_ = resolved;
  }
  fs::file_status status = fs::status(target_, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) return;
  if (is_marked_read_only(target_)) return;
  if (target_.filename().empty()) return;
  fs::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) return;

  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path candidate = folder / path_from_utf8("~lantaro-" + random_tag() + ".tmp");
    if (exists_quietly(candidate)) continue;
    stream_.open(candidate, std::ios::binary | std::ios::trunc);
    if (!stream_.is_open()) return;
    temporary_ = candidate;
    ok_ = true;
    return;
  }
}

ReplacingFile::~ReplacingFile() {
  if (!done_) discard();
}

bool ReplacingFile::write(std::string_view bytes) {
  if (!ok_ || !stream_.is_open()) return ok_ = false;
  stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream_) ok_ = false;
  return ok_;
}

bool ReplacingFile::close_stream() {
  if (stream_.is_open()) {
    stream_.flush();
    if (!stream_) ok_ = false;
    stream_.close();
    if (stream_.fail()) ok_ = false;
  }
  return ok_;
}

bool ReplacingFile::commit() {
  if (done_ || !close_stream()) {
    discard();
    return false;
  }
  std::error_code ec;
  // The target may have been made read-only while we wrote.
  if (is_marked_read_only(target_)) {
    discard();
    return false;
  }
  fs::file_status old_status = fs::status(target_, ec);
  if (!ec && fs::is_regular_file(old_status)) {
    fs::permissions(temporary_, old_status.permissions(), fs::perm_options::replace, ec);
  }
  ec.clear();
  platform::replace_file(temporary_, target_, ec);
  if (ec) {
    discard();
    return false;
  }
  done_ = true;
  return true;
}

void ReplacingFile::discard() {
  if (stream_.is_open()) stream_.close();
  if (!temporary_.empty()) {
    std::error_code ec;
    fs::remove(temporary_, ec);
  }
  ok_ = false;
  done_ = true;
}

}  // namespace lantaro
