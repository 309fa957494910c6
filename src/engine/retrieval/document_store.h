#pragma once
// Reads documents and keeps recently used ones: from a window's second search on, the searches keep
// their bytes, or their decoded texts once the keywords' bytes turned up in them; the full-text
// view keeps the texts it reads. Repeated searches and views of the same documents then read no
// file again. Safe to use from several threads.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/retrieval/result_list.h"
#include "platform/platform.h"

namespace lantaro {

using DocumentBytes = std::shared_ptr<const std::string>;

using DocumentTextPtr = std::shared_ptr<const std::u16string>;

// What a search reads of a document: its decoded text, if kept, else its bytes.
struct SearchSource {
  DocumentTextPtr text;
  DocumentBytes bytes;
  platform::FileStamp stamp;  // of the file they were read from
  explicit operator bool() const { return text || bytes; }
};

class DocumentStore {
 public:
  // A run of loads by one thread (a search's worker), documents mostly folder by folder: each
  // folder is opened once and its documents are looked up relative to it. Where the system
  // reports changes (see platform::FolderWatch), a cached text is even used without asking about
  // its file, as long as no change in any watched folder was reported since the text was last
  // checked; the reports are collected each time the run enters a folder. One pass only.
  class Run {
   public:
    Run() = default;

   private:
    friend class DocumentStore;
    platform::FolderCursor files_;
    std::optional<platform::FolderId> folder_;
    std::uint64_t trust_ = 0;  // what a cached text of the open folder must carry to be used as is
  };

  // Bound on the memory of what is kept (texts and bytes); least recently used documents are
  // evicted first.
  explicit DocumentStore(std::size_t max_cached_bytes = std::size_t{1} << 30);
  ~DocumentStore();
  DocumentStore(const DocumentStore&) = delete;
  DocumentStore& operator=(const DocumentStore&) = delete;

  // The decoded text, or nullptr when the file cannot be read (vanished, no permission, a
  // folder). Cached by path, size and modification time.
  DocumentText load(const platform::NativePath& path);
  // The same within a run of loads (see Run). Kept bytes of the file stand for it like a kept
  // text, and are decoded (and kept decoded instead) when it is loaded this way.
  DocumentText load(const platform::NativePath& path, Run& run);

  // What a search reads of a document: the text or the bytes kept, as long as the file has not
  // changed, else its bytes read afresh (and kept). Nothing when the file cannot be read.
  SearchSource load_for_search(const platform::NativePath& path, Run& run);
  // Keeps `text`, the decoding of `bytes`, in their place, as long as they are still the ones kept:
  // a document a search found something in is likely to be searched and shown again.
  void keep_decoded(const platform::NativePath& path, const DocumentBytes& bytes,
                    DocumentTextPtr text);

  // A hint that `path` is about to be loaded: starts bringing its index slot into the processor's
  // cache, so that a run of loads overlaps its memory waits. Changes nothing.
  void prefetch(const platform::NativePath& path) const;

  // Called once at the start of each search; true when the store has served one before (a
  // window that searches again, unlike a command line run).
  bool begin_search();

  // The sizes of the last search's results through this store, a guess for the next one's.
  struct ResultSizes {
    std::size_t items = 0;
    std::size_t hit_documents = 0;
  };
  ResultSizes last_result_sizes() const;
  void set_last_result_sizes(ResultSizes sizes);

  void clear();
  std::size_t cached_bytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  DocumentText load(const platform::NativePath& path, Run* run);
};

}  // namespace lantaro
