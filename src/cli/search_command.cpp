#include "cli/search_command.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "engine/common/messages.h"
#include "engine/common/text.h"
#include "engine/export/spreadsheet_export.h"
#include "engine/retrieval/search_request.h"

namespace lantaro {
namespace {

// JSON's quoted form of UTF-8 text, written at `out`, which has room for 6 * utf8.size() bytes
// (without the quotes); returns the end.
char* write_json_escaped(std::string_view utf8, char* out) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && c != '"' && c != '\\') {
      *out++ = c;
      continue;
    }
    *out++ = '\\';
    switch (c) {
      case '"':
      case '\\': *out++ = c; break;
      case '\n': *out++ = 'n'; break;
      case '\r': *out++ = 'r'; break;
      case '\t': *out++ = 't'; break;
      default:
        for (char e : {'u', '0', '0', kHex[u >> 4], kHex[u & 0xF]}) *out++ = e;
    }
  }
  return out;
}

// The text in `out` grows by `bound` bytes for `write` to fill from its start; `write` returns the
// end of what it wrote, and the rest is cut off again.
template <typename Write>
void append_written(std::string& out, std::size_t bound, Write write) {
  const std::size_t at = out.size();
  out.resize(at + bound);
  out.resize(static_cast<std::size_t>(write(out.data() + at) - out.data()));
}

void append_utf8(std::string& out, std::u16string_view text) {
  append_written(out, 3 * text.size(), [&](char* at) { return write_utf8(text, at); });
}

void append_json_escaped(std::string& out, std::string_view utf8) {
  append_written(out, 6 * utf8.size(), [&](char* at) { return write_json_escaped(utf8, at); });
}

void append_json_escaped(std::string& out, std::u16string_view text) {
  thread_local std::string utf8;  // reused for every item; formatting runs on several threads
  utf8.clear();
  append_utf8(utf8, text);
  append_json_escaped(out, std::string_view(utf8));
}

void append_number(std::string& out, std::uint64_t n) {
  append_written(out, 20, [&](char* at) { return std::to_chars(at, at + 20, n).ptr; });
}

// One item of the text output: its line as the list shows it.
void append_text_item(std::string& out, std::u16string_view span, std::string_view citation) {
  append_utf8(out, span);
  out += citation;
  out += '\n';
}

// One item of the --json output's "items" array, after a comma (which the first item goes without).
void append_json_item(std::string& out, std::string_view path, const ResultItem& item,
                      std::u16string_view span, std::string_view citation) {
  out += ",\n{\"document\":";
  out += path;
  out += ",\"start\":";
  append_number(out, item.hit_start);
  out += ",\"length\":";
  append_number(out, item.hit_length);
  out += ",\"text\":\"";
  append_json_escaped(out, span);
  append_json_escaped(out, citation);
  out += "\"}";
}

// Output is gathered in one block that goes to the stream when full. Texts are written into it
// as UTF-8 directly: a million items cost no string each.
class BufferedOut {
 public:
  explicit BufferedOut(std::ostream& out) : out_(out) { block_.reserve(kBlock); }
  ~BufferedOut() { flush(); }
  BufferedOut(const BufferedOut&) = delete;
  BufferedOut& operator=(const BufferedOut&) = delete;

  // Where to append; full() tells when to flush.
  std::string& block() { return block_; }
  bool full() const { return block_.size() >= kBlock; }

  BufferedOut& operator<<(std::string_view s) {
    block_ += s;
    if (full()) flush();
    return *this;
  }
  // As UTF-8.
  BufferedOut& operator<<(std::u16string_view s) {
    append_utf8(block_, s);
    if (full()) flush();
    return *this;
  }
  BufferedOut& operator<<(std::size_t n) {
    append_number(block_, n);
    return *this;
  }
  // A large piece goes to the stream as it is, not through the block.
  void write_through(std::string_view s) {
    flush();
    out_.write(s.data(), static_cast<std::streamsize>(s.size()));
  }
  void flush() {
    out_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
    block_.clear();
  }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::ostream& out_;
  std::string block_;
};

std::string utf8_citation(const Document& document) {
  return utf16_to_utf8(citation_suffix(document.display_name));
}

// Each document's citation suffix as UTF-8, converted once rather than once for each item.
class Citations {
 public:
  explicit Citations(const ResultList& list) : list_(list), texts_(list.documents.size()) {}
  std::string_view of(std::uint32_t document) {
    std::string& text = texts_.at(document);
    if (text.empty()) text = utf8_citation(list_.documents[document]);
    return text;
  }

 private:
  const ResultList& list_;
  std::vector<std::string> texts_;
};

