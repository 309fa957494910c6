#pragma once
// One working session over a library: what the user has in front of them (the library as last
// read, the last search, the list shown now) and every operation that works on it. Both front
// ends go through it, so each rule (the order of a search's checks, what extraction and export
// take as input, how unreadable documents are reported) is written once, here. Operations return
// an outcome: a value, or the message that refuses them.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/messages.h"
#include "engine/common/run_directory.h"
#include "engine/corpus/library_edit.h"
#include "engine/corpus/library_tree.h"
#include "engine/export/spreadsheet_export.h"
#include "engine/extraction/extractor.h"
#include "engine/retrieval/context_passage.h"
#include "engine/retrieval/document_store.h"
#include "engine/retrieval/result_list.h"
#include "engine/retrieval/result_order.h"
#include "engine/retrieval/search_request.h"
#include "engine/retrieval/searcher.h"

namespace lantaro {

class Spreadsheet;

// A value, or the message that says why there is none.
template <class T>
class Outcome {
 public:
  Outcome(T value) : value_(std::move(value)) {}   // NOLINT: an outcome is its value when ok
  Outcome(Message refusal) : refusal_(refusal) {}  // NOLINT: or the refusal
  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Meaningful only when !ok().
  Message refusal() const { return refusal_; }

 private:
  std::optional<T> value_;
  Message refusal_ = Message::ImportFailed;
};

// A checked search, ready to run (on any thread).
struct SearchPlan {
  std::vector<Document> documents;  // tree order
  SearchRequest request;
};

// What a workbook export writes: the list shown and the last search's hit grid, copied (the texts
// are shared, not copied) so that it can be written on another thread while the session goes on.
struct WorkbookContent {
  ResultList list;
  std::vector<HitGridRow> grid;
};

// Documents read for work on whole texts; those that could not be read are listed apart.
struct ReadDocuments {
  ResultList list;  // documents and texts, no items
  std::vector<Document> unreadable;
};

class Session {
 public:
  explicit Session(RunDirectory run);
  // With the library given rather than read. The window keeps the tree it shows in its own model
  // and passes it to the static checks below, so it starts its session with an empty one.
  Session(RunDirectory run, LibraryTree library);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const RunDirectory& run_directory() const { return run_; }

  // The library as last read (read at construction and by rescan()).
  const LibraryTree& library() const { return library_; }
  void rescan();
  // Ticks (one per library item) for "/"-separated paths, as a user ticks them in the tree: a
  // directory ticks everything below it; no path at all, "" or "/" tick the whole library.
  // Nothing when a path names nothing; `unknown` is then that path.
  std::optional<std::vector<unsigned char>> ticks_for_paths(const std::vector<std::string>& paths,
                                                            std::string* unknown = nullptr) const;

  // The documents ticked, in tree order, after the checks every search starts with: something
  // ticked ("搜索前请先选择语料文献！"), then a document among the ticks
  // ("请在文献列表中选择要搜索的语料文件！").
  Outcome<std::vector<Document>> ticked(const std::vector<unsigned char>& ticks) const;
  static Outcome<std::vector<Document>> ticked(const LibraryTree& tree,
                                               const std::vector<unsigned char>& ticks);
  // The search's checks in their order: ticked() above, then the keyword and the numbers of the
  // form.
  Outcome<SearchPlan> plan_search(const std::vector<unsigned char>& ticks,
                                  const SearchForm& form) const;
  static Outcome<SearchPlan> plan_search(const LibraryTree& tree,
                                         const std::vector<unsigned char>& ticks,
                                         const SearchForm& form);
  // Runs a plan. Safe on a worker thread while the session is otherwise left alone; the results
  // become the session's only through accept_search(), so a cancelled run leaves no trace.
  SearchResults run_search(SearchPlan plan, const SearchOptions& options = {});
  // The results become the last search, and the list shown is theirs.
  const SearchResults& accept_search(SearchResults results);
  // All three at once, as the command line searches.
  Outcome<const SearchResults*> search(const std::vector<unsigned char>& ticks,
                                       const SearchForm& form, const SearchOptions& options = {});
  // Forgets the last search (a new one is about to start).
  void clear_search();

