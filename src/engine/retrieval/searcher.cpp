#include "engine/retrieval/searcher.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <numeric>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/retrieval/byte_search.h"
#include "engine/retrieval/text_scan.h"
#include "engine/retrieval/worker_pool.h"
#include "platform/platform.h"

namespace lantaro {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// A keyword that can lie within a line can be looked for as bytes; one holding a line break
// never matches, and is left to the decoded text.
KeywordBytes usable_keyword(std::u16string_view keyword) {
  if (scan::find_line_break(keyword, 0) != keyword.size()) return {};
  return keyword_bytes(keyword);
}

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
  return ResultItem(document, start, end - start, hit_start, hit_end - hit_start);
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
// request, since each worker takes its batches in increasing order): the items, the characters of
// their spans, and a copy of each document with hits unless the search owns the list.
struct WorkerOutput {
  // Items in blocks of whole documents, so that the merge can give back each block once it has
  // passed it, instead of holding every item twice.
  std::vector<std::vector<ResultItem>> blocks;
  std::vector<ResultItem> items;  // the block being filled
  std::size_t item_count = 0;     // in all blocks
  std::vector<Document> documents;
  std::vector<DocumentText> kept;           // for each document with hits: its text, or nothing
  std::vector<platform::FileStamp> stamps;  // and the stamp of the file they were read from
  std::vector<std::u16string> spans;        // filled one after the other, never moved once filled
  std::vector<Hit> hits;                    // reused for every document
  std::string formatted;                    // for a sink: what the current run of documents prints
  std::vector<std::u16string_view> views;   // for a sink: the spans of one document's items
  std::u16string line;                      // the decoded line (or document) being searched
  std::string bytes;                        // the document being searched, unless the store has it
  bool stamped = true;                      // whether the search needs its files' stamps
  platform::FolderCursor files;             // documents come folder by folder, in tree order
  DocumentStore::Run run;                   // the same, for a store that keeps the documents' bytes
};

// Keeps the characters of an item's span with the worker's other spans. A buffer is never
// reallocated, so a million items cost no copies, and the slack is a part of the last buffer.
// A span starts within the first kSpanBufferSize characters of its buffer (a longer span has one of
// its own), so that its place fits the item's 32 bits.
void keep_span(WorkerOutput& out, std::u16string_view span, ResultItem& item) {
  constexpr std::size_t kFirst = 4096;
  if (out.spans.empty() || out.spans.back().size() >= kSpanBufferSize ||
      out.spans.back().capacity() - out.spans.back().size() < span.size()) {
    if (out.spans.size() == kMaxSpanBuffers) return;  // the span stays in the document's text
    const std::size_t last = out.spans.empty() ? kFirst / 2 : out.spans.back().capacity();
    out.spans.emplace_back().reserve(std::max(span.size(), std::min(2 * last, kSpanBufferSize)));
  }
  std::u16string& buffer = out.spans.back();
  item.chars = span_chars(out.spans.size() - 1, buffer.size());
  buffer.append(span);
}

// How the search reads a document's bytes: only the lines holding the anchor keyword's bytes can
// hold a hit (every hit holds the anchor, and no other bytes decode to it), and a document
// without the other keyword's bytes holds none. No anchor: documents are decoded whole.
struct BytePlan {
  const KeywordBytes* anchor = nullptr;
  const KeywordBytes* other = nullptr;
};

void decode_part(DocumentEncoding encoding, std::string_view bytes, std::u16string& out) {
  if (encoding == DocumentEncoding::Gbk)
    decode_gbk_into(bytes, out);
  else
    out = utf8_to_utf16(bytes);
}

std::size_t decoded_length(DocumentEncoding encoding, std::string_view bytes) {
  return encoding == DocumentEncoding::Gbk ? gbk_decoded_length(bytes) : utf8_decoded_length(bytes);
}

// Hits never cross a line break, and neither code page has a CR or LF byte inside a character, so
// each line holding the anchor decodes and matches on its own; the decoded length of the lines
// between tells where in the document's text it starts.
void search_lines(const DocumentBody& body, const SearchRequest& request, const BytePlan& plan,
                  WorkerOutput& out) {
  const std::string_view text = body.text;
  const bool gbk = body.encoding == DocumentEncoding::Gbk;
  const std::string& anchor = gbk ? plan.anchor->gbk : plan.anchor->utf8;
  if (plan.other && find_bytes(text, gbk ? plan.other->gbk : plan.other->utf8) == npos) return;
  std::size_t counted = 0, units = 0;  // text[0, counted) decodes to `units` code units
  for (std::size_t pos = find_bytes(text, anchor); pos != npos;) {
    const std::size_t line_start = line_start_byte(text, counted, pos);
    const std::size_t line_end = line_break_byte(text, pos + anchor.size());
    units += decoded_length(body.encoding, text.substr(counted, line_start - counted));
    decode_part(body.encoding, text.substr(line_start, line_end - line_start), out.line);
    const std::u16string_view line = out.line;
    find_hits(line, request, out.hits);
    for (const Hit& hit : out.hits) {
      ResultItem item = window_item(line, 0, hit.start, hit.start + hit.length, 0, line.size(),
                                    request.left, request.right);
      keep_span(out, line.substr(item.start, item.length), item);
      item.start += units;
      item.hit_start += units;
      out.items.push_back(item);
    }
    units += line.size();
    counted = line_end;
    pos = find_bytes(text, anchor, line_end);
  }
}

void search_text(std::u16string_view text, const SearchRequest& request, WorkerOutput& out) {
  find_hits(text, request, out.hits);
  const std::size_t first = out.items.size();
  append_items(text, out.hits, request, out.items);
  for (std::size_t i = first; i < out.items.size(); ++i)
    keep_span(out, text.substr(out.items[i].start, out.items[i].length), out.items[i]);
}

// Whether the document can hold a hit as far as its bytes tell.
bool may_hit(const DocumentBody& body, const BytePlan& plan) {
  if (!plan.anchor) return true;
  const bool gbk = body.encoding == DocumentEncoding::Gbk;
  if (find_bytes(body.text, gbk ? plan.anchor->gbk : plan.anchor->utf8) == npos) return false;
  return !plan.other || find_bytes(body.text, gbk ? plan.other->gbk : plan.other->utf8) != npos;
}

// What one document contributes; filled by whichever worker takes the document.
struct DocumentOutcome {
  enum class State : std::uint8_t { NotReached, Unreadable, Searched };
  std::size_t item_count = 0;
  std::uint32_t worker = 0;
  State state = State::NotReached;  // not reached only for documents a cancelled run skipped
};

// `owned`: the document belongs to the search, and the merge moves it into the results if it has
// hits. Else a document with hits is copied into the worker's output.
// `store`: null, or the store whose kept texts and bytes spare the search reading the file. There a
// document whose bytes hold the keywords is decoded whole and kept decoded (a Chinese text takes
// about as much memory as its bytes): the searches to come, often for the same or related words,
// then neither decode its lines nor count their lengths again.
// `sink`: null, or where the document's items go as soon as they are found.
void search_one(const Document& document, bool owned, const SearchRequest& request,
                const BytePlan& plan, DocumentStore* store, ItemSink* sink,
                std::atomic<std::size_t>& keep, std::uint32_t worker, WorkerOutput& out,
                DocumentOutcome& outcome) {
  SearchSource source;
  bool read = false;
  std::string_view read_bytes;  // the document's bytes, when read here rather than by the store
  if (store) {
    source = store->load_for_search(document.path, out.run);
    read = static_cast<bool>(source);
  } else if (!out.stamped) {
    if (const auto size = out.files.read_file_into(document.path, out.bytes)) {
      read_bytes = std::string_view(out.bytes).substr(0, *size);
      read = true;
    }
  } else if (const auto file = out.files.read_file(document.path, out.bytes)) {
    source.stamp = file->stamp;
    read_bytes = out.bytes;
    read = true;
  }
  if (!read) {
    outcome.state = DocumentOutcome::State::Unreadable;
    return;
  }
  outcome.state = DocumentOutcome::State::Searched;
  const std::size_t before = out.items.size();
  const std::size_t spans_before = out.spans.size();
  const std::size_t chars_before = spans_before ? out.spans.back().size() : 0;
  DocumentTextPtr text = source.text;
  if (text) {
    search_text(*text, request, out);
  } else {
    const std::string_view bytes = source.bytes ? std::string_view(*source.bytes) : read_bytes;
    const DocumentBody body = document_body(bytes);
    if (source.bytes) {
      if (may_hit(body, plan)) {
        auto decoded = std::make_shared<std::u16string>();
        decode_part(body.encoding, body.text, *decoded);
        text = std::move(decoded);
        search_text(*text, request, out);
        store->keep_decoded(document.path, source.bytes, text);
      }
    } else if (plan.anchor) {
      search_lines(body, request, plan, out);
    } else {
      decode_part(body.encoding, body.text, out.line);
      search_text(out.line, request, out);
    }
  }
  // A buffer grown by a very large document is given back rather than kept for the search.
  constexpr std::size_t kLargest = std::size_t{4} << 20;
  if (out.line.capacity() > kLargest / 2) std::u16string().swap(out.line);
  if (sink && out.items.size() != before) {
    const std::span<const ResultItem> found(out.items.data() + before, out.items.size() - before);
    out.views.clear();
    for (const ResultItem& item : found) {
      // Every item has its span in a buffer: nothing is kept for a sink, and the buffers, emptied
      // after each document, never run out.
      const std::u16string& buffer = out.spans.at(item.chars >> ResultItem::kSpanOffsetBits);
      out.views.push_back(
          std::u16string_view(buffer).substr(item.chars & (kSpanBufferSize - 1), item.length));
    }
    sink->format(document, found, out.views, out.formatted);
    outcome.item_count = found.size();
    out.items.resize(before);
    // Nothing is kept between documents but the largest span buffer, for the next one.
    if (out.spans.size() > 1) {
      out.spans.front().swap(out.spans.back());
      out.spans.resize(1);
    }
    if (!out.spans.empty()) out.spans.front().clear();
  }
  if (outcome.item_count != 0 || out.items.size() != before) {
    outcome.worker = worker;
    if (!sink) outcome.item_count = out.items.size() - before;
    out.item_count += outcome.item_count;
    if (!owned) out.documents.push_back(document);
    // Kept while the search's allowance lasts (an empty file needs nothing kept anyway).
    const std::size_t size = text ? text->size() * sizeof(char16_t) : read_bytes.size();
    std::size_t left = sink ? 0 : keep.load(std::memory_order_relaxed);
    while (left >= size &&
           !keep.compare_exchange_weak(left, left - size, std::memory_order_relaxed)) {}
    if (left < size) {
      out.kept.emplace_back();
    } else {
      if (text)
        out.kept.emplace_back(std::move(text));
      else
        out.kept.push_back(DocumentText::of_bytes(std::make_shared<const std::string>(read_bytes)));
      // The results keep the document's text, so its items read their spans there: copies
      // beside it would only hold the same characters twice.
      for (std::size_t i = before; i < out.items.size(); ++i)
        out.items[i].chars = ResultItem::kInText;
      out.spans.resize(spans_before);
      if (spans_before) out.spans.back().resize(chars_before);
    }
    out.stamps.push_back(source.stamp);
  }
  if (out.bytes.capacity() > kLargest) std::string().swap(out.bytes);
  if (out.items.size() == before) return;
  constexpr std::size_t kBlockItems = std::size_t{1} << 16;
  if (out.items.size() >= kBlockItems) {
    out.blocks.push_back(std::move(out.items));
    out.items = {};
    out.items.reserve(kBlockItems);
  }
}

// Hands what the workers format for their runs of documents to a sink, in the documents' order and
// as soon as each run and those before it are done. No thread waits to write: the worker that
// finishes the earliest missing run writes it and every run after it already done. A worker more
// than kAheadBytes ahead of the writing waits, so the output's size never becomes memory.
class OrderedWriter {
 public:
  OrderedWriter(ItemSink& sink, std::size_t runs) : sink_(sink), formatted_(runs), done_(runs) {}

