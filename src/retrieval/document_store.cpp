#include "retrieval/document_store.h"

#include <fstream>
#include <list>
#include <memory_resource>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>

#include "app/codepage.h"
#include "app/platform.h"

namespace lantaro {
namespace {

using Stamp = platform::FileStamp;

// One system call for both size and time: a warm search pays this for every document.
std::optional<Stamp> stamp_of(const std::filesystem::path& path) { return platform::file_stamp(path); }

// Reads exactly the bytes the stamp announced. `complete` is false when the file changed size
// while being read: the text is still usable, but must not be cached under that stamp.
std::optional<std::string> read_bytes(const std::filesystem::path& path, std::uintmax_t size,
                                      bool& complete) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(size));
  auto got = in.rdbuf()->sgetn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (got < 0) return std::nullopt;
  complete = static_cast<std::uintmax_t>(got) == size &&
             std::char_traits<char>::eq_int_type(in.rdbuf()->sgetc(), std::char_traits<char>::eof());
  bytes.resize(static_cast<std::size_t>(got));
  return bytes;
}

std::size_t cost_of(const std::u16string& text) {
  return text.capacity() * sizeof(char16_t) + sizeof(std::u16string) + 64;
}

}  // namespace

// The index lives in its own memory pool: its nodes then sit together instead of between the
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
    std::pmr::list<const PoolKey*>::iterator lru;
  };
  using Map = std::pmr::unordered_map<PoolKey, Entry, KeyHash, KeyEqual>;

  explicit Impl(std::size_t max) : max_bytes(max) {}

  std::size_t max_bytes;
  mutable std::mutex mutex;
  std::pmr::unsynchronized_pool_resource pool;  // guarded by mutex, like everything below
  Map entries{&pool};
  std::pmr::list<const PoolKey*> order{&pool};  // most recently used first
  std::size_t bytes = 0;

  void erase(Map::iterator it) {
    bytes -= it->second.cost;
    order.erase(it->second.lru);
    entries.erase(it);
  }
};

DocumentStore::DocumentStore(std::size_t max_cached_bytes)
    : impl_(std::make_unique<Impl>(max_cached_bytes)) {}

DocumentStore::~DocumentStore() = default;

DocumentText DocumentStore::load(const std::filesystem::path& path) {
  auto stamp = stamp_of(path);
  if (!stamp) return nullptr;
  const Impl::KeyView key = path.native();
  {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->entries.find(key);
    if (it != impl_->entries.end()) {
      if (it->second.stamp == *stamp) {
        impl_->order.splice(impl_->order.begin(), impl_->order, it->second.lru);
        return it->second.text;
      }
      impl_->erase(it);  // the file changed: its old text is of no further use
    }
  }

  // Read and decode outside the lock, so several documents decode at once.
  bool complete = false;
  auto bytes = read_bytes(path, stamp->size, complete);
  if (!bytes) return nullptr;
  std::u16string decoded = decode_document(*bytes);
  bytes.reset();
  // The decoder reserves a code unit per byte; Chinese text needs half of that, and a cached
  // text should not carry the slack for its whole life.
  if (decoded.capacity() > decoded.size() + decoded.size() / 8 + 16) decoded.shrink_to_fit();
  const std::size_t cost = cost_of(decoded);
  auto text = std::make_shared<const std::u16string>(std::move(decoded));
  if (!complete || cost > impl_->max_bytes) return text;

  std::lock_guard lock(impl_->mutex);
  if (auto it = impl_->entries.find(key); it != impl_->entries.end()) impl_->erase(it);
  auto it = impl_->entries.emplace(Impl::PoolKey(key, &impl_->pool), Impl::Entry{}).first;
  impl_->order.push_front(&it->first);
  it->second = Impl::Entry{*stamp, text, cost, impl_->order.begin()};
  impl_->bytes += cost;
  while (impl_->bytes > impl_->max_bytes && !impl_->order.empty())
    impl_->erase(impl_->entries.find(*impl_->order.back()));
  return text;
}

void DocumentStore::clear() {
  std::lock_guard lock(impl_->mutex);
  impl_->entries.clear();
  impl_->order.clear();
  impl_->bytes = 0;
}

std::size_t DocumentStore::cached_bytes() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->bytes;
}

}  // namespace lantaro
