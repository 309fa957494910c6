#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>

#include "platform/platform.h"
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/vfs.h>
#endif
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <unordered_map>
#include <vector>

extern char** environ;

namespace lantaro::platform {
namespace {
// Runs a program without a shell (no quoting pitfalls); returns its exit status or -1.
int run_program(std::vector<std::string> argv, std::string* output) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  int pipe_fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    if (pipe(pipe_fds) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (!output) posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) close(pipe_fds[1]);
  if (rc != 0) {
    if (output) close(pipe_fds[0]);
    return -1;
  }
  if (output) {
    char buf[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0)
      output->append(buf, static_cast<size_t>(n));
    close(pipe_fds[0]);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

bool open_with_shell(const std::string& path_or_url_utf8) {
  // The shell puts the opener in the background and exits at once, so we wait only for it and
  // leave no zombie behind while the spreadsheet or browser runs on.
  static constexpr const char* kScript =
      "command -v xdg-open >/dev/null 2>&1 || exit 127; "
      "xdg-open \"$1\" >/dev/null 2>&1 &";
  return run_program({"/bin/sh", "-c", kScript, "sh", path_or_url_utf8}, nullptr) == 0;
}

bool has_handler_for(std::string_view /*extension*/, std::string_view mime_type) {
  std::string out;
  int rc = run_program({"xdg-mime", "query", "default", std::string(mime_type)}, &out);
  if (rc != 0) return false;
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return !out.empty();
}

namespace {

FileStamp stamp_of(const struct stat& st) {
  return FileStamp{static_cast<std::uint64_t>(st.st_size),
                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                   static_cast<std::uint32_t>(std::min<std::uint64_t>(st.st_nlink, UINT32_MAX))};
}

std::optional<FileRead> read_open_file(int fd, std::string& bytes);

}  // namespace

std::optional<FileStamp> file_stamp(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return stamp_of(st);
}

std::optional<FileRead> read_file(const std::filesystem::path& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return read_open_file(fd, bytes);
}

namespace {

// Reads the whole file and closes it.
std::optional<FileRead> read_open_file(int fd, std::string& bytes) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  FileRead result;
  result.stamp = stamp_of(st);
  // One byte more than announced, so that a file that grew meanwhile shows it.
  const auto size = static_cast<std::size_t>(st.st_size);
  bytes.resize(size + 1);
  std::size_t got = 0;
  bool failed = false;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    // A short read of a regular file means its end was reached; no further call to confirm it.
    if (got < bytes.size() && got >= size) break;
  }
  ::close(fd);
  if (failed) return std::nullopt;
  result.complete = got == size;
  bytes.resize(std::min(got, size));
  return result;
}

// The open folder holding `path` (opened unless it is the one already open) and the file's name
// in it; -1 when the path names no file in a folder or the folder cannot be opened (the caller
// then goes by the whole path).
int enter_folder(const std::string& path, std::string& open_folder, std::intptr_t& handle,
                 std::optional<FolderId>& id, const char*& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return -1;
  const std::string_view folder = std::string_view(path).substr(0, slash == 0 ? 1 : slash);
  name = path.c_str() + slash + 1;
  if (handle >= 0 && folder == open_folder) return static_cast<int>(handle);
  if (handle >= 0) ::close(static_cast<int>(handle));
  id.reset();
  open_folder.assign(folder);
#ifdef O_PATH
  constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;  // needs no right to list the folder
#else
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
  handle = ::open(open_folder.c_str(), kFlags);
  if (handle < 0) open_folder.clear();
  return static_cast<int>(handle);
}

}  // namespace

FolderCursor::~FolderCursor() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::optional<FolderId> FolderCursor::enter_folder_of(const NativePath& path) {
  const char* name = nullptr;
  const int dir = enter_folder(path, folder_, handle_, id_, name);
  if (dir < 0) return std::nullopt;
  if (!id_) {
    struct stat st {};
    if (::fstat(dir, &st) == 0 && S_ISDIR(st.st_mode))
      id_ = FolderId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  }
  return id_;
}

std::optional<FileStamp> FolderCursor::file_stamp(const NativePath& path) {
  const char* name = nullptr;
  const int dir = enter_folder(path, folder_, handle_, id_, name);
  if (dir < 0) return platform::file_stamp(path);
  struct stat st {};
  if (::fstatat(dir, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return stamp_of(st);
}

std::optional<FileRead> FolderCursor::read_file(const NativePath& path, std::string& bytes) {
  const char* name = nullptr;
  const int dir = enter_folder(path, folder_, handle_, id_, name);
  if (dir < 0) return platform::read_file(path, bytes);
  const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return read_open_file(fd, bytes);
}

std::optional<std::size_t> FolderCursor::read_file_into(const NativePath& path,
                                                        std::string& buffer) {
  const char* name = nullptr;
  const int dir = enter_folder(path, folder_, handle_, id_, name);
  const int fd = dir < 0 ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC)
                         : ::openat(dir, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  constexpr std::size_t kFirstRead = std::size_t{64} << 10;
  if (buffer.size() < kFirstRead) buffer.resize(kFirstRead);
  std::size_t got = 0;
  for (bool checked = false;;) {
    const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    got += static_cast<std::size_t>(n);
    // A short read of a regular file means its end was reached.
    if (n == 0 || got < buffer.size()) break;
    std::size_t room = 2 * buffer.size();
    if (!checked) {
      // A file that fills the buffer is asked what it is (a device put in a document's place
      // could be read without end) and how large, to be read in one more call.
      struct stat st {};
      if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
      }
      room = std::max(room, static_cast<std::size_t>(st.st_size) + 1);
      checked = true;
    }
    buffer.resize(room);
  }
  ::close(fd);
  return got;
}

bool list_folder(const NativePath& folder, std::vector<FolderEntry>& entries) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  const int fd = ::dirfd(dir);
  bool complete = true;
  for (;;) {
    errno = 0;
    // Safe on several threads as long as each reads its own stream (readdir_r is deprecated).
    const dirent* entry = ::readdir(dir);  // NOLINT(concurrency-mt-unsafe)
    if (!entry) {
      complete = errno == 0;
      break;
    }
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    unsigned char type = entry->d_type;
    struct stat st {};
    if (type == DT_UNKNOWN) {  // some file systems do not tell
      if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISDIR(st.st_mode)   ? DT_DIR
             : S_ISREG(st.st_mode) ? DT_REG
             : S_ISLNK(st.st_mode) ? DT_LNK
                                   : DT_UNKNOWN;
    }
    if (type == DT_DIR)
      entries.push_back({name, FolderEntry::Kind::Folder});
    else if (type == DT_REG ||
             (type == DT_LNK && ::fstatat(fd, name, &st, 0) == 0 && S_ISREG(st.st_mode)))
      entries.push_back({name, FolderEntry::Kind::File});
  }
  ::closedir(dir);
  return complete;
}

std::tm local_time(std::time_t seconds) {
  std::tm out{};
  if (!localtime_r(&seconds, &out)) out = std::tm{};
  return out;
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void use_utf8_console() {}

void release_free_memory() {
#if defined(__GLIBC__)
  // glibc keeps freed memory of every thread's arena resident; trimming returns whole free pages.
  malloc_trim(0);
#endif
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::error_code& ec) {
  std::filesystem::rename(from, to, ec);
  return !ec;
}

std::string executable_path() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

#ifdef __linux__

namespace {

// File systems whose every change goes through this machine's kernel, and so is reported. Others
// (network shares, FUSE, overlays of folders that may be changed underneath) are not watched.
bool reports_every_change(int folder) {
  struct statfs fs {};
  if (::fstatfs(folder, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0xF2F52010:  // f2fs
      return true;
    default: return false;
  }
}

constexpr std::uint32_t kWatchedEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE |
                                         IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                         IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

// Watches count against a limit shared by all of the user's programs (file managers, editors):
// take at most a quarter of it, so that a library of very many folders leaves them theirs.
std::size_t watch_budget() {
  std::size_t limit = 0;
  if (FILE* file = std::fopen("/proc/sys/fs/inotify/max_user_watches", "r")) {
    unsigned long value = 0;
    if (std::fscanf(file, "%lu", &value) == 1) limit = value;
    std::fclose(file);
  }
  return std::max<std::size_t>(limit / 4, 256);
}

struct FolderWatch::State {
  int fd = -1;
  bool failed = false;  // inotify itself is not available: stop trying
  std::size_t budget = 0;
  std::unordered_map<int, FolderId> folders;  // by watch descriptor
  std::vector<char> buffer;                   // sized once something is watched
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() {
  if (state_->fd >= 0) ::close(state_->fd);
}

bool FolderWatch::watch(const FolderCursor& files) {
  State& st = *state_;
  if (st.failed || files.handle_ < 0 || !files.id_) return false;
  const int folder = static_cast<int>(files.handle_);
  if (!reports_every_change(folder)) return false;
  if (st.fd < 0) {
    st.fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (st.fd < 0) {
      st.failed = true;
      return false;
    }
    st.buffer.resize(std::size_t{64} << 10);
    st.budget = watch_budget();
  }
  // Watched through the open handle, so that the watch is on exactly the folder the cursor
  // identified, even if a folder of the same name took its place meanwhile.
  if (st.folders.size() >= st.budget) return false;
  const std::string handle_path = "/proc/self/fd/" + std::to_string(folder);
  const int wd = ::inotify_add_watch(st.fd, handle_path.c_str(), kWatchedEvents);
  if (wd < 0) return false;
  st.folders[wd] = *files.id_;
  return true;
}

FolderWatch::Changes FolderWatch::collect_changes(std::vector<FolderId>& unwatched) {
  State& st = *state_;
  if (st.fd < 0) return Changes::None;
  Changes changes = Changes::None;
  for (;;) {
    const ssize_t n = ::read(st.fd, st.buffer.data(), st.buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // nothing more queued (EAGAIN)
    if (changes == Changes::None) changes = Changes::Some;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event{};
      std::memcpy(&event, st.buffer.data() + at, sizeof event);
      at += static_cast<ssize_t>(sizeof event + event.len);
      if (event.mask & IN_Q_OVERFLOW) changes = Changes::Lost;
      // The folder was removed or its file system unmounted. The watch itself may outlive this
      // while somebody still holds the folder open, but the folder is gone for good.
      if (!(event.mask & (IN_DELETE_SELF | IN_UNMOUNT | IN_IGNORED))) continue;
      if (auto it = st.folders.find(event.wd); it != st.folders.end()) {
        unwatched.push_back(it->second);
        st.folders.erase(it);
      }
    }
  }
  return changes;
}

#else  // no inotify: nothing is watched, every cached file is checked each time

struct FolderWatch::State {};
FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}
FolderWatch::~FolderWatch() = default;
bool FolderWatch::watch(const FolderCursor&) { return false; }
FolderWatch::Changes FolderWatch::collect_changes(std::vector<FolderId>&) { return Changes::None; }

#endif

}  // namespace lantaro::platform