  // A buffer for a run's output, with the room of one already written.
  std::string buffer() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return {};
    std::string buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
  }

  // Before a worker takes another run; `stop()` (cancelled, failed) ends the wait.
  template <typename Stop>
  void wait_for_room(Stop stop) {
    std::unique_lock lock(mutex_);
    while (waiting_bytes_ > kAheadBytes && !stop())
      room_.wait_for(lock, std::chrono::milliseconds(10));
  }

  void finished(std::size_t run, std::string formatted) {
    std::unique_lock lock(mutex_);
    waiting_bytes_ += formatted.size();
    formatted_[run] = std::move(formatted);
    done_[run] = 1;
    if (writing_) return;  // the writing worker looks for this run before it stops
    writing_ = true;
    struct Release {  // also when the sink throws, with the lock given up for its write
      std::unique_lock<std::mutex>& lock;
      bool& writing;
      ~Release() {
        if (!lock.owns_lock()) lock.lock();
        writing = false;
      }
    } release{lock, writing_};
    while (next_ < done_.size() && done_[next_]) {
      std::string chunk = std::move(formatted_[next_++]);
      lock.unlock();
      sink_.write(chunk);
      lock.lock();
      waiting_bytes_ -= chunk.size();
      chunk.clear();
      if (free_.size() < kFreeBuffers) free_.push_back(std::move(chunk));
      room_.notify_all();
    }
  }

