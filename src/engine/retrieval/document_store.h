#pragma once
// Reads and decodes documents, and keeps recently used texts so that repeated searches over the
// same documents neither read nor decode again; of a document that no search needed decoded it
// keeps the bytes instead, from the second search on. Safe to use from several threads.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/retrieval/result_list.h"
#include "platform/platform.h"

namespace lantaro {

using DocumentBytes = std::shared_ptr<const std::string>;

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
    // Whether a document passed over (see load with `wanted`) has its bytes kept.
    void keep_bytes(bool keep);

   private:
    friend class DocumentStore;
    platform::FolderCursor files_;
    std::optional<platform::FolderId> folder_;
    std::uint64_t trust_ = 0;  // what a cached text of the open folder must carry to be used as is
    bool keep_bytes_ = false;
  };

  // Bound on the decoded texts kept (UTF-16 bytes); least recently used are evicted first.
  explicit DocumentStore(std::size_t max_cached_bytes = std::size_t{1} << 30);
  ~DocumentStore();
  DocumentStore(const DocumentStore&) = delete;
  DocumentStore& operator=(const DocumentStore&) = delete;

  // The decoded text, or nullptr when the file cannot be read (vanished, no permission, a
  // folder). Cached by path, size and modification time.
  DocumentText load(const platform::NativePath& path);
  // The same within a run of loads (see Run).
  DocumentText load(const platform::NativePath& path, Run& run);
  // The same, but a text that has to be read afresh is decoded (and kept) only when `wanted` says
  // its bytes are worth it: otherwise the result is nullptr and `passed_over` is set, and the
  // bytes are kept in place of the text if the run says so. Kept bytes stand for the file like a
  // kept text (`wanted` is asked about them, and they are decoded when wanted).
  DocumentText load(const platform::NativePath& path, Run& run,
                    const std::function<bool(std::string_view)>& wanted, bool& passed_over);

  // A document's bytes: the ones kept, as long as the file has not changed, else read afresh
  // (and kept, if the run says so). nullptr when the file cannot be read. `stamp`, if given, gets
  // the file's stamp the bytes belong to.
  DocumentBytes load_bytes(const platform::NativePath& path, Run& run,
                           platform::FileStamp* stamp = nullptr);

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
  DocumentText load(const platform::NativePath& path, Run* run,
                    const std::function<bool(std::string_view)>* wanted, bool* passed_over);
};

}  // namespace lantaro
