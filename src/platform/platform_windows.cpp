#include "platform/platform.h"

// windows.h before the other Windows headers, which need what it declares.
// clang-format off
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string_view>
#include <vector>

namespace lantaro::platform {
namespace {
std::wstring widen_utf8(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}
}  // namespace

bool open_with_shell(const std::string& path_or_url_utf8) {
  auto rc = reinterpret_cast<INT_PTR>(ShellExecuteW(
      nullptr, L"open", widen_utf8(path_or_url_utf8).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return rc > 32;
}

bool has_handler_for(std::string_view extension, std::string_view /*mime_type*/) {
  std::wstring ext = widen_utf8(std::string(extension));
  DWORD size = 0;
  HRESULT hr = AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, ext.c_str(),
                                 nullptr, nullptr, &size);
  return hr == S_FALSE || (SUCCEEDED(hr) && size > 0);
}

namespace {

std::optional<FileStamp> stamp_of_file(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime);
  return FileStamp{size, ticks * 100};
}

std::optional<FileRead> read_whole_file(const wchar_t* path, std::string& bytes) {
  HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(file);
    return std::nullopt;
  }
  FileRead result;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime);
  result.stamp = FileStamp{size, ticks * 100, static_cast<std::uint32_t>(info.nNumberOfLinks)};
  // One byte more than announced, so that a file that grew meanwhile shows it.
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t got = 0;
  bool failed = false;
  while (got < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(file, bytes.data() + got, want, &n, nullptr)) {
      failed = true;
      break;
    }
    if (n == 0) break;
    got += n;
    if (got < bytes.size() && got >= size) break;  // a short read: the end of the file
  }
  CloseHandle(file);
  if (failed) return std::nullopt;
  result.complete = got == size;
  bytes.resize(std::min<std::size_t>(got, static_cast<std::size_t>(size)));
  return result;
}

}  // namespace

std::optional<FileStamp> file_stamp(const std::filesystem::path& path) {
  return stamp_of_file(path.c_str());
}

std::optional<FileRead> read_file(const std::filesystem::path& path, std::string& bytes) {
  return read_whole_file(path.c_str(), bytes);
}

// Windows offers no lookup relative to an open folder through this interface: whole paths.
FolderCursor::~FolderCursor() = default;

// Without a folder handle there is no identity to tell; the document cache then checks each file.
std::optional<FolderId> FolderCursor::enter_folder_of(const NativePath&) { return std::nullopt; }

// Nothing is watched here: every cached file is checked on each use.
struct FolderWatch::State {};
FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}
FolderWatch::~FolderWatch() = default;
bool FolderWatch::watch(const FolderCursor&) { return false; }
FolderWatch::Changes FolderWatch::collect_changes(std::vector<FolderId>&) { return Changes::None; }

std::optional<FileStamp> FolderCursor::file_stamp(const NativePath& path) {
  return stamp_of_file(path.c_str());
}

std::optional<FileRead> FolderCursor::read_file(const NativePath& path, std::string& bytes) {
  return read_whole_file(path.c_str(), bytes);
}

std::optional<std::size_t> FolderCursor::read_file_into(const NativePath& path,
                                                        std::string& buffer) {
  const std::optional<FileRead> read = read_whole_file(path.c_str(), buffer);
  if (!read) return std::nullopt;
  return buffer.size();
}

bool list_folder(const NativePath& folder, std::vector<FolderEntry>& entries) {
  NativePath path = folder;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  const std::size_t name_at = path.size();
  path += L'*';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                      (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                       data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!link) entries.push_back({NativePath(name), FolderEntry::Kind::Folder});
      continue;
    }
    if (link) {  // read like the file it leads to, if it leads to one
      path.replace(name_at, NativePath::npos, name);
      HANDLE target =
          CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (target == INVALID_HANDLE_VALUE) continue;
      BY_HANDLE_FILE_INFORMATION info;
      const bool file = GetFileInformationByHandle(target, &info) &&
                        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
      CloseHandle(target);
      if (!file) continue;
    }
    entries.push_back({NativePath(name), FolderEntry::Kind::File});
  } while (FindNextFileW(find, &data));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  return complete;
}

void release_free_memory() {
  // The process heap decommits free memory on its own; compacting merges what is left over.
  HeapCompact(GetProcessHeap(), 0);
}

std::tm local_time(std::time_t seconds) {
  std::tm out{};
  if (localtime_s(&out, &seconds) != 0) out = std::tm{};
  return out;
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
  }
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) {
    const int length = static_cast<int>(wcslen(wide[i]));
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], length, arg.data(), n, nullptr, nullptr);
    out.push_back(std::move(arg));
  }
  LocalFree(wide);
  return out;
}

void use_utf8_console() {
  SetConsoleOutputCP(CP_UTF8);
  // The C runtime would turn each "\n" into "\r\n" in text mode.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string executable_path() {
  std::vector<wchar_t> buf(32768);
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0) return {};
  int len = WideCharToMultiByte(CP_UTF8, 0, buf.data(), static_cast<int>(n), nullptr, 0, nullptr,
                                nullptr);
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buf.data(), static_cast<int>(n), out.data(), len, nullptr,
                      nullptr);
  return out;
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::error_code& ec) {
  const ULONGLONG give_up = GetTickCount64() + 1000;
  for (;;) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      ec.clear();
      return true;
    }
    const DWORD error = GetLastError();
    const bool in_use = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                        error == ERROR_ACCESS_DENIED;
    if (!in_use || GetTickCount64() >= give_up) {
      ec = std::error_code(static_cast<int>(error), std::system_category());
      return false;
    }
    Sleep(20);
  }
}

}  // namespace lantaro::platform
