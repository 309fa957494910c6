#include "retrieval/searcher.h"

#include <algorithm>
#include <numeric>
#include <thread>

#include "app/text.h"
#include "retrieval/text_scan.h"

namespace lantaro {
namespace {

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

// What one document contributes; filled by whichever worker takes the document.
struct DocumentOutcome {
  bool attempted = false;  // false only for documents a cancelled run never reached
  bool readable = false;
  DocumentText text;
  std::vector<ResultItem> items;  // document index filled in when merging
};

DocumentOutcome search_one(const Document& document, const SearchRequest& request,
                           DocumentStore& store) {
  DocumentOutcome outcome;
  outcome.attempted = true;
  outcome.text = store.load(document.path);
  if (!outcome.text) return outcome;
  outcome.readable = true;
  const std::u16string_view text = *outcome.text;
  const std::vector<Hit> hits = find_hits(text, request);
  outcome.items.reserve(hits.size());
  if (!hits.empty()) {
    LineCursor lines(text);
    for (const Hit& hit : hits) {
      lines.advance_to(hit.start);  // a hit never holds a line break, so its line ends after it
      outcome.items.push_back(window_item(text, 0, hit.start, hit.start + hit.length,
                                          lines.line_start(), lines.line_end(), request.left,
                                          request.right));
    }
  }
  if (hits.empty()) outcome.text.reset();  // nothing will point into it
  return outcome;
}

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
  // Only the stretch the window could reach is looked at.
  std::size_t line_start = hit_start - std::min(left, hit_start);
  for (std::size_t i = hit_start; i > line_start; --i) {
    if (scan::is_line_break(text[i - 1])) {
      line_start = i;
      break;
    }
  }
  const std::size_t reach = hit_end + std::min(right, size - hit_end);
  const std::size_t line_end = scan::find_line_break(text.substr(0, reach), hit_end);
  return window_item(text, document, hit_start, hit_end, line_start, line_end, left, right);
}

SearchResults search_documents(const std::vector<Document>& documents,
                               const SearchRequest& request, DocumentStore& store,
                               const SearchOptions& options) {
  const std::size_t count = documents.size();
  std::vector<DocumentOutcome> outcomes(count);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};

  auto work = [&] {
    for (;;) {
      if (options.cancel && options.cancel->load(std::memory_order_relaxed)) return;
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= count) return;
      outcomes[i] = search_one(documents[i], request, store);
      const std::size_t finished = done.fetch_add(1, std::memory_order_acq_rel) + 1;
      if (options.progress) options.progress(finished, count);
    }
  };

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads = static_cast<unsigned>(std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1)));
  {
    std::vector<std::jthread> pool;
    pool.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();  // the calling thread is one of the workers
  }

  // Merge in the order the documents were given, so the output never depends on scheduling.
  SearchResults results;
  results.request = request;
  results.list.kind = ResultKind::Search;
  std::size_t total_items = 0;
  for (const auto& o : outcomes) total_items += o.items.size();
  results.list.items.reserve(total_items);
  for (std::size_t i = 0; i < count; ++i) {
    DocumentOutcome& o = outcomes[i];
    if (!o.attempted) continue;
    if (!o.readable) {
      results.unreadable.push_back(documents[i]);
      continue;
    }
    ++results.searched;
    if (o.items.empty()) continue;
    const auto index = static_cast<std::uint32_t>(results.list.documents.size());
    results.list.documents.push_back(documents[i]);
    results.list.texts.push_back(std::move(o.text));
    results.hit_counts.push_back(o.items.size());
    for (ResultItem& item : o.items) {
      item.document = index;
      results.list.items.push_back(item);
    }
    std::vector<ResultItem>().swap(o.items);
  }
  return results;
}

}  // namespace lantaro
