#pragma once
// The library as a tree: every directory and document below the corpus folder, in the order the
// corpus tree shows them. Items sit in pre-order in one vector, so an item's position in it is
// its item index (collapsed branches count), and the items below an item are the contiguous run
// [index + 1, end).

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/corpus/document.h"

namespace lantaro {

inline constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

struct LibraryItem {
  std::u16string label;  // directory name, or the document's display name
  bool is_directory = false;
  std::string relative_path;  // below the corpus folder, "/"-separated, UTF-8; documents keep
                              // their real file name (".txt" in whatever case it has)
  // The same path in the names' own bytes, where some name is not UTF-8 (a library copied from a
  // Chinese Windows system: relative_path then holds the names decoded as GB18030); else empty.
  std::string disk_path;
  std::size_t parent = kNoParent;
  std::size_t depth = 0;              // 0 for top-level items
  std::size_t row = 0;                // position among its parent's children (or the top level)
  std::size_t end = 0;                // one past its last descendant
  std::vector<std::size_t> children;  // item indexes, in order
};

class LibraryTree {
 public:
  LibraryTree() = default;
  explicit LibraryTree(std::filesystem::path corpus_folder);

  const std::filesystem::path& corpus_folder() const { return corpus_folder_; }
  const std::vector<LibraryItem>& items() const { return items_; }
  const std::vector<std::size_t>& top_level() const { return top_level_; }
  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const LibraryItem& operator[](std::size_t index) const { return items_[index]; }

  // Children of `parent`, or the top-level items for kNoParent.
  const std::vector<std::size_t>& children_of(std::size_t parent) const;

  // The document an item stands for; meaningless for a directory.
  Document document(std::size_t index) const;
  std::size_t document_count() const;

  // The documents among `indexes` (any order, duplicates allowed), in tree order.
  std::vector<Document> documents_in(const std::vector<std::size_t>& indexes) const;
  // Every document at or below `index`, in tree order.
  std::vector<Document> documents_below(std::size_t index) const;

  // The item a "/"-separated path below the corpus folder names ("\\" is taken as "/" too).
  // A directory matches its path; a document its file name or its display name (without the
  // ".txt"). Where a directory and a document share a name, the directory wins; the document
  // is then named with its extension.
  std::optional<std::size_t> find(std::string_view path) const;

  // Builds a tree in pre-order: call add() for a node right after its parent, with the parent's
  // index (kNoParent for the top level), then finish() once.
  std::size_t add(LibraryItem item, std::size_t parent);
  // Room for `count` items in all, when it is known beforehand.
  void reserve(std::size_t count) { items_.reserve(count); }
  // Adds the items of a tree built the same way (before its finish()) below `parent`, as if
  // each had been added in turn.
  void add_below(LibraryTree part, std::size_t parent);
  void finish();

 private:
  std::filesystem::path corpus_folder_;
  std::vector<LibraryItem> items_;
  std::vector<std::size_t> top_level_;
};

// Reads the corpus folder recursively. Directories and files ending in ".txt" (any case) become
// items; within a directory, directories come first, then documents, each in a reader's order of
// their names (natural_order.h). Names that are not UTF-8 are shown decoded as GB18030. A directory
// that cannot be read contributes nothing; links to directories are not followed; a missing folder
// yields an empty tree. True when something other than a folder sits where the corpus folder should
// be: the scan then finds nothing, and the user must be told why rather than shown an empty
// library.
bool corpus_folder_unusable(const std::filesystem::path& corpus_folder);

LibraryTree scan_library(const std::filesystem::path& corpus_folder);

// Whether a file name ends in ".txt", in any case.
bool has_txt_extension(std::string_view file_name_utf8);

// Sets `state` on an item and on every item below it; `ticks` has one entry per item.
void tick_subtree(const LibraryTree& tree, std::vector<unsigned char>& ticks, std::size_t index,
                  bool state);
// The ticked documents in tree order.
std::vector<Document> ticked_documents(const LibraryTree& tree,
                                       const std::vector<unsigned char>& ticks);

}  // namespace lantaro
