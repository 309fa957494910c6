#include "engine/corpus/library_tree.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <type_traits>

#include "engine/common/natural_order.h"
#include "engine/common/text.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace lantaro {
namespace {

constexpr std::size_t kTxtLength = 4;  // ".txt"

const std::vector<std::size_t>& no_children() {
  static const std::vector<std::size_t> none;
  return none;
}

struct Entry {
  std::string name;              // file name as read, UTF-8
  std::u16string label;          // what the tree shows
  std::string disk_name;         // the name's own bytes when they are not UTF-8, else empty
  fs::path::string_type native;  // a directory's name as the system spells it
};

// Ends a path with a separator, unless it is empty or has one already (as operator/ joins).
void add_separator(fs::path::string_type& path) {
  if (!path.empty() && path.back() != '/' && path.back() != fs::path::preferred_separator)
    path += fs::path::preferred_separator;
}

// A listing of one directory, or nothing when it cannot be read to the end: a half-read
// directory would show a library that silently lacks documents. Links to directories are not
// followed; a link to a document is read like the document, and only regular files are documents
// (a pipe or device named ".txt" would hang or feed garbage to a search).
bool list_directory(const fs::path::string_type& folder, std::vector<Entry>& directories,
                    std::vector<Entry>& documents) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::list_folder(folder, entries)) return false;
  for (platform::FolderEntry& listed : entries) {
    const bool directory = listed.kind == platform::FolderEntry::Kind::Folder;
    Entry entry;
    if (directory) entry.native = listed.name;
    entry.name = native_to_utf8(std::move(listed.name));
    if (!is_valid_utf8(entry.name)) {
      entry.disk_name = std::move(entry.name);
      entry.name = readable_path(fs::path(entry.disk_name));
      if (entry.name == entry.disk_name) entry.disk_name.clear();
    }
    if (directory) {
      entry.label = utf8_to_utf16(entry.name);
      directories.push_back(std::move(entry));
    } else if (has_txt_extension(entry.name)) {
      entry.label =
          utf8_to_utf16(std::string_view(entry.name).substr(0, entry.name.size() - kTxtLength));
      documents.push_back(std::move(entry));
    }
  }
  auto by_label = [](const Entry& a, const Entry& b) {
    const int c = compare_natural(a.label, b.label);
    return c != 0 ? c < 0 : a.name < b.name;
  };
  std::sort(directories.begin(), directories.end(), by_label);
  std::sort(documents.begin(), documents.end(), by_label);
  return true;
}

// A directory whose contents are to be scanned: where it is, and the relative path of what it
// holds as shown and in the names' own bytes (the latter only when some part is not UTF-8).
struct Folder {
  fs::path::string_type path;
  std::string prefix;
  std::string disk_prefix;
};

LibraryItem make_item(const Folder& folder, Entry& entry, bool directory) {
  LibraryItem item;
  item.label = std::move(entry.label);
  item.is_directory = directory;
  item.relative_path = folder.prefix + entry.name;
  if (!folder.disk_prefix.empty() || !entry.disk_name.empty())
    item.disk_path = (folder.disk_prefix.empty() ? folder.prefix : folder.disk_prefix) +
                     (entry.disk_name.empty() ? entry.name : entry.disk_name);
  return item;
}

Folder folder_of(const Folder& parent, const LibraryItem& item, const Entry& entry) {
  Folder inside{parent.path, item.relative_path + "/",
                item.disk_path.empty() ? std::string() : item.disk_path + "/"};
  add_separator(inside.path);
  inside.path += entry.native;
  return inside;
}

void scan_into(LibraryTree& tree, const Folder& folder, std::size_t parent) {
  std::vector<Entry> directories, documents;
  if (!list_directory(folder.path, directories, documents)) return;
  for (Entry& d : directories) {
    LibraryItem item = make_item(folder, d, true);
    const Folder inside = folder_of(folder, item, d);
    scan_into(tree, inside, tree.add(std::move(item), parent));
  }
  for (Entry& d : documents) tree.add(make_item(folder, d, false), parent);
}