  // Shows the list in `order` (the orders of result_order.h, computed from the order the items
  // were found in, which last_search() keeps); exports and context passages follow it. Refused
  // (false) for a list without hits, such as extracted sentences, which has only document order.
  bool sort_shown(ResultOrder order);
  ResultOrder shown_order() const { return order_; }

  // Nullptr before the first search.
  const SearchResults* last_search() const { return last_.get(); }
  // The last search's items, or the sentences extracted since.
  const ResultList& shown() const;
  // Changes whenever the list shown is replaced (not when it is sorted): work started on one list
  // can tell whether it is still the one shown when it ends.
  std::uint64_t shown_generation() const { return generation_; }

  // What extraction works on: the documents the last search hit, with their texts. Refused with
  // "当前没有搜索结果可供提取！" when there was no search or it hit nothing.
  Outcome<ResultList> extraction_source() const;
  // Reads the documents themselves (extraction without a search, on the command line).
  ReadDocuments read_documents(std::vector<Document> documents);
  // Extracts from `source`; safe on a worker thread like run_search.
  static ExtractionResult extract(const ResultList& source, ExtractionMode mode,
                                  const ExtractionOptions& options = {});
  // The extracted sentences (or any other list) become the list shown; the last search stays for
  // the hit grid.
  void show_sentences(ResultList sentences);

  // The TXT export of the list shown: its text, or "当前没有搜索结果可供提取！" when it is empty.
  Outcome<std::u16string> export_text() const;
  // Writes that text to `target`: "保存成功！" or "保存失败！" (and the refusal above).
  Message save_text(const std::filesystem::path& target) const;
  // The workbook export of the list shown and the last search's hit grid.
  SpreadsheetExportResult export_workbook(Spreadsheet& spreadsheet,
                                          const SpreadsheetProgressCallback& progress = {}) const;
  // The same in two halves, for a front end that writes on another thread: the content
  // ("当前没有搜索结果供导出！" when the list shown is empty), then the writing, safe on any
  // thread.
  Outcome<WorkbookContent> workbook_content() const;
  static SpreadsheetExportResult export_workbook(Spreadsheet& spreadsheet,
                                                 const WorkbookContent& content,
                                                 const SpreadsheetProgressCallback& progress = {});

  // A document's decoded text for the full-text view, or nothing when it cannot be read; `hits`
  // gets the last search's hits in it.
  DocumentText read_document(const Document& document, std::vector<Hit>* hits = nullptr);
  // The context passage of an item of the list shown, with the lengths the settings file gives
  // now (read at every call, so an edited file takes effect without a restart).
  std::optional<Passage> context_of(std::size_t item) const;
  // The line of the document an item of the list shown stands in, but no more than `reach`
  // characters either side of its hit (a document without line breaks is one line), never
  // cutting a surrogate pair.
  std::optional<Passage> line_of(std::size_t item, std::size_t reach) const;

  // The library grows; on success it is read again.
  ImportOutcome import_document(const ImportRequest& request, const ConfirmReplace& confirm);
  Message create_directory(std::string_view name, const std::optional<std::string>& parent);

 private:
  RunDirectory run_;
  LibraryTree library_;
  DocumentStore store_;
  std::unique_ptr<SearchResults> last_;
  std::optional<ResultList> sentences_;  // shown instead of the last search's items
  // The list shown in another order than found; the last search keeps the order it found its
  // items in, so every order is computed from that one.
  std::optional<ResultList> sorted_;
  ResultOrder order_ = ResultOrder::Document;
  std::uint64_t generation_ = 0;

  const ResultList& found() const;
  void shown_replaced();
};

// "以下文献无法读取：…" for the documents a search or a read could not open.
std::string unreadable_documents_text(const std::vector<Document>& documents);

}  // namespace lantaro
