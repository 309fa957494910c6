#include "cli/search_command.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <ostream>

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

// Output is gathered in one block that goes to the stream when full. Texts are written into it
// as UTF-8 directly: a million items cost no string each.
class BufferedOut {
 public:
  explicit BufferedOut(std::ostream& out) : out_(out), block_(std::make_unique<char[]>(kBlock)) {}
  ~BufferedOut() { flush(); }
  BufferedOut(const BufferedOut&) = delete;
  BufferedOut& operator=(const BufferedOut&) = delete;

  BufferedOut& operator<<(std::string_view s) {
    if (char* at = room(s.size())) {
      std::memcpy(at, s.data(), s.size());
      used_ += s.size();
    } else {
      out_.write(s.data(), static_cast<std::streamsize>(s.size()));
    }
    return *this;
  }
  // As UTF-8.
  BufferedOut& operator<<(std::u16string_view s) {
    if (char* at = room(3 * s.size()))
      used_ = static_cast<std::size_t>(write_utf8(s, at) - block_.get());
    else
      *this << std::string_view(utf16_to_utf8(s));
    return *this;
  }
  BufferedOut& operator<<(std::size_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
  }
  // UTF-8 text inside a JSON string, escaped.
  void json_part(std::string_view utf8) {
    if (char* at = room(6 * utf8.size()))
      used_ = static_cast<std::size_t>(write_json_escaped(utf8, at) - block_.get());
    else
      *this << std::string_view(escaped(utf8));
  }
  // UTF-16 text inside a JSON string, escaped.
  void json_part(std::u16string_view text) {
    scratch_.resize(3 * text.size());
    scratch_.resize(static_cast<std::size_t>(write_utf8(text, scratch_.data()) - scratch_.data()));
    json_part(std::string_view(scratch_));
  }
  void flush() {
    out_.write(block_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::ostream& out_;
  std::unique_ptr<char[]> block_;
  std::size_t used_ = 0;
  std::string scratch_;  // reused for every item

  static std::string escaped(std::string_view utf8) {
    std::string s(6 * utf8.size(), '\0');
    s.resize(static_cast<std::size_t>(write_json_escaped(utf8, s.data()) - s.data()));
    return s;
  }
  // Where `size` bytes can go, flushing first if need be; null when they exceed the block.
  char* room(std::size_t size) {
    if (size > kBlock - used_) flush();
    return size <= kBlock ? block_.get() + used_ : nullptr;
  }
};

// Each document's citation suffix as UTF-8, converted once rather than once for each item.
class Citations {
 public:
  explicit Citations(const ResultList& list) : list_(list), texts_(list.documents.size()) {}
  std::string_view of(std::uint32_t document) {
    std::string& text = texts_.at(document);
    if (text.empty()) text = utf16_to_utf8(citation_suffix(list_.documents[document].display_name));
    return text;
  }

 private:
  const ResultList& list_;
  std::vector<std::string> texts_;
};

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
                                    int& exit_code) {
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
  Citations citations(items);
  for (std::size_t i = 0; i < items.size(); ++i)
    out << items.span_text(i) << citations.of(items.items[i].document) << "\n";
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

void write_search_json(std::ostream& stream, const SearchResults& results,
                       const ResultList& items) {
  BufferedOut out(stream);
  const ResultList& list = results.list;
  // The document paths are the same for every item of a document: escape them once.
  std::vector<std::string> paths;
  for (const Document& d : list.documents) paths.push_back(json_string(d.relative_path));
  Citations citations(items);

  out << "{\"items\":[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    const ResultItem& item = items.items[i];
    out << (i ? ",\n" : "\n") << "{\"document\":" << std::string_view(paths[item.document])
        << ",\"start\":" << item.hit_start << ",\"length\":" << item.hit_length << ",\"text\":\"";
    out.json_part(items.span_text(i));
    out.json_part(citations.of(item.document));
    out << "\"}";
  }
  out << "],\n\"documents\":[";
  for (std::size_t i = 0; i < list.documents.size(); ++i)
    out << (i ? ",\n" : "\n") << "{\"document\":" << std::string_view(paths[i])
        << ",\"name\":" << std::string_view(json_string(list.documents[i].display_name))
        << ",\"hits\":" << results.hit_counts[i] << "}";
  out << "],\n\"searched\":" << results.searched << ",\"hit_documents\":" << results.hit_documents()
      << ",\"hits\":" << results.total_hits() << ",\n\"summary\":["
      << std::string_view(json_string(results.status_line())) << ","
      << std::string_view(json_string(results.hit_line())) << "]}\n";
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
  int exit_code = 0;
  Session session(context.run_directory);
  const SearchResults* results = run_cli_search(*parsed.line, session, context, exit_code);
  if (!results) return exit_code;
  session.sort_shown(*order);
  if (parsed.line->has_flag("--json"))
    write_search_json(context.out, *results, session.shown());
  else
    write_search_text(context.out, *results, session.shown());
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
