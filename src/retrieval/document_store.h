#pragma once
// Reads and decodes documents, and keeps recently used texts so that repeated searches over the
// same documents neither read nor decode again. Safe to use from several threads.

#include <cstddef>
#include <filesystem>
#include <memory>

#include "retrieval/result_list.h"

namespace lantaro {

namespace platform {
class FolderCursor;
}

class DocumentStore {
 public:
  // Bound on the decoded texts kept (UTF-16 bytes); least recently used are evicted first.
  explicit DocumentStore(std::size_t max_cached_bytes = std::size_t{1} << 30);
  ~DocumentStore();
  DocumentStore(const DocumentStore&) = delete;
  DocumentStore& operator=(const DocumentStore&) = delete;

  // The decoded text, or nullptr when the file cannot be read (vanished, no permission, a
  // folder). Cached by path, size and modification time.
  DocumentText load(const std::filesystem::path& path);
  // The same within a run of loads by one thread (a search's worker) that keeps `files` for that
  // run: the documents of one folder are then looked up relative to it.
  DocumentText load(const std::filesystem::path& path, platform::FolderCursor& files);

  // A hint that `path` is about to be loaded: starts bringing its index slot into the processor's
  // cache, so that a run of loads overlaps its memory waits. Changes nothing.
  void prefetch(const std::filesystem::path& path) const;

  void clear();
  std::size_t cached_bytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  DocumentText load(const std::filesystem::path& path, platform::FolderCursor* files);
};

}  // namespace lantaro
