#include "cli/extract_command.h"

#include <charconv>
#include <optional>
#include <ostream>

#include "cli/command_line.h"
#include "cli/search_command.h"
#include "engine/common/messages.h"
#include "engine/common/text.h"
#include "engine/extraction/extractor.h"

namespace lantaro {
namespace {

constexpr unsigned kMaxThreads = 1024;

CommandLineSyntax extract_syntax() {
  CommandLineSyntax syntax;
  // The search's own --mode would clash with the extraction mode: here it is --search-mode.
  for (const std::string& name : search_option_names()) {
    if (name != "--mode") syntax.options.insert(name);
  }
  syntax.options.insert({"--mode", "--search-mode", "--threads"});
  syntax.flags = {"--json"};
  return syntax;
}

// The line as the search helper expects it: the search's combination mode under --mode.
CommandLine search_line(const CommandLine& line) {
  CommandLine search = line;
  search.options.erase("--mode");
  search.options.erase("--search-mode");
  search.options.erase("--threads");
  if (auto mode = line.option("--search-mode")) search.options["--mode"] = *mode;
  return search;
}

struct Input {
  std::vector<Document> documents;
  std::vector<DocumentText> texts;
};

// The documents a search hit, with the texts it read.
std::optional<Input> searched_input(const CommandLine& line, Session& session, CliContext& context,
                                    int& exit_code) {
  if (!run_cli_search(search_line(line), session, context, exit_code)) return std::nullopt;
  Outcome<ResultList> source = session.extraction_source();
  if (!source) {
    exit_code = refuse(context, source.refusal());
    return std::nullopt;
  }
  return Input{std::move(source->documents), std::move(source->texts)};
}

// The named documents themselves; those that cannot be read are named on err and left out.
std::optional<Input> named_input(const CommandLine& line, Session& session, CliContext& context,
                                 int& exit_code) {
  std::optional<ResultList> source =
      read_cli_documents(line.positionals, session, context, exit_code);
  if (!source) return std::nullopt;
  return Input{std::move(source->documents), std::move(source->texts)};
}

void write_block(std::ostream& out, std::string& buffer, bool force = false) {
  if (!force && buffer.size() < (std::size_t{1} << 20)) return;
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  buffer.clear();
}

void write_text(std::ostream& out, const ExtractionResult& result) {
  std::string buffer;
  const ResultList& list = result.list;
  for (std::size_t i = 0; i < list.size(); ++i) {
    buffer += utf16_to_utf8(list.item_text(i));
    buffer += '\n';
    write_block(out, buffer);
  }
  buffer += utf16_to_utf8(result.report);
  buffer += '\n';
  write_block(out, buffer, true);
}

void write_json(std::ostream& out, const ExtractionResult& result) {
  const ResultList& list = result.list;
  std::vector<std::string> paths;  // escaped once per document, not once per item
  for (const Document& d : list.documents) paths.push_back(json_string(d.relative_path));
  std::string buffer = "{\"items\":[";
  for (std::size_t i = 0; i < list.size(); ++i) {
    buffer += i ? ",\n" : "\n";
    buffer += "{\"document\":";
    buffer += paths[list.items[i].document];
    buffer += ",\"text\":";
    buffer += json_string(list.item_text(i));
    buffer += '}';
    write_block(out, buffer);
  }
  buffer += "],\n\"report\":";
  buffer += json_string(result.report);
  buffer += "}\n";
  write_block(out, buffer, true);
}

}  // namespace

int run_extract_command(const std::vector<std::string>& args, CliContext& context) {
  ParsedCommandLine parsed = parse_command_line(args, extract_syntax());
  if (!parsed.line) return bad_arguments(context, parsed.error);
  const CommandLine& line = *parsed.line;

  const std::optional<std::string> mode_name = line.option("--mode");
  if (!mode_name) return bad_arguments(context, "缺少选项 --mode（dialogue、narrative 或 all）");
  const std::optional<ExtractionMode> mode = extraction_mode_from_name(*mode_name);
  if (!mode) return bad_arguments(context, "选项 --mode 的取值须为 dialogue、narrative 或 all");

  ExtractionOptions options;
  options.threads = 0;
  if (auto text = line.option("--threads")) {
    const std::optional<unsigned> n = thread_count_from_text(*text);
    if (!n) return bad_arguments(context, kBadThreadCount);
    options.threads = *n;
  }

  const bool searching = line.option("--keyword").has_value();
  if (!searching) {
    // Options that shape a search mean nothing without one; say so rather than ignore them.
    for (const char* name : {"--search-mode", "--n", "--left", "--right"}) {
      if (line.option(name)) {
        return bad_arguments(context, std::string("选项 ") + name + " 须与 --keyword 一起使用");
      }
    }
  }

  int exit_code = 0;
  Session session(context.run_directory);
  std::optional<Input> input = searching ? searched_input(line, session, context, exit_code)
                                         : named_input(line, session, context, exit_code);
  if (!input) return exit_code;

  const ExtractionResult result = extract_sentences(input->documents, input->texts, *mode, options);
  if (line.has_flag("--json")) {
    write_json(context.out, result);
  } else {
    write_text(context.out, result);
  }
  context.out.flush();
  return exit_code;
}

std::optional<ExtractionMode> extraction_mode_from_name(const std::string& name) {
  if (name == "dialogue") return ExtractionMode::Dialogue;
  if (name == "narrative") return ExtractionMode::Narrative;
  if (name == "all") return ExtractionMode::AllSentences;
  return std::nullopt;
}

std::optional<unsigned> thread_count_from_text(const std::string& text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 1 || value > kMaxThreads) return std::nullopt;
  return value;
}

}  // namespace lantaro
