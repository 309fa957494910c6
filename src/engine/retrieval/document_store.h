#pragma once
// Reads and decodes documents, and keeps recently used texts so that repeated searches over the
// same documents neither read nor decode again. Safe to use from several threads.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "engine/retrieval/result_list.h"
#include "platform/platform.h"

namespace lantaro {

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

  // Bound on the decoded texts kept (UTF-16 bytes); least recently used are evicted first.
  explicit DocumentStore(std::size_t max_cached_bytes = std::size_t{1} << 30);
  ~DocumentStore();
  DocumentStore(const DocumentStore&) = delete;
  DocumentStore& operator=(const DocumentStore&) = delete;

  // The decoded text, or nullptr when the file cannot be read (vanished, no permission, a
  // folder). Cached by path, size and modification time.
  DocumentText load(const std::filesystem::path& path);
  // The same within a run of loads (see Run).
  DocumentText load(const std::filesystem::path& path, Run& run);

  // A hint that `path` is about to be loaded: starts bringing its index slot into the processor's
  // cache, so that a run of loads overlaps its memory waits. Changes nothing.
  void prefetch(const std::filesystem::path& path) const;

  void clear();
  std::size_t cached_bytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  DocumentText load(const std::filesystem::path& path, Run* run);
};

}  // namespace lantaro