// "a\\b//./c/" -> {"a", "b", "c"}; nothing for a path that climbs with "..".
std::optional<std::string> normalise(std::string_view path) {
  std::string joined;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find_first_of("/\\", i);
    if (j == std::string_view::npos) j = path.size();
    std::string_view part = path.substr(i, j - i);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") {
      if (!joined.empty()) joined += '/';
      joined += part;
    }
    i = j + 1;
  }
  return joined;
}

std::string_view display_path(const LibraryItem& item) {
  std::string_view p = item.relative_path;
  return p.substr(0, p.size() - kTxtLength);
}

}  // namespace

bool has_txt_extension(std::string_view name) {
  return name.size() >= kTxtLength && ascii_lower(name.substr(name.size() - kTxtLength)) == ".txt";
}

LibraryTree::LibraryTree(fs::path corpus_folder) : corpus_folder_(std::move(corpus_folder)) {}

const std::vector<std::size_t>& LibraryTree::children_of(std::size_t parent) const {
  if (parent == kNoParent) return top_level_;
  if (parent >= items_.size()) return no_children();
  return items_[parent].children;
}

namespace {

// The item's path below the corpus folder in the system's form: on POSIX the names' own bytes.
template <class Native>
void append_relative(Native& out, const LibraryItem& item) {
  if constexpr (std::is_same_v<typename Native::value_type, char>)
    out += item.disk_path.empty() ? item.relative_path : item.disk_path;
  else
    out += path_from_utf8(item.relative_path).native();
}

}  // namespace

Document LibraryTree::document(std::size_t index) const {
  const LibraryItem& item = items_.at(index);
  // The bytes as read: a name from another code page, turned into UTF-8 for showing, would
  // name a file that does not exist. Joined as a string, since a search makes one per document.
  fs::path::string_type path;
  const fs::path::string_type& folder = corpus_folder_.native();
  path.reserve(folder.size() + 1 + item.relative_path.size());
  path = folder;
  add_separator(path);
  append_relative(path, item);
  return Document{std::move(path), item.relative_path, item.label};
}

std::size_t LibraryTree::document_count() const {
  return static_cast<std::size_t>(std::count_if(
      items_.begin(), items_.end(), [](const LibraryItem& i) { return !i.is_directory; }));
}

std::vector<Document> LibraryTree::documents_in(const std::vector<std::size_t>& indexes) const {
  std::vector<std::size_t> sorted;
  sorted.reserve(indexes.size());
  for (std::size_t i : indexes)
    if (i < items_.size() && !items_[i].is_directory) sorted.push_back(i);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::vector<Document> out;
  out.reserve(sorted.size());
  for (std::size_t i : sorted) out.push_back(document(i));
  return out;
}

std::vector<Document> LibraryTree::documents_below(std::size_t index) const {
  std::vector<Document> out;
  if (index >= items_.size()) return out;
  for (std::size_t i = index; i < items_[index].end; ++i)
    if (!items_[i].is_directory) out.push_back(document(i));
  return out;
}

std::optional<std::size_t> LibraryTree::find(std::string_view path) const {
  std::optional<std::string> wanted = normalise(path);
  if (!wanted || wanted->empty()) return std::nullopt;
  const std::string& w = *wanted;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].is_directory && items_[i].relative_path == w) return i;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!items_[i].is_directory && items_[i].relative_path == w) return i;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!items_[i].is_directory && display_path(items_[i]) == w) return i;
  // "名.txt" for a document stored as "名.TXT".
  if (has_txt_extension(w)) {
    std::string_view stem = std::string_view(w).substr(0, w.size() - kTxtLength);
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (!items_[i].is_directory && display_path(items_[i]) == stem) return i;
  }
  return std::nullopt;
}

std::size_t LibraryTree::add(LibraryItem item, std::size_t parent) {
  std::size_t index = items_.size();
  std::vector<std::size_t>& siblings =
      parent == kNoParent ? top_level_ : items_.at(parent).children;
  item.parent = parent;
  item.depth = parent == kNoParent ? 0 : items_[parent].depth + 1;
  item.row = siblings.size();
  item.end = index + 1;
  siblings.push_back(index);
  items_.push_back(std::move(item));
  return index;
}

