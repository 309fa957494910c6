#include "engine/retrieval/document_store.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory_resource>
#include <mutex>
#include <new>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/common/codepage.h"
#include "platform/platform.h"

namespace lantaro {
namespace {

using Stamp = platform::FileStamp;

std::size_t cost_of(const std::u16string& text) {
  return text.capacity() * sizeof(char16_t) + sizeof(std::u16string) + 64;
}
std::size_t cost_of(const std::string& bytes) {
  return bytes.capacity() + sizeof(std::string) + 64;
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
// A warm search makes one lookup per document, so a lookup should touch as little memory as
// possible: each shard is an open-addressing table of (hash, entry) slots, and an entry carries its
// key right behind it, in the shard's own memory pool.
struct DocumentStore::Impl {
  using KeyChar = std::filesystem::path::value_type;
  using KeyView = std::basic_string_view<KeyChar>;

  struct Entry {
    Entry(std::size_t h, KeyView k) : hash(h), key_size(k.size()) {
      std::char_traits<KeyChar>::copy(key_data(), k.data(), k.size());
    }
    static std::size_t bytes_for(KeyView k) { return sizeof(Entry) + k.size() * sizeof(KeyChar); }
    KeyChar* key_data() { return reinterpret_cast<KeyChar*>(this + 1); }
    KeyView key() const { return {reinterpret_cast<const KeyChar*>(this + 1), key_size}; }

    const std::size_t hash;
    const std::size_t key_size;
    Stamp stamp;
    DocumentTextPtr text;
    DocumentBytes bytes;  // instead of a text: a document searched, but neither hit nor shown
    std::size_t cost = 0;
    std::atomic<std::uint64_t> last_used{0};  // written under the shard's shared lock
    // The run trust (see folder_trust) under which the text was last found current; 0: none.
    std::atomic<std::uint64_t> trusted{0};  // written under the shard's shared lock
  };
  static_assert(sizeof(Entry) % alignof(KeyChar) == 0);

  struct Slot {
    std::size_t hash = 0;
    Entry* entry = nullptr;  // none: the slot is free
  };

  class alignas(64) Shard {
   public:
    std::shared_mutex mutex;

    Shard() = default;
    Shard(const Shard&) = delete;
    Shard& operator=(const Shard&) = delete;
    ~Shard() { clear(); }

    // Asks the processor to bring in the slot a lookup of `hash` starts at. Reads only atomics, so
    // it needs no lock; an outdated table at worst fetches a line that is not needed.
    void prefetch(std::size_t hash) const {
#if defined(__GNUC__)
      const Slot* table = table_.load(std::memory_order_relaxed);
      if (!table) return;
      __builtin_prefetch(table + (hash & table_mask_.load(std::memory_order_relaxed)));
#else
      (void)hash;
#endif
    }

    Entry* find(std::size_t hash, KeyView key) const {
      if (slots_.empty()) return nullptr;
      for (std::size_t i = hash & mask();; i = (i + 1) & mask()) {
        const Slot& slot = slots_[i];
        if (!slot.entry) return nullptr;
        if (slot.hash == hash && slot.entry->key() == key) return slot.entry;
      }
    }

    Entry& insert(std::size_t hash, KeyView key) {  // the key must not be present
      if ((count_ + 1) * 2 > slots_.size()) grow();
      void* memory = pool_.allocate(Entry::bytes_for(key), alignof(Entry));
      auto* entry = new (memory) Entry(hash, key);
      place(Slot{hash, entry});
      ++count_;
      return *entry;
    }

    void erase(Entry* entry) {
      std::size_t i = entry->hash & mask();
      while (slots_[i].entry != entry) i = (i + 1) & mask();
      release(entry);
      --count_;
      // Move later slots of the same run back, so that no lookup stops at the gap too early.
      for (std::size_t j = (i + 1) & mask(); slots_[j].entry; j = (j + 1) & mask()) {
        const std::size_t home = slots_[j].hash & mask();
        const bool stays = i < j ? (home > i && home <= j) : (home > i || home <= j);
        if (stays) continue;
        slots_[i] = slots_[j];
        i = j;
      }
      slots_[i] = Slot{};
    }

    template <class F>
    void for_each(F&& f) {
      for (const Slot& slot : slots_)
        if (slot.entry) f(*slot.entry);
    }

    void clear() {
      for (Slot& slot : slots_)
        if (slot.entry) release(std::exchange(slot.entry, nullptr));
      count_ = 0;
    }

   private:
    std::size_t mask() const { return slots_.size() - 1; }

    void place(Slot slot) {
      std::size_t i = slot.hash & mask();
      while (slots_[i].entry) i = (i + 1) & mask();
      slots_[i] = slot;
    }

    void grow() {
      std::pmr::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2, &pool_);
      old.swap(slots_);
      for (const Slot& slot : old)
        if (slot.entry) place(slot);
      table_.store(slots_.data(), std::memory_order_relaxed);
      table_mask_.store(mask(), std::memory_order_relaxed);
    }

    void release(Entry* entry) {
      const std::size_t bytes = Entry::bytes_for(entry->key());
      entry->~Entry();
      pool_.deallocate(entry, bytes, alignof(Entry));
    }

    std::pmr::unsynchronized_pool_resource pool_;  // guarded by mutex, like everything here
    std::pmr::vector<Slot> slots_{&pool_};         // a power of two long, at most half full
    std::size_t count_ = 0;
    // Copies of slots_'s place and mask for prefetch(), which runs without the lock.
    std::atomic<const Slot*> table_{nullptr};
    std::atomic<std::size_t> table_mask_{0};
  };

  static constexpr std::size_t kShards = 64;
  struct Queued {
    std::uint64_t seen;  // the entry's tick when the snapshot was taken
    Shard* shard;
    Entry* entry;
  };

  explicit Impl(std::size_t max) : max_bytes(max) {}

  // Change reports. A folder the store has met gets a record (by identity, never reused); a run
  // entering it gets a trust value made of the record and the number of change reports collected
  // so far. A cached text checked under that value (read or found unchanged after the folder was
  // watched) is current as long as no further report came: any report, from any folder, ends
  // every trust, which costs the next search one status query per document.
  static constexpr int kGenerationBits = 40;
  static constexpr std::uint64_t kGenerationMask = (std::uint64_t{1} << kGenerationBits) - 1;
  static constexpr std::size_t kMaxFolders = (std::size_t{1} << (64 - kGenerationBits)) - 2;
  struct FolderIdHash {
    std::size_t operator()(const platform::FolderId& id) const {
      return std::hash<std::uint64_t>{}(id.node * 0x9E3779B97F4A7C15ull ^ id.device);
    }
  };
  std::mutex watch_mutex;  // guards everything down to generation
  platform::FolderWatch watch;
  std::unordered_map<platform::FolderId, std::uint64_t, FolderIdHash> watched;  // to record number
  std::uint64_t folder_records = 0;
  std::vector<platform::FolderId> unwatched;
  std::uint64_t generation = 1;

  std::uint64_t folder_trust(const platform::FolderCursor& files, platform::FolderId id) {
    std::lock_guard lock(watch_mutex);
    unwatched.clear();
    switch (watch.collect_changes(unwatched)) {
      case platform::FolderWatch::Changes::None: break;
      case platform::FolderWatch::Changes::Some: ++generation; break;
      case platform::FolderWatch::Changes::Lost:
        // A lost removal report would leave a record that a new folder with the same identity
        // could inherit: start over, every folder gets a new record when next met.
        ++generation;
        watched.clear();
        break;
    }
    for (const platform::FolderId& gone : unwatched) watched.erase(gone);
    auto it = watched.find(id);
    if (it == watched.end()) {
      if (folder_records >= kMaxFolders || !watch.watch(files)) return 0;
      it = watched.emplace(id, ++folder_records).first;
    }
    return (it->second << kGenerationBits) | (generation & kGenerationMask);
  }

  static std::uint64_t new_id() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  const std::uint64_t id = new_id();  // tells the stores apart in a thread's block of ticks
  const std::size_t max_bytes;
  std::array<Shard, kShards> shards;
  std::atomic<std::uint64_t> clock{0};
  std::atomic<std::uint64_t> searches{0};
  std::atomic<std::size_t> last_items{0};
  std::atomic<std::size_t> last_hit_documents{0};
  std::atomic<std::size_t> bytes{0};
  // Eviction order, oldest first from `next` on; guarded by eviction_mutex, which is taken before
  // any shard's lock. An entry leaves its shard only through this queue or clear() (both under
  // eviction_mutex), so the pointers stay valid.
  std::mutex eviction_mutex;
  std::vector<Queued> queue;
  std::size_t next = 0;

  static std::size_t hash_of(KeyView key) { return std::hash<KeyView>{}(key); }
  // The top bits choose the shard, the low bits the slot within it.
  Shard& shard_for(std::size_t hash) {
    return shards[(hash >> (sizeof(std::size_t) * 4)) % kShards];
  }
  // Use ticks come from the shared clock in blocks, so that workers looking up documents do not
  // pass the clock's cache line back and forth on every lookup. Within a thread the ticks still
  // grow with every use; across threads the order is exact up to a block, and a thread's block
  // that the clock has left far behind is dropped rather than used.
  std::uint64_t tick() {
    struct Block {
      std::uint64_t store = 0;
      std::uint64_t next = 0;
      std::uint64_t end = 0;
    };
    constexpr std::uint64_t kBlock = 64;
    thread_local Block block;
    if (block.store != id || block.next == block.end ||
        clock.load(std::memory_order_relaxed) > block.end + kBlock) {
      const std::uint64_t base = clock.fetch_add(kBlock, std::memory_order_relaxed);
      block = Block{id, base + 1, base + kBlock + 1};
    }
    return block.next++;
  }

  // Records what was found for a document: its text or its undecoded bytes (exactly one), read at
  // `stamp` and current under `trust` (0: none). `replaced`: only if the entry still holds these
  // bytes (another thread may have put a newer text in meanwhile).
  void keep(Shard& shard, std::size_t hash, KeyView key, const Stamp& stamp, DocumentTextPtr text,
            DocumentBytes raw, const DocumentBytes* replaced, std::uint64_t trust) {
    if (!text && !raw) return;
    const std::size_t cost = text ? cost_of(*text) : cost_of(*raw);
    if (cost > max_bytes) return;
    {
      std::unique_lock lock(shard.mutex);
      Entry* entry = shard.find(hash, key);
      if (replaced && (!entry || entry->bytes != *replaced)) return;
      if (entry)
        bytes -= entry->cost;  // a changed file, or another thread read it meanwhile
      else
        entry = &shard.insert(hash, key);
      entry->stamp = stamp;
      entry->text = std::move(text);
      entry->bytes = std::move(raw);
      entry->cost = cost;
      entry->last_used.store(tick(), std::memory_order_relaxed);
      // The folder was watched before the file was opened, so any change since shows up as a
      // report.
      entry->trusted.store(trust, std::memory_order_relaxed);
      bytes += cost;
    }
    if (bytes.load() > max_bytes) evict_over_bound();
  }

  void evict_over_bound() {
    std::lock_guard eviction(eviction_mutex);
    while (bytes.load() > max_bytes) {
      if (next == queue.size() && !snapshot()) return;
      const Queued q = queue[next++];
      std::unique_lock lock(q.shard->mutex);
      if (q.entry->last_used.load(std::memory_order_relaxed) != q.seen) continue;  // used since
      bytes -= q.entry->cost;
      q.shard->erase(q.entry);
    }
  }

  bool snapshot() {
    queue.clear();
    next = 0;
    for (Shard& shard : shards) {
      std::shared_lock lock(shard.mutex);
      shard.for_each([&](Entry& entry) {
        queue.push_back({entry.last_used.load(std::memory_order_relaxed), &shard, &entry});
      });
    }
    std::sort(queue.begin(), queue.end(),
              [](const Queued& a, const Queued& b) { return a.seen < b.seen; });
    return !queue.empty();
  }
};

DocumentStore::DocumentStore(std::size_t max_cached_bytes)
    : impl_(std::make_unique<Impl>(max_cached_bytes)) {}

DocumentStore::~DocumentStore() = default;

DocumentText DocumentStore::load(const platform::NativePath& path) { return load(path, nullptr); }

void DocumentStore::prefetch(const platform::NativePath& path) const {
  const std::size_t hash = Impl::hash_of(path);
  impl_->shard_for(hash).prefetch(hash);
}

DocumentText DocumentStore::load(const platform::NativePath& path, Run& run) {
  return load(path, &run);
}

DocumentText DocumentStore::load(const platform::NativePath& path, Run* run) {
  platform::FolderCursor* files = run ? &run->files_ : nullptr;
  std::uint64_t trust = 0;
  if (run) {
    const std::optional<platform::FolderId> folder = files->enter_folder_of(path);
    if (folder != run->folder_) {
      run->folder_ = folder;
      run->trust_ = folder ? impl_->folder_trust(*files, *folder) : 0;
    }
    trust = run->trust_;
  }
  const Impl::KeyView key = path;
  const std::size_t hash = Impl::hash_of(key);
  Impl::Shard& shard = impl_->shard_for(hash);
  std::optional<Stamp> cached_stamp;
  DocumentTextPtr cached;
  DocumentBytes kept_bytes;
  bool current = false;
  std::uint64_t kept_trust = 0;  // what the entry may carry once it is found current
  {
    std::shared_lock lock(shard.mutex);
    if (Impl::Entry* entry = shard.find(hash, key)) {
      cached = entry->text;
      kept_bytes = entry->bytes;
      // Counted as used even if the file turns out changed: the new text replaces it anyway.
      entry->last_used.store(impl_->tick(), std::memory_order_relaxed);
      current = trust != 0 && entry->trusted.load(std::memory_order_relaxed) == trust;
      if (current) kept_trust = trust;
      cached_stamp = entry->stamp;
    }
  }
  if ((cached || kept_bytes) && !current) {
    // The file system is asked outside the lock; only its answer decides.
    const auto stamp = files ? files->file_stamp(path) : platform::file_stamp(path);
    if (!stamp) return nullptr;
    current = *stamp == *cached_stamp;
    if (current && trust != 0 && stamp->links == 1) {
      kept_trust = trust;
      // Found current after the folder was watched: later runs may skip the question until a
      // change is reported. Only if the entry still holds what was checked.
      std::shared_lock lock(shard.mutex);
      Impl::Entry* entry = shard.find(hash, key);
      if (entry && entry->text == cached && entry->bytes == kept_bytes)
        entry->trusted.store(trust, std::memory_order_relaxed);
    }
  }
  if (current && cached) return cached;
  if (current && kept_bytes) {
    auto text = std::make_shared<const std::u16string>(decode_document(*kept_bytes));
    impl_->keep(shard, hash, key, *cached_stamp, text, nullptr, &kept_bytes, kept_trust);
    return text;
  }

  // Not cached (or changed): one open, status query and read. Decoding happens outside any lock,
  // so several documents decode at once.
  std::string& bytes = read_buffer();
  const auto read = files ? files->read_file(path, bytes) : platform::read_file(path, bytes);
  if (!read) return nullptr;
  const std::uint64_t read_trust = read->stamp.links == 1 ? trust : 0;
  auto text = std::make_shared<const std::u16string>(decode_document(bytes));
  release_large_read_buffer();
  if (read->complete)
    impl_->keep(shard, hash, key, read->stamp, text, nullptr, nullptr, read_trust);
  return text;
}

SearchSource DocumentStore::load_for_search(const platform::NativePath& path, Run& run) {
  platform::FolderCursor& files = run.files_;
  const std::optional<platform::FolderId> folder = files.enter_folder_of(path);
  if (folder != run.folder_) {
    run.folder_ = folder;
    run.trust_ = folder ? impl_->folder_trust(files, *folder) : 0;
  }
  const std::uint64_t trust = run.trust_;
  const Impl::KeyView key = path;
  const std::size_t hash = Impl::hash_of(key);
  Impl::Shard& shard = impl_->shard_for(hash);
  SearchSource kept;
  bool current = false;
  {
    std::shared_lock lock(shard.mutex);
    if (Impl::Entry* entry = shard.find(hash, key)) {
      kept.text = entry->text;
      kept.bytes = entry->bytes;
      kept.stamp = entry->stamp;
      entry->last_used.store(impl_->tick(), std::memory_order_relaxed);
      current = trust != 0 && entry->trusted.load(std::memory_order_relaxed) == trust;
    }
  }
  if (kept && !current) {
    const auto stamp = files.file_stamp(path);
    if (!stamp) return {};
    current = *stamp == kept.stamp;
    if (current && trust != 0 && stamp->links == 1) {
      std::shared_lock lock(shard.mutex);
      Impl::Entry* entry = shard.find(hash, key);
      if (entry && entry->bytes == kept.bytes && entry->text == kept.text)
        entry->trusted.store(trust, std::memory_order_relaxed);
    }
  }
  if (kept && current) return kept;

  auto bytes = std::make_shared<std::string>();
  const auto read = files.read_file(path, *bytes);
  if (!read) return {};
  SearchSource fresh;
  fresh.stamp = read->stamp;
  fresh.bytes = std::move(bytes);
  if (read->complete && fresh.bytes->size() <= impl_->max_bytes)
    impl_->keep(shard, hash, key, read->stamp, nullptr, fresh.bytes, nullptr,
                read->stamp.links == 1 ? trust : 0);
  return fresh;
}

bool DocumentStore::begin_search() {
  return impl_->searches.fetch_add(1, std::memory_order_relaxed) > 0;
}

void DocumentStore::keep_decoded(const platform::NativePath& path, const DocumentBytes& bytes,
                                 DocumentTextPtr text) {
  if (!bytes || !text) return;
  const Impl::KeyView key = path;
  const std::size_t hash = Impl::hash_of(key);
  Impl::Shard& shard = impl_->shard_for(hash);
  {
    std::unique_lock lock(shard.mutex);
    Impl::Entry* entry = shard.find(hash, key);
    if (!entry || entry->bytes != bytes) return;
    const std::size_t cost = cost_of(*text);
    impl_->bytes += cost;
    impl_->bytes -= entry->cost;
    entry->cost = cost;
    entry->text = std::move(text);
    entry->bytes = nullptr;
  }
  if (impl_->bytes.load() > impl_->max_bytes) impl_->evict_over_bound();
}

DocumentStore::ResultSizes DocumentStore::last_result_sizes() const {
  return {impl_->last_items.load(std::memory_order_relaxed),
          impl_->last_hit_documents.load(std::memory_order_relaxed)};
}

void DocumentStore::set_last_result_sizes(ResultSizes sizes) {
  impl_->last_items.store(sizes.items, std::memory_order_relaxed);
  impl_->last_hit_documents.store(sizes.hit_documents, std::memory_order_relaxed);
}

void DocumentStore::clear() {
  std::lock_guard eviction(impl_->eviction_mutex);
  impl_->queue.clear();
  impl_->next = 0;
  for (Impl::Shard& shard : impl_->shards) {
    std::unique_lock lock(shard.mutex);
    shard.for_each([&](const Impl::Entry& entry) { impl_->bytes -= entry.cost; });
    shard.clear();
  }
}

std::size_t DocumentStore::cached_bytes() const { return impl_->bytes.load(); }

}  // namespace lantaro
