#include "engine/retrieval/searcher.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/common/text.h"
#include "engine/retrieval/byte_search.h"
#include "engine/retrieval/text_scan.h"
#include "engine/retrieval/worker_pool.h"
#include "platform/platform.h"

namespace lantaro {
namespace {

// The item window of a hit on the line [line_start, line_end).
ResultItem window_item(std::u16string_view text, std::uint32_t document, std::size_t hit_start,
                       std::size_t hit_end, std::size_t line_start, std::size_t line_end,
                       std::size_t left, std::size_t right) {
  std::size_t start = std::max(line_start, hit_start - std::min(left, hit_start));
  std::size_t end = std::min(line_end, hit_end + std::min(right, text.size() - hit_end));
  // Give up a character rather than show half of one.
  if (start > 0 && start < hit_start && is_low_surrogate(text[start]) &&
      is_high_surrogate(text[start - 1]))
    ++start;
  if (end < text.size() && end > hit_end && is_low_surrogate(text[end]) &&
      is_high_surrogate(text[end - 1]))
    --end;
  ResultItem item;
  item.document = document;
  item.start = start;
  item.length = end - start;
  item.hit_start = hit_start;
  item.hit_length = hit_end - hit_start;
  return item;
}

// The window of a hit looking only at the stretch it could reach: at most `left` characters
// before the hit and `right` after it.
ResultItem bounded_item(std::u16string_view text, std::uint32_t document, std::size_t hit_start,
                        std::size_t hit_end, std::size_t left, std::size_t right) {
  const std::size_t lowest = hit_start - std::min(left, hit_start);
  const char16_t* before =
      scan::find_last_line_break(text.data() + lowest, text.data() + hit_start);
  const std::size_t line_start =
      before ? static_cast<std::size_t>(before - text.data()) + 1 : lowest;
  const std::size_t reach = hit_end + std::min(right, text.size() - hit_end);
  const std::size_t line_end = scan::find_line_break(text.substr(0, reach), hit_end);
  return window_item(text, document, hit_start, hit_end, line_start, line_end, left, right);
}

// Walks the line breaks of a text forward along hits in text order, so that the windows of all
// hits of a document cost one pass over it, however long its lines and the display counts.
class LineCursor {
 public:
  explicit LineCursor(std::u16string_view text)
      : text_(text), next_break_(scan::find_line_break(text, 0)) {}

  // Moves to the line that holds `pos` (positions never go back).
  void advance_to(std::size_t pos) {
    while (next_break_ < pos) {
      line_start_ = next_break_ + 1;
      next_break_ = scan::find_line_break(text_, line_start_);
    }
  }
  std::size_t line_start() const { return line_start_; }
  std::size_t line_end() const { return next_break_; }