constexpr std::string_view kJsonHead = "{\"items\":[";

// The search's items printed as the workers find them, in document order: the text output's
// lines, or the --json output's items.
class PrintingSink final : public ItemSink {
 public:
  PrintingSink(BufferedOut& out, bool json) : out_(out), json_(json) {}

  void format(const Document& document, std::span<const ResultItem> items,
              std::span<const std::u16string_view> spans, std::string& out) const override {
    const std::string citation = utf8_citation(document);
    if (!json_) {
      for (std::u16string_view span : spans) append_text_item(out, span, citation);
      return;
    }
    const std::string path = json_string(document.relative_path);
    for (std::size_t i = 0; i < items.size(); ++i)
      append_json_item(out, path, items[i], spans[i], citation);
  }

  void write(std::string_view formatted) override {
    if (formatted.empty()) return;
    if (json_ && !begun_) formatted.remove_prefix(1);  // the first item's comma
    begin();
    out_.write_through(formatted);
  }

  // What comes before the items; written with the first of them, or by the caller when none came.
  void begin() {
    if (begun_) return;
    if (json_) out_ << kJsonHead;
    begun_ = true;
  }

 private:
  BufferedOut& out_;
  bool json_;
  bool begun_ = false;
};

void write_text_items(BufferedOut& out, const ResultList& items) {
  Citations citations(items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    append_text_item(out.block(), items.span_text(i), citations.of(items.items[i].document));
    if (out.full()) out.flush();
  }
}

// Everything after the items: the hit grid and the two summary lines.
void write_text_tail(BufferedOut& out, const SearchResults& results) {
  const ResultList& list = results.list;
  out << "\n";
  for (std::size_t c = 0; c < kHitGridHeader.size(); ++c)
    out << (c ? "\t" : "") << std::u16string_view(kHitGridHeader[c]);
  out << "\n";
  for (std::size_t i = 0; i < list.documents.size(); ++i)
    out << (i + 1) << "\t" << std::u16string_view(list.documents[i].display_name) << "\t"
        << results.hit_counts[i] << "\n";
  out << std::u16string_view(results.status_line()) << "\n"
      << std::u16string_view(results.hit_line()) << "\n";
}

void write_json_items(BufferedOut& out, const ResultList& items) {
  std::vector<std::string> paths;  // the same for every item of a document: escaped once
  for (const Document& d : items.documents) paths.push_back(json_string(d.relative_path));
  Citations citations(items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const ResultItem& item = items.items[i];
    std::string& block = out.block();
    const std::size_t at = block.size();
    append_json_item(block, paths[item.document], item, items.span_text(i),
                     citations.of(item.document));
    if (i == 0) block.erase(at, 1);  // the first item goes without a comma
    if (out.full()) out.flush();
  }
}

// Everything after the items: the documents hit and the counts.
void write_json_tail(BufferedOut& out, const SearchResults& results) {
  const ResultList& list = results.list;
  out << "],\n\"documents\":[";
  for (std::size_t i = 0; i < list.documents.size(); ++i)
    out << (i ? ",\n" : "\n")
        << "{\"document\":" << std::string_view(json_string(list.documents[i].relative_path))
        << ",\"name\":" << std::string_view(json_string(list.documents[i].display_name))
        << ",\"hits\":" << results.hit_counts[i] << "}";
  out << "],\n\"searched\":" << results.searched << ",\"hit_documents\":" << results.hit_documents()
      << ",\"hits\":" << results.total_hits() << ",\n\"summary\":["
      << std::string_view(json_string(results.status_line())) << ","
      << std::string_view(json_string(results.hit_line())) << "]}\n";
}

std::optional<std::u16string> option_text(const CommandLine& line, const std::string& name) {
  auto value = line.option(name);
  if (!value) return std::nullopt;
  return utf8_to_utf16(*value);
}

}  // namespace

const std::set<std::string>& search_option_names() {
  static const std::set<std::string> names = {"--keyword", "--mode", "--n", "--left", "--right"};
  return names;
}

CommandLineSyntax search_command_syntax() {
  CommandLineSyntax syntax;
  syntax.options = search_option_names();
  syntax.options.insert("--sort");
  syntax.flags = {"--json"};
  return syntax;
}

std::optional<std::vector<unsigned char>> cli_ticks(const Session& session,
                                                    const std::vector<std::string>& paths,
                                                    CliContext& context, int& exit_code) {
  std::string unknown;
  std::optional<std::vector<unsigned char>> ticks = session.ticks_for_paths(paths, &unknown);
  if (!ticks) {
    context.err << "语料库中没有此路径：" << unknown << "\n";
    exit_code = 2;
  }
  return ticks;
}

