#pragma once
// The only place that talks to the operating system directly: files, the shell, the console, time.
// platform_posix.cpp and platform_windows.cpp implement it; everything else stays portable.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace lantaro::platform {

// A path in the system's own form (bytes on POSIX, UTF-16 on Windows). What the calls made for
// every document take: a std::filesystem::path costs several allocations for its parts, and a
// library has tens of thousands of documents. A std::filesystem::path converts to it.
using NativePath = std::filesystem::path::string_type;

// Asks the desktop to open a file or address with its associated program; does not wait.
// Returns false when the request could not even be handed over.
bool open_with_shell(const std::string& path_or_url_utf8);

// Whether the desktop has a program registered for the given MIME type / file extension
// (for example ".xlsx" with "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet").
bool has_handler_for(std::string_view extension, std::string_view mime_type);

// Size and modification time of a regular file in one system call (the document cache checks
// both for every document of every search). Empty for folders, missing or unreadable entries.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;
  // How many names the file has. A file with several may be changed through a name in a folder
  // nobody watches, so FolderWatch cannot vouch for it. Not part of the comparison.
  std::uint32_t links = 1;
  friend bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.size == b.size && a.modified_ns == b.modified_ns;
  }
};
std::optional<FileStamp> file_stamp(const std::filesystem::path& path);

// A whole regular file read with one open, one status query of the open file and as few reads as
// the system needs: a cold search pays this for every document. `bytes` is replaced by the content
// (its capacity is reused, so a caller can keep one buffer for many files). The stamp is the one
// file_stamp gives. `complete` is false when the file changed size while being read (the bytes
// are what was there). Empty for folders, missing or unreadable files.
struct FileRead {
  FileStamp stamp;
  bool complete = true;
};
std::optional<FileRead> read_file(const std::filesystem::path& path, std::string& bytes);

// file_stamp and read_file for many files in a row, most of them sharing a folder (a search goes
// through a library in tree order): the folder of the last file stays open and the next file in
// it is looked up relative to it, which spares the system walking the whole path each time.
// One per thread, kept for one pass over the files only (a folder renamed meanwhile would still be
// reached through the open handle).
// Identity of a folder on its file system: a folder keeps it when renamed, and another folder put
// in its place has another.
struct FolderId {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  friend bool operator==(const FolderId&, const FolderId&) = default;
};

class FolderCursor {
 public:
  FolderCursor() = default;
  ~FolderCursor();
  FolderCursor(const FolderCursor&) = delete;
  FolderCursor& operator=(const FolderCursor&) = delete;

  std::optional<FileStamp> file_stamp(const NativePath& path);
  std::optional<FileRead> read_file(const NativePath& path, std::string& bytes);
  // The same without the stamp, for a pass that keeps nothing: gives the number of bytes read,
  // which are the first bytes of `buffer`. The buffer is never made smaller, so that the next file
  // is read without clearing room for it first, and a file that fits in it costs no call for its
  // size (the most of a system's time, with small files, goes to the calls per file).
  std::optional<std::size_t> read_file_into(const NativePath& path, std::string& buffer);
  // Opens the folder holding `path` (unless it is the one open) and tells the identity of the
  // folder now open; empty when it cannot be opened or the system does not tell.
  std::optional<FolderId> enter_folder_of(const NativePath& path);

 private:
  friend class FolderWatch;
  NativePath folder_;
  std::intptr_t handle_ = -1;
  std::optional<FolderId> id_;  // of the open folder, once asked for
};

// Reports changes in watched folders, so that a cache of file contents can trust an entry without
// asking the system about the file again: a warm search then costs no system call per document.
// inotify on Linux; elsewhere nothing can be watched and callers keep asking about each file.
// Not safe to use from several threads at once.
class FolderWatch {
 public:
  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Starts watching the folder `files` has open (after enter_folder_of): from now on a change to
  // any of its entries is reported (created, removed, renamed, written to, attributes changed).
  // False when it cannot be watched: no support, the system's limit reached, or a file system on
  // which others may change files unseen (a network share, for one).
  bool watch(const FolderCursor& files);
  // Collects what was reported since the last call: whether anything changed in any watched
  // folder, and the watched folders that no longer exist or are no longer reachable (appended to
  // `unwatched`). Lost: the system dropped reports, so any folder may have changed or be gone.
  enum class Changes { None, Some, Lost };
  Changes collect_changes(std::vector<FolderId>& unwatched);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One entry of a folder's listing. A link to a folder is no folder (a scan following it could go
// round in circles); a link to a regular file is a file. Other entries are left out.
struct FolderEntry {
  enum class Kind : std::uint8_t { Folder, File };
  NativePath name;
  Kind kind = Kind::File;
};
// Appends the entries of `folder` (neither "." nor ".."), in the system's order, with their kinds
// as the listing itself tells them where it can (only links cost a query each). False when the
// folder cannot be read to the end.
bool list_folder(const NativePath& folder, std::vector<FolderEntry>& entries);

// Puts the file `from` in the place of `to` in one step, so that readers see the old file or the
// new one, never a mixture. Windows refuses while another program (a virus scanner, the search
// indexer) has `to` open for a moment; there the attempt is repeated for about a second before the
// refusal is reported.
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::error_code& ec);

// The program's arguments after its name, UTF-8. Windows hands main() its arguments in the ANSI
// code page, which cannot hold every Chinese character, so there they come from the wide command
// line instead.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Makes a console show the program's UTF-8 output as such (a Windows console otherwise reads it in
// its own code page), and has standard output and error write line ends as the program writes
// them, so redirected output is the same bytes on every platform. Nothing to do elsewhere.
void use_utf8_console();

// Full path of the running executable, UTF-8; empty when the system cannot tell.
std::string executable_path();

// Local calendar time of `seconds`; all fields zero when the system cannot convert it. Unlike
// std::localtime, safe on any thread (its shared buffer is also used by gmtime, e.g. in libraries).
std::tm local_time(std::time_t seconds);

// Hands the memory the allocator holds free back to the system, where it can: after a large
// search its scratch would otherwise stay resident for the program's life. Changes nothing else.
void release_free_memory();

}  // namespace lantaro::platform