 private:
  std::u16string_view text_;
  std::size_t line_start_ = 0;
  std::size_t next_break_;
};

// Appends the items of a document's hits (document index 0, filled in when merging). Each window
// usually looks only at the few characters it can show; when the hits are so many, or the counts
// so large, that this would cost more than the text itself, one pass over the text's line breaks
// serves them all.
void append_items(std::u16string_view text, const std::vector<Hit>& hits,
                  const SearchRequest& request, std::vector<ResultItem>& items) {
  const std::size_t reach = std::max<std::size_t>(
      1, std::min(request.left, text.size()) + std::min(request.right, text.size()));
  if (hits.size() < text.size() / reach) {
    for (const Hit& hit : hits)
      items.push_back(
          bounded_item(text, 0, hit.start, hit.start + hit.length, request.left, request.right));
    return;
  }
  LineCursor lines(text);
  for (const Hit& hit : hits) {
    lines.advance_to(hit.start);  // a hit never holds a line break, so its line ends after it
    items.push_back(window_item(text, 0, hit.start, hit.start + hit.length, lines.line_start(),
                                lines.line_end(), request.left, request.right));
  }
}

// What one worker produces, in the order it took its documents (which is their order in the
// request, since each worker takes its batches in increasing order): the items, and the text of
// each document with hits, with a copy of the document unless the search owns the list. A document
// thereby costs no allocation of its own.
struct WorkerOutput {
  std::vector<ResultItem> items;
  std::vector<Document> documents;
  std::vector<DocumentText> texts;
  std::vector<Hit> hits;   // reused for every document
  DocumentStore::Run run;  // documents come folder by folder, in tree order
};

// What one document contributes; filled by whichever worker takes the document.
struct DocumentOutcome {
  enum class State : std::uint8_t { NotReached, Unreadable, Searched };
  std::size_t item_count = 0;
  std::uint32_t worker = 0;
  State state = State::NotReached;  // not reached only for documents a cancelled run skipped
};

// `owned`: the document belongs to the search, and the merge moves it into the results if it has
// hits. Else a document with hits is copied into the worker's output.
void search_one(const Document& document, bool owned, const SearchRequest& request,
                const std::function<bool(std::string_view)>& wanted, DocumentStore& store,
                std::uint32_t worker, WorkerOutput& out, DocumentOutcome& outcome) {
  bool passed_over = false;
  DocumentText text = store.load(document.path, out.run, wanted, passed_over);
  if (passed_over) {  // its bytes show it holds no hit
    outcome.state = DocumentOutcome::State::Searched;
    return;
  }
  if (!text) {
    outcome.state = DocumentOutcome::State::Unreadable;
    return;
  }
  outcome.state = DocumentOutcome::State::Searched;
  find_hits(*text, request, out.hits);
  if (out.hits.empty()) return;
  outcome.worker = worker;
  outcome.item_count = out.hits.size();
  append_items(*text, out.hits, request, out.items);
  if (!owned) out.documents.push_back(document);
  out.texts.push_back(std::move(text));
}

// Beyond these a guess of the result sizes is not worth the memory it would hold back.
constexpr std::size_t kMaxReservedItems = std::size_t{1} << 20;
constexpr std::size_t kMaxReservedDocuments = std::size_t{1} << 18;

std::u16string number(std::size_t value) { return utf8_to_utf16(std::to_string(value)); }

}  // namespace

std::size_t SearchResults::total_hits() const {
  return std::accumulate(hit_counts.begin(), hit_counts.end(), std::size_t{0});
}

std::u16string SearchResults::status_line() const {
  return u"符合条件的语句数量为" + number(list.size()) + u"，共搜索了" + number(searched) +
         u"部文献，" + number(hit_documents()) + u"部文献被命中";
}

std::u16string SearchResults::hit_line() const {
  return u"命中文献总数为" + number(hit_documents()) + u"，总计命中次数为" + number(total_hits());
}

ResultItem make_result_item(std::u16string_view text, std::uint32_t document, Hit hit,
                            std::size_t left, std::size_t right) {
  const std::size_t size = text.size();
  const std::size_t hit_start = std::min(hit.start, size);
  const std::size_t hit_end = hit_start + std::min(hit.length, size - hit_start);
  return bounded_item(text, document, hit_start, hit_end, left, right);
}

namespace {

// `owned`: null, or the same list as `documents`, handed over to the search.
SearchResults search(const std::vector<Document>& documents, std::vector<Document>* owned,
                     const SearchRequest& request, DocumentStore& store,
                     const SearchOptions& options) {
  const std::size_t count = documents.size();
  std::vector<DocumentOutcome> outcomes(count);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  constexpr std::size_t kAhead = 3;

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads =
      static_cast<unsigned>(std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1)));
  // Workers take runs of consecutive documents: one shared counter update per document would pass
  // its cache line between the cores more often than most documents take to search, and the longer
  // a worker stays in one folder, the less its folder cursor and outputs change hands. Runs stay
  // short enough that every worker gets many, so all finish at about the same time.
  const std::size_t batch = std::clamp<std::size_t>(count / (std::size_t{16} * threads), 1, 128);
  std::vector<WorkerOutput> outputs(threads);
  const bool repeated = store.begin_search();
  for (WorkerOutput& out : outputs) out.run.keep_bytes(repeated);
  // A window searches in runs over the same documents with similar results: each worker starts
  // with room for its share of what the store's last search produced (plus a margin), so its
  // buffers grow in place rather than by copies into fresh pages.
  {
    const DocumentStore::ResultSizes last = store.last_result_sizes();
    if (last.items <= kMaxReservedItems && last.hit_documents <= kMaxReservedDocuments) {
      const auto share = [&](std::size_t total) { return (total + total / 4) / threads + 16; };
      for (WorkerOutput& out : outputs) {
        out.items.reserve(share(last.items));
        if (!owned) out.documents.reserve(share(last.hit_documents));
        out.texts.reserve(share(last.hit_documents));
      }
    }
  }
  // Most documents of a library hold no hit of most keywords: their bytes tell, and only the
  // others are decoded.
  const BytePrefilter prefilter(request);
  std::function<bool(std::string_view)> wanted;
  if (prefilter.active())
    wanted = [&prefilter](std::string_view bytes) { return prefilter.may_match(bytes); };
  std::atomic<bool> failed{false};

