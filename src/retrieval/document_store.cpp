#include "retrieval/document_store.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/codepage.h"
#include "app/platform.h"

namespace lantaro {
namespace {

using Stamp = platform::FileStamp;

std::size_t cost_of(const std::u16string& text) {
  return text.capacity() * sizeof(char16_t) + sizeof(std::u16string) + 64;
}

// Each thread reads its documents into one buffer it keeps, so reading costs no allocation; a
// buffer grown by a very large document is given back rather than kept for the thread's life.
std::string& read_buffer() {
  thread_local std::string buffer;
  return buffer;
}
void release_large_read_buffer() {
  constexpr std::size_t kKeep = std::size_t{4} << 20;
  if (read_buffer().capacity() > kKeep) std::string().swap(read_buffer());
}

}  // namespace

// The index is split into shards, each with its own lock, so that workers reading different
// documents rarely meet; lookups share their shard's lock. Each entry records when it was last
// used with an atomic tick instead of being moved in a list. Eviction takes entries in the order
// of a snapshot of their ticks: an entry used after the snapshot has a newer tick than any in it
// and is skipped, so the order stays least recently used first, and the snapshot is taken again
// only once it is used up.
// Each shard's nodes live in its own memory pool: they then sit together instead of between the
// cached texts, and a warm search (one lookup per document) does not miss the cache on each.
struct DocumentStore::Impl {
  using PoolKey = std::pmr::basic_string<std::filesystem::path::value_type>;
  using KeyView = std::basic_string_view<std::filesystem::path::value_type>;
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(KeyView k) const { return std::hash<KeyView>{}(k); }
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(KeyView a, KeyView b) const { return a == b; }
  };
  struct Entry {
    Stamp stamp;
    DocumentText text;
    std::size_t cost = 0;
    std::atomic<std::uint64_t> last_used{0};  // written under the shard's shared lock
  };
  using Map = std::pmr::unordered_map<PoolKey, Entry, KeyHash, KeyEqual>;
  using Node = Map::value_type;
  struct alignas(64) Shard {
    std::shared_mutex mutex;
    std::pmr::unsynchronized_pool_resource pool;  // guarded by mutex, like entries
    Map entries{&pool};
  };
  static constexpr std::size_t kShards = 64;
  struct Queued {
    std::uint64_t seen;  // the entry's tick when the snapshot was taken
    Shard* shard;
    Node* node;
  };

  explicit Impl(std::size_t max) : max_bytes(max) {}

  const std::size_t max_bytes;
  std::array<Shard, kShards> shards;
  std::atomic<std::uint64_t> clock{0};
  std::atomic<std::size_t> bytes{0};
  // Eviction order, oldest first from `next` on; guarded by eviction_mutex, which is taken before
  // any shard's lock. An entry leaves its map only through this queue or clear() (both under
  // eviction_mutex), so the pointers stay valid.
  std::mutex eviction_mutex;
  std::vector<Queued> queue;
  std::size_t next = 0;

  Shard& shard_for(KeyView key) { return shards[KeyHash{}(key) % kShards]; }
  std::uint64_t tick() { return clock.fetch_add(1, std::memory_order_relaxed) + 1; }

  void evict_over_bound() {
    std::lock_guard eviction(eviction_mutex);
    while (bytes.load() > max_bytes) {
      if (next == queue.size() && !snapshot()) return;
      const Queued q = queue[next++];
      std::unique_lock lock(q.shard->mutex);
      Entry& entry = q.node->second;
      if (entry.last_used.load(std::memory_order_relaxed) != q.seen) continue;  // used since
      bytes -= entry.cost;
      q.shard->entries.erase(q.shard->entries.find(q.node->first));
    }
  }

  bool snapshot() {
    queue.clear();
    next = 0;
    for (Shard& shard : shards) {
      std::shared_lock lock(shard.mutex);
      for (Node& node : shard.entries)
        queue.push_back({node.second.last_used.load(std::memory_order_relaxed), &shard, &node});
    }
    std::sort(queue.begin(), queue.end(),
              [](const Queued& a, const Queued& b) { return a.seen < b.seen; });
    return !queue.empty();
  }
};

DocumentStore::DocumentStore(std::size_t max_cached_bytes)
    : impl_(std::make_unique<Impl>(max_cached_bytes)) {}

DocumentStore::~DocumentStore() = default;

DocumentText DocumentStore::load(const std::filesystem::path& path) {
  const Impl::KeyView key = path.native();
  Impl::Shard& shard = impl_->shard_for(key);
  std::optional<Stamp> cached_stamp;
  DocumentText cached;
  {
    std::shared_lock lock(shard.mutex);
    if (auto it = shard.entries.find(key); it != shard.entries.end()) {
      cached_stamp = it->second.stamp;
      cached = it->second.text;
      // Counted as used even if the file turns out changed: the new text replaces it anyway.
      it->second.last_used.store(impl_->tick(), std::memory_order_relaxed);
    }
  }
  if (cached) {
    // The file system is asked outside the lock; only its answer decides.
    const auto stamp = platform::file_stamp(path);
    if (!stamp) return nullptr;
    if (*stamp == *cached_stamp) return cached;
    cached.reset();
  }

  // Not cached (or changed): one open, status query and read. Decoding happens outside any lock,
  // so several documents decode at once.
  std::string& bytes = read_buffer();
  const auto read = platform::read_file(path, bytes);
  if (!read) return nullptr;
  auto text = std::make_shared<const std::u16string>(decode_document(bytes));
  release_large_read_buffer();
  const std::size_t cost = cost_of(*text);
  if (!read->complete || cost > impl_->max_bytes) return text;

  {
    std::unique_lock lock(shard.mutex);
    auto it = shard.entries.find(key);
    if (it == shard.entries.end())
      it = shard.entries.try_emplace(Impl::PoolKey(key, &shard.pool)).first;
    else
      impl_->bytes -= it->second.cost;  // a changed file, or another thread read it meanwhile
    Impl::Entry& entry = it->second;
    entry.stamp = read->stamp;
    entry.text = text;
    entry.cost = cost;
    entry.last_used.store(impl_->tick(), std::memory_order_relaxed);
    impl_->bytes += cost;
  }
  if (impl_->bytes.load() > impl_->max_bytes) impl_->evict_over_bound();
  return text;
}

void DocumentStore::clear() {
  std::lock_guard eviction(impl_->eviction_mutex);
  impl_->queue.clear();
  impl_->next = 0;
  for (Impl::Shard& shard : impl_->shards) {
    std::unique_lock lock(shard.mutex);
    for (const auto& [key, entry] : shard.entries) impl_->bytes -= entry.cost;
    shard.entries.clear();
  }
}

std::size_t DocumentStore::cached_bytes() const { return impl_->bytes.load(); }

}  // namespace lantaro