const SearchResults* run_cli_search(const CommandLine& line, Session& session, CliContext& context,
                                    int& exit_code, ItemSink* sink) {
  std::optional<std::vector<unsigned char>> ticks =
      cli_ticks(session, line.positionals, context, exit_code);
  if (!ticks) return nullptr;

  SearchForm form;  // options left out keep the search bar's initial texts
  if (auto v = option_text(line, "--keyword")) form.keyword_text = *v;
  if (auto v = option_text(line, "--mode")) form.mode_text = *v;
  if (auto v = option_text(line, "--n")) form.n_text = *v;
  if (auto v = option_text(line, "--left")) form.left_text = *v;
  if (auto v = option_text(line, "--right")) form.right_text = *v;
  SearchOptions options;
  options.kept_document_bytes = 0;  // texts are only ever read again (extraction), never shown
  options.sink = sink;
  Outcome<const SearchResults*> results = session.search(*ticks, form, options);
  if (!results) {
    exit_code = refuse(context, results.refusal());
    return nullptr;
  }
  exit_code = 0;
  if (!(*results)->unreadable.empty()) {
    context.err << unreadable_documents_text((*results)->unreadable) << "\n";
    exit_code = 1;  // the user must know that not everything was searched
  }
  return *results;
}

void write_search_text(std::ostream& stream, const SearchResults& results,
                       const ResultList& items) {
  BufferedOut out(stream);
  write_text_items(out, items);
  write_text_tail(out, results);
}

void write_search_json(std::ostream& stream, const SearchResults& results,
                       const ResultList& items) {
  BufferedOut out(stream);
  out << kJsonHead;
  write_json_items(out, items);
  write_json_tail(out, results);
}

std::string json_string(std::u16string_view text) {
  // utf16_to_utf8 turns lone surrogates into U+FFFD, so the result is always valid UTF-8.
  const std::string utf8 = utf16_to_utf8(text);
  std::string s(6 * utf8.size() + 2, '"');
  char* end = write_json_escaped(utf8, s.data() + 1);
  *end++ = '"';
  s.resize(static_cast<std::size_t>(end - s.data()));
  return s;
}

std::string json_string(std::string_view utf8) { return json_string(utf8_to_utf16(utf8)); }

std::optional<ResultOrder> cli_result_order(const CommandLine& line, CliContext& context) {
  const std::optional<std::string> name = line.option("--sort");
  if (!name) return ResultOrder::Document;
  std::optional<ResultOrder> order = result_order_from_name(*name);
  if (!order) context.err << "选项 --sort 的取值须为 document、left 或 right\n";
  return order;
}

int run_search_command(const std::vector<std::string>& args, CliContext& context) {
  ParsedCommandLine parsed = parse_command_line(args, search_command_syntax());
  if (!parsed.line) return bad_arguments(context, parsed.error);
  const std::optional<ResultOrder> order = cli_result_order(*parsed.line, context);
  if (!order) return 2;
  const bool json = parsed.line->has_flag("--json");
  int exit_code = 0;
  Session session(context.run_directory);
  // In document order the items are printed while the search goes on, never held; another order
  // needs them all first. A refusal comes before any item, so it still prints nothing on out.
  BufferedOut out(context.out);
  PrintingSink sink(out, json);
  const bool streamed = *order == ResultOrder::Document;
  const SearchResults* results =
      run_cli_search(*parsed.line, session, context, exit_code, streamed ? &sink : nullptr);
  if (!results) return exit_code;
  sink.begin();
  if (!streamed) {
    session.sort_shown(*order);
    if (json)
      write_json_items(out, session.shown());
    else
      write_text_items(out, session.shown());
  }
  if (json)
    write_json_tail(out, *results);
  else
    write_text_tail(out, *results);
  out.flush();
  context.out.flush();
  return exit_code;
}

std::optional<ResultList> read_cli_documents(const std::vector<std::string>& paths,
                                             Session& session, CliContext& context,
                                             int& exit_code) {
  std::optional<std::vector<unsigned char>> ticks = cli_ticks(session, paths, context, exit_code);
  if (!ticks) return std::nullopt;
  Outcome<std::vector<Document>> documents = session.ticked(*ticks);
  if (!documents) {
    exit_code = refuse(context, documents.refusal());
    return std::nullopt;
  }
  ReadDocuments read = session.read_documents(std::move(*documents));
  exit_code = 0;
  if (!read.unreadable.empty()) {
    context.err << unreadable_documents_text(read.unreadable) << "\n";
    exit_code = 1;
  }
  return std::move(read.list);
}

}  // namespace lantaro