 private:
  static constexpr std::size_t kAheadBytes = std::size_t{32} << 20;
  static constexpr std::size_t kFreeBuffers = 8;
  ItemSink& sink_;
  std::mutex mutex_;
  std::condition_variable room_;
  std::vector<std::string> formatted_;  // for each run, until written
  std::vector<unsigned char> done_;
  std::vector<std::string> free_;
  std::size_t next_ = 0;  // the first run not written
  std::size_t waiting_bytes_ = 0;
  bool writing_ = false;
};

// Beyond these a guess of the result sizes is not worth the memory it would hold back.
constexpr std::size_t kMaxReservedItems = std::size_t{1} << 20;
constexpr std::size_t kMaxReservedDocuments = std::size_t{1} << 18;

std::u16string number(std::size_t value) { return utf8_to_utf16(std::to_string(value)); }

}  // namespace

std::size_t SearchResults::total_hits() const {
  return std::accumulate(hit_counts.begin(), hit_counts.end(), std::size_t{0});
}

std::u16string SearchResults::status_line() const {
  // Each hit is one item, also when the items went to a sink rather than into the list.
  return u"符合条件的语句数量为" + number(total_hits()) + u"，共搜索了" + number(searched) +
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
  // A file's stamp tells later whether a kept text may be read again; keeping none, a search needs
  // none, and spares a system call per file.
  for (WorkerOutput& out : outputs) out.stamped = options.kept_document_bytes > 0;
  // A store that searches again (a window) keeps the documents' bytes for the searches to come,
  // which then read no file that has not changed; one that served a single search (a command
  // line run) keeps nothing.
  const bool repeated = store.begin_search();
  // A window searches in runs over the same documents with similar results: each worker starts
  // with room for its share of what the store's last search produced (plus a margin), so its
  // buffers grow in place rather than by copies into fresh pages.
  {
    const DocumentStore::ResultSizes last = store.last_result_sizes();
    if (last.items <= kMaxReservedItems && last.hit_documents <= kMaxReservedDocuments) {
      const auto share = [&](std::size_t total) { return (total + total / 4) / threads + 16; };
      for (WorkerOutput& out : outputs) {
        out.items.reserve(std::min<std::size_t>(share(last.items), std::size_t{1} << 16));
        if (!owned) out.documents.reserve(share(last.hit_documents));
      }
    }
  }
  // Keywords are looked for in the documents' bytes, and only the lines that hold them decoded.
  const KeywordBytes first_bytes = usable_keyword(request.first_keyword);
  const KeywordBytes second_bytes =
      request.two_keywords() ? usable_keyword(request.second_keyword) : KeywordBytes{};
  BytePlan plan;
  if (first_bytes.usable()) {
    plan.anchor = &first_bytes;
    if (second_bytes.usable()) plan.other = &second_bytes;
  } else if (second_bytes.usable()) {
    plan.anchor = &second_bytes;
  }
  std::atomic<bool> failed{false};
  std::atomic<std::size_t> keep{options.kept_document_bytes};
  std::optional<OrderedWriter> writer;
  if (options.sink) writer.emplace(*options.sink, (count + batch - 1) / batch);

  auto work = [&](unsigned worker) {
    WorkerOutput& out = outputs[worker];
    const auto stopped = [&] {
      return failed.load(std::memory_order_relaxed) ||
             (options.cancel && options.cancel->load(std::memory_order_relaxed));
    };
    try {
      for (;;) {
        if (writer) writer->wait_for_room(stopped);
        const std::size_t first = next.fetch_add(batch, std::memory_order_relaxed);
        if (first >= count) return;
        const std::size_t last = std::min(count, first + batch);
        if (writer) out.formatted = writer->buffer();
        for (std::size_t i = first; i < last; ++i) {
          if (options.cancel && options.cancel->load(std::memory_order_relaxed)) return;
          if (failed.load(std::memory_order_relaxed)) return;
          // A warm search is mostly waiting on memory: start the lookup of a later document now.
          if (repeated && i + kAhead < count) store.prefetch(documents[i + kAhead].path);
          search_one(documents[i], owned != nullptr, request, plan, repeated ? &store : nullptr,
                     options.sink, keep, worker, out, outcomes[i]);
          if (options.progress)
            options.progress(done.fetch_add(1, std::memory_order_acq_rel) + 1, count);
        }
        if (writer) writer->finished(first / batch, std::move(out.formatted));
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
  for (WorkerOutput& out : outputs) {
    total_items += out.item_count;
    out.blocks.push_back(std::move(out.items));
  }
  for (const DocumentOutcome& o : outcomes) hit_documents += o.item_count != 0;
  store.set_last_result_sizes({total_items, hit_documents});
  if (!options.sink) results.list.items.reserve(total_items);
  results.list.documents.reserve(hit_documents);
  results.list.texts.reserve(hit_documents);
  results.hit_counts.reserve(hit_documents);
  // Where each worker's next document with hits, and its items, are in its output.
  struct Cursor {
    std::size_t hit_document = 0;
    std::size_t block = 0;
    std::size_t item = 0;  // in the block
  };
  std::vector<Cursor> cursors(threads);
  // The workers' span buffers go over as they are; an item's buffer number moves by the buffers
  // of the workers before its own.
  std::vector<std::size_t> first_buffer(threads);
  auto spans = std::make_shared<std::vector<std::u16string>>();
  for (unsigned w = 0; w < threads; ++w) {
    first_buffer[w] = spans->size();
    for (std::u16string& buffer : outputs[w].spans) spans->push_back(std::move(buffer));
    outputs[w].spans.clear();
  }
  results.list.spans = std::move(spans);
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
    if (owned)
      results.list.documents.push_back(std::move((*owned)[i]));
    else
      results.list.documents.push_back(std::move(out.documents[cursor.hit_document]));
    const platform::FileStamp stamp = out.stamps[cursor.hit_document];
    DocumentText& kept = out.kept[cursor.hit_document++];
    // A text read again later must still be the one searched (the stamp is that of the read the
    // search made); a window checks, a command line run (which reads texts again only at once,
    // for an extraction) need not.
    std::optional<platform::FileStamp> unchanged;
    if (options.kept_document_bytes > 0) unchanged = stamp;
    results.list.texts.push_back(
        kept ? std::move(kept)
             : DocumentText::of_file(results.list.documents.back().path, unchanged));
    results.hit_counts.push_back(o.item_count);
    if (options.sink) continue;
    while (cursor.item == out.blocks[cursor.block].size()) {
      std::vector<ResultItem>().swap(out.blocks[cursor.block]);
      ++cursor.block;
      cursor.item = 0;
    }
    const ResultItem* item = out.blocks[cursor.block].data() + cursor.item;
    cursor.item += o.item_count;
    const std::size_t shift = first_buffer[o.worker];
    for (const ResultItem* end = item + o.item_count; item != end; ++item) {
      ResultItem& merged = results.list.items.emplace_back(*item);
      merged.document = index;
      if (merged.chars == ResultItem::kInText) continue;
      const std::size_t buffer = shift + (merged.chars >> ResultItem::kSpanOffsetBits);
      merged.chars = buffer < kMaxSpanBuffers
                         ? span_chars(buffer, merged.chars & (kSpanBufferSize - 1))
                         : ResultItem::kInText;  // beyond what 32 bits can place
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
