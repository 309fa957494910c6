#pragma once
// The search over the ticked documents: in parallel per document, merged in tree order, so the
// output is the same as a sequential run.

#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/retrieval/document_store.h"
#include "engine/retrieval/matcher.h"
#include "engine/retrieval/result_list.h"
#include "engine/retrieval/search_request.h"

namespace lantaro {

struct SearchResults {
  SearchRequest request;
  // Items in document order then text order (none if they went to a sink); documents holds only
  // the documents with at least one hit (the hit grid's rows, in search order), texts their
  // decoded texts.
  ResultList list;
  std::vector<std::size_t> hit_counts;  // parallel to list.documents
  std::size_t searched = 0;             // documents actually read
  std::vector<Document> unreadable;     // skipped, not counted as searched

  std::size_t hit_documents() const { return hit_counts.size(); }
  std::size_t total_hits() const;
  // "符合条件的语句数量为n，共搜索了d部文献，h部文献被命中"
  std::u16string status_line() const;
  // "命中文献总数为h，总计命中次数为t"
  std::u16string hit_line() const;
};

// Takes a search's items as they are found, in place of the result list, whose items then stay
// empty (its documents, hit counts and summary lines are as ever): a command line run in document
// order prints a million items without ever holding them.
class ItemSink {
 public:
  virtual ~ItemSink() = default;
  // On any worker thread, so it formats in parallel: appends to `out` what one document's items
  // print as; spans[i] holds the characters of items[i]'s window.
  virtual void format(const Document& document, std::span<const ResultItem> items,
                      std::span<const std::u16string_view> spans, std::string& out) const = 0;
  // On one thread at a time, in the documents' order: what format() produced for a run of them.
  virtual void write(std::string_view formatted) = 0;
};

struct SearchOptions {
  unsigned threads = 0;  // 0: one per core
  // Called from worker threads with (documents done, documents in all).
  std::function<void(std::size_t, std::size_t)> progress;
  const std::atomic<bool>* cancel = nullptr;  // stop early when set (results then partial)
  // Bytes (of their files or decoded texts) of documents with hits kept with the results, so that
  // their texts can still be shown after their files change or vanish; the texts of documents
  // beyond are read again when asked for, and only if their files have not changed since (else
  // they read as empty). A command line run that shows no document needs none, and does not check.
  std::size_t kept_document_bytes = std::size_t{32} << 20;
  ItemSink* sink = nullptr;  // null: the items go into the result list
};

SearchResults search_documents(const std::vector<Document>& documents, const SearchRequest& request,
                               DocumentStore& store, const SearchOptions& options = {});
// The same for a list the caller hands over: documents with hits (and unreadable ones) move into
// the results instead of being copied, since a path copy costs several allocations. The others
// stay in the list for the caller to release, which may be done after the results are shown.
SearchResults search_documents(std::vector<Document>&& documents, const SearchRequest& request,
                               DocumentStore& store, const SearchOptions& options = {});

// The result item window of a hit: up to `left` characters before and `right` after, never
// crossing a line break and never cutting a surrogate pair.
ResultItem make_result_item(std::u16string_view text, std::uint32_t document, Hit hit,
                            std::size_t left, std::size_t right);

}  // namespace lantaro