  auto work = [&](unsigned worker) {
    WorkerOutput& out = outputs[worker];
    try {
      for (;;) {
        const std::size_t first = next.fetch_add(batch, std::memory_order_relaxed);
        if (first >= count) return;
        const std::size_t last = std::min(count, first + batch);
        for (std::size_t i = first; i < last; ++i) {
          if (options.cancel && options.cancel->load(std::memory_order_relaxed)) return;
          if (failed.load(std::memory_order_relaxed)) return;
          // A warm search is mostly waiting on memory: start the lookup of a later document now.
          if (i + kAhead < count) store.prefetch(documents[i + kAhead].path);
          search_one(documents[i], owned != nullptr, request, wanted, store, worker, out,
                     outcomes[i]);
          if (options.progress)
            options.progress(done.fetch_add(1, std::memory_order_acq_rel) + 1, count);
        }
      }
    } catch (...) {
      failed.store(true, std::memory_order_relaxed);  // the others stop too; the pool rethrows
      throw;
    }
  };
  run_workers(threads, work);

  // Merge in the order the documents were given, so the output never depends on scheduling.
  SearchResults results;
  results.request = request;
  results.list.kind = ResultKind::Search;
  std::size_t total_items = 0, hit_documents = 0;
  for (const WorkerOutput& out : outputs) {
    total_items += out.items.size();
    hit_documents += out.texts.size();
  }
  store.set_last_result_sizes({total_items, hit_documents});
  results.list.items.reserve(total_items);
  results.list.documents.reserve(hit_documents);
  results.list.texts.reserve(hit_documents);
  results.hit_counts.reserve(hit_documents);
  // Where each worker's next document with hits, and its items, are in its output.
  struct Cursor {
    std::size_t document = 0;
    std::size_t item = 0;
  };
  std::vector<Cursor> cursors(threads);
  for (std::size_t i = 0; i < count; ++i) {
    const DocumentOutcome& o = outcomes[i];
    if (o.state == DocumentOutcome::State::NotReached) continue;
    if (o.state == DocumentOutcome::State::Unreadable) {
      if (owned)
        results.unreadable.push_back(std::move((*owned)[i]));
      else
        results.unreadable.push_back(documents[i]);
      continue;
    }
    ++results.searched;
    if (o.item_count == 0) continue;
    WorkerOutput& out = outputs[o.worker];
    Cursor& cursor = cursors[o.worker];
    const auto index = static_cast<std::uint32_t>(results.list.documents.size());
    results.list.documents.push_back(owned ? std::move((*owned)[i])
                                           : std::move(out.documents[cursor.document]));
    results.list.texts.push_back(std::move(out.texts[cursor.document]));
    ++cursor.document;
    results.hit_counts.push_back(o.item_count);
    const ResultItem* item = out.items.data() + cursor.item;
    cursor.item += o.item_count;
    for (const ResultItem* end = item + o.item_count; item != end; ++item) {
      results.list.items.push_back(*item);
      results.list.items.back().document = index;
    }
  }
  return results;
}

}  // namespace

SearchResults search_documents(const std::vector<Document>& documents, const SearchRequest& request,
                               DocumentStore& store, const SearchOptions& options) {
  return search(documents, nullptr, request, store, options);
}

SearchResults search_documents(std::vector<Document>&& documents, const SearchRequest& request,
                               DocumentStore& store, const SearchOptions& options) {
  return search(documents, &documents, request, store, options);
}

}  // namespace lantaro