void LibraryTree::add_below(LibraryTree part, std::size_t parent) {
  // The part's links only move by its place in this tree: its children lists stay as they are,
  // rather than being built again an item at a time.
  const std::size_t offset = items_.size();
  std::vector<std::size_t>& siblings =
      parent == kNoParent ? top_level_ : items_.at(parent).children;
  const std::size_t depth = parent == kNoParent ? 0 : items_[parent].depth + 1;
  const std::size_t row = siblings.size();
  for (std::size_t i = 0; i < part.items_.size(); ++i) {
    LibraryItem& item = part.items_[i];
    if (item.parent == kNoParent) {
      item.parent = parent;
      item.row += row;
      siblings.push_back(i + offset);
    } else {
      item.parent += offset;
    }
    item.depth += depth;
    item.end += offset;
    for (std::size_t& child : item.children) child += offset;
  }
  items_.insert(items_.end(), std::make_move_iterator(part.items_.begin()),
                std::make_move_iterator(part.items_.end()));
}

void LibraryTree::finish() {
  // Children always follow their parent, so one backward pass settles every subtree's end.
  for (std::size_t i = items_.size(); i-- > 0;) {
    LibraryItem& item = items_[i];
    item.end = item.children.empty() ? i + 1 : items_[item.children.back()].end;
  }
}

bool corpus_folder_unusable(const std::filesystem::path& corpus_folder) {
  // The corpus folder's path ends in a separator, and "file/" is simply "not found": look at the
  // entry itself.
  std::filesystem::path entry = corpus_folder;
  if (!entry.has_filename()) entry = entry.parent_path();
  std::error_code ec;
  const auto status = std::filesystem::status(entry, ec);
  return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

LibraryTree scan_library(const fs::path& corpus_folder) {
  LibraryTree tree(corpus_folder);
  std::error_code ec;
  std::vector<Entry> directories, documents;
  // The folder itself may be a link (the user's choice of where the library lives).
  if (fs::is_directory(corpus_folder, ec) &&
      list_directory(corpus_folder.native(), directories, documents)) {
    const Folder top{corpus_folder.native(), "", ""};
    std::vector<LibraryItem> items;
    std::vector<Folder> insides;
    for (Entry& d : directories) {
      items.push_back(make_item(top, d, true));
      insides.push_back(folder_of(top, items.back(), d));
    }
    // The folders at the top are scanned on two threads, each into a tree of its own, joined in
    // order afterwards: a scan mostly waits on the system, and a command line search on the scan.
    std::vector<LibraryTree> parts(directories.size(), LibraryTree(corpus_folder));
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < parts.size();) {
        scan_into(parts[i], insides[i], kNoParent);
      }
    };
    std::exception_ptr failed;
    {
      std::jthread helper;
      if (parts.size() > 1 && std::thread::hardware_concurrency() > 1)
        helper = std::jthread([&] {
          try {
            work();
          } catch (...) {
            failed = std::current_exception();
            next.store(parts.size());
          }
        });
      work();
    }
    if (failed) std::rethrow_exception(failed);
    std::size_t count = items.size() + documents.size();
    for (const LibraryTree& part : parts) count += part.size();
    tree.reserve(count);
    for (std::size_t i = 0; i < items.size(); ++i)
      tree.add_below(std::move(parts[i]), tree.add(std::move(items[i]), kNoParent));
    for (Entry& d : documents) tree.add(make_item(top, d, false), kNoParent);
  }
  tree.finish();
  return tree;
}

void tick_subtree(const LibraryTree& tree, std::vector<unsigned char>& ticks, std::size_t index,
                  bool state) {
  if (index >= tree.size() || ticks.size() < tree.size()) return;
  std::fill(ticks.begin() + static_cast<std::ptrdiff_t>(index),
            ticks.begin() + static_cast<std::ptrdiff_t>(tree[index].end), state ? 1 : 0);
}

std::vector<Document> ticked_documents(const LibraryTree& tree,
                                       const std::vector<unsigned char>& ticks) {
  std::vector<Document> out;
  const std::size_t n = std::min(ticks.size(), tree.size());
  // Counted first: grown by doubling, the list of a large library would take up to twice its room.
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) count += ticks[i] && !tree[i].is_directory;
  out.reserve(count);
  for (std::size_t i = 0; i < n; ++i)
    if (ticks[i] && !tree[i].is_directory) out.push_back(tree.document(i));
  return out;
}

}  // namespace lantaro
