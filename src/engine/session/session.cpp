#include "engine/session/session.h"

#include <algorithm>
#include <utility>

#include "engine/common/settings_file.h"
#include "engine/common/text.h"
#include "engine/export/text_export.h"
#include "engine/retrieval/matcher.h"
#include "engine/retrieval/text_scan.h"

namespace lantaro {
namespace {

// A path that stands for the whole library.
bool names_whole_library(std::string_view path) {
  return path.find_first_not_of("/\\") == std::string_view::npos;
}

}  // namespace

Session::Session(RunDirectory run) : run_(std::move(run)) { rescan(); }

Session::Session(RunDirectory run, LibraryTree library)
    : run_(std::move(run)), library_(std::move(library)) {}

Session::~Session() = default;

void Session::rescan() { library_ = scan_library(run_.corpus_path()); }

std::optional<std::vector<unsigned char>> Session::ticks_for_paths(
    const std::vector<std::string>& paths, std::string* unknown) const {
  std::vector<unsigned char> ticks(library_.size(), 0);
  if (paths.empty()) std::fill(ticks.begin(), ticks.end(), 1);
  for (const std::string& path : paths) {
    if (names_whole_library(path)) {
      std::fill(ticks.begin(), ticks.end(), 1);
      continue;
    }
    std::optional<std::size_t> index = library_.find(path);
    if (!index) {
      if (unknown) *unknown = path;
      return std::nullopt;
    }
    tick_subtree(library_, ticks, *index, true);
  }
  return ticks;
}

Outcome<std::vector<Document>> Session::ticked(const std::vector<unsigned char>& ticks) const {
  return ticked(library_, ticks);
}

Outcome<std::vector<Document>> Session::ticked(const LibraryTree& tree,
                                               const std::vector<unsigned char>& ticks) {
  if (std::find(ticks.begin(), ticks.end(), 1) == ticks.end()) return Message::NothingTicked;
  std::vector<Document> documents = ticked_documents(tree, ticks);
  if (documents.empty()) return Message::NoDocumentTicked;
  return documents;
}

Outcome<SearchPlan> Session::plan_search(const std::vector<unsigned char>& ticks,
                                         const SearchForm& form) const {
  return plan_search(library_, ticks, form);
}

Outcome<SearchPlan> Session::plan_search(const LibraryTree& tree,
                                         const std::vector<unsigned char>& ticks,
                                         const SearchForm& form) {
  Outcome<std::vector<Document>> documents = ticked(tree, ticks);
  if (!documents) return documents.refusal();
  ParsedSearchForm parsed = parse_search_form(form);
  if (!parsed.request) return parsed.refusal;
  return SearchPlan{std::move(*documents), std::move(*parsed.request)};
}

SearchResults Session::run_search(SearchPlan plan, const SearchOptions& options) {
  return search_documents(std::move(plan.documents), plan.request, store_, options);
}

const SearchResults& Session::accept_search(SearchResults results) {
  last_ = std::make_unique<SearchResults>(std::move(results));
  sentences_.reset();
  shown_replaced();
  return *last_;
}

Outcome<const SearchResults*> Session::search(const std::vector<unsigned char>& ticks,
                                              const SearchForm& form,
                                              const SearchOptions& options) {
  Outcome<SearchPlan> plan = plan_search(ticks, form);
  if (!plan) return plan.refusal();
  return &accept_search(run_search(std::move(*plan), options));
}

const ResultList& Session::found() const {
  static const ResultList nothing;
  if (sentences_) return *sentences_;
  return last_ ? last_->list : nothing;
}

void Session::shown_replaced() {
  sorted_.reset();
  order_ = ResultOrder::Document;
  ++generation_;
}

bool Session::sort_shown(ResultOrder order) {
  const ResultList& list = found();
  if (order != ResultOrder::Document && list.kind != ResultKind::Search) return false;
  if (order == order_) return true;
  sorted_.reset();
  if (order != ResultOrder::Document) {
    sorted_ = list;  // the texts and span buffers are shared; documents and items are copied
    apply_result_order(*sorted_, result_order(list, order));
  }
  order_ = order;
  return true;
}

void Session::clear_search() {
  last_.reset();
  sentences_.reset();
  shown_replaced();
}

const ResultList& Session::shown() const { return sorted_ ? *sorted_ : found(); }

Outcome<ResultList> Session::extraction_source() const {
  if (!last_ || last_->list.documents.empty()) return Message::NoResultsToExtract;
  ResultList source;
  source.documents = last_->list.documents;
  source.texts = last_->list.texts;
  return source;
}

ReadDocuments Session::read_documents(std::vector<Document> documents) {
  ReadDocuments read;
  for (Document& document : documents) {
    DocumentText text = store_.load(document.path);
    if (!text) {
      read.unreadable.push_back(std::move(document));
      continue;
    }
    read.list.documents.push_back(std::move(document));
    read.list.texts.push_back(std::move(text));
  }
  return read;
}

ExtractionResult Session::extract(const ResultList& source, ExtractionMode mode,
                                  const ExtractionOptions& options) {
  return extract_sentences(source, mode, options);
}

void Session::show_sentences(ResultList sentences) {
  sentences_ = std::move(sentences);
  shown_replaced();
}

Outcome<std::u16string> Session::export_text() const {
  if (shown().empty()) return Message::NoResultsToExtract;
  return result_text(shown());
}

Message Session::save_text(const std::filesystem::path& target) const {
  Outcome<std::u16string> text = export_text();
  if (!text) return text.refusal();
  return save_text_file(target, *text);
}

SpreadsheetExportResult Session::export_workbook(
    Spreadsheet& spreadsheet, const SpreadsheetProgressCallback& progress) const {
  std::vector<HitGridRow> grid;
  if (last_) grid = hit_grid_rows(*last_);
  return export_to_spreadsheet(spreadsheet, shown(), grid, progress);
}

Outcome<WorkbookContent> Session::workbook_content() const {
  if (shown().empty()) return Message::NoResultsToExport;
  WorkbookContent content{shown(), {}};
  if (last_) content.grid = hit_grid_rows(*last_);
  return content;
}

SpreadsheetExportResult Session::export_workbook(Spreadsheet& spreadsheet,
                                                 const WorkbookContent& content,
                                                 const SpreadsheetProgressCallback& progress) {
  return export_to_spreadsheet(spreadsheet, content.list, content.grid, progress);
}

DocumentText Session::read_document(const Document& document, std::vector<Hit>* hits) {
  DocumentText text = store_.load(document.path);
  if (hits) {
    hits->clear();
    if (text && last_) *hits = find_hits(*text, last_->request);
  }
  return text;
}

std::optional<Passage> Session::context_of(std::size_t item) const {
  const ResultList& list = shown();
  if (item >= list.size()) return std::nullopt;
  const ResultItem& it = list.items[item];
  const ContextLengths lengths = read_context_lengths(run_);
  return context_passage(*list.texts.at(it.document), Hit{it.hit_start, it.hit_length},
                         static_cast<std::size_t>(lengths.before),
                         static_cast<std::size_t>(lengths.after));
}

std::optional<Passage> Session::line_of(std::size_t item, std::size_t reach) const {
  const ResultList& list = shown();
  if (item >= list.size()) return std::nullopt;
  const ResultItem& it = list.items[item];
  const std::u16string_view text = *list.texts.at(it.document);
  // A text read again after the search may be gone (empty): never index past it.
  const std::size_t hit_start = std::min(it.hit_start, text.size());
  const std::size_t hit_end = std::min(it.hit_start + it.hit_length, text.size());

  std::size_t begin = hit_start;
  const std::size_t floor = it.hit_start > reach ? it.hit_start - reach : 0;
  while (begin > floor && !scan::is_line_break(text[begin - 1])) --begin;
  if (begin < text.size() && is_low_surrogate(text[begin]) && begin < it.hit_start) ++begin;
  std::size_t end = hit_end;
  const std::size_t ceiling = std::min(text.size(), hit_end + reach);
  while (end < ceiling && !scan::is_line_break(text[end])) ++end;
  if (end < text.size() && end > hit_end && is_low_surrogate(text[end])) --end;
  return Passage{begin, end - begin};
}

ImportOutcome Session::import_document(const ImportRequest& request,
                                       const ConfirmReplace& confirm) {
  ImportOutcome outcome = lantaro::import_document(run_.corpus_path(), request, confirm);
  if (outcome.succeeded()) rescan();
  return outcome;
}

Message Session::create_directory(std::string_view name, const std::optional<std::string>& parent) {
  Message message = create_library_directory(run_.corpus_path(), name, parent);
  if (message == Message::DirectoryCreated) rescan();
  return message;
}

std::string unreadable_documents_text(const std::vector<Document>& documents) {
  std::vector<std::string> names;
  names.reserve(documents.size());
  for (const Document& d : documents) names.push_back(utf16_to_utf8(d.display_name));
  return unreadable_documents_message(names);
}

}  // namespace lantaro
