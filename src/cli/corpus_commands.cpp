#include "cli/corpus_commands.h"

#include <ostream>

#include "cli/command_line.h"
#include "engine/common/messages.h"
#include "engine/common/text.h"
#include "engine/corpus/library_edit.h"
#include "engine/session/session.h"

namespace lantaro {
namespace {

int report(CliContext& context, Message message, Message success) {
  std::ostream& stream = message == success ? context.out : context.err;
  stream << message_text(message) << "\n";
  return message == success ? 0 : 1;
}

// "a\\b/" and "/a/b" name the directory "a/b".
std::string location_argument(std::string text) {
  for (char& c : text)
    if (c == '\\') c = '/';
  while (!text.empty() && text.back() == '/') text.pop_back();
  while (!text.empty() && text.front() == '/') text.erase(text.begin());
  return text;
}

int bad_usage(CliContext& context, const std::string& what, const char* usage) {
  std::string text = what;
  text.append("\n用法：lantaro-cli ").append(usage);
  return bad_arguments(context, text);
}

}  // namespace

std::string format_library_listing(const LibraryTree& tree) {
  std::size_t width = std::to_string(tree.empty() ? 0 : tree.size() - 1).size();
  std::string text;
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const LibraryItem& item = tree[i];
    std::string index = std::to_string(i);
    text.append(width - index.size(), ' ');
    text += index;
    text += "  ";
    text.append(item.depth * 2, ' ');
    text += utf16_to_utf8(item.label);
    if (item.is_directory) text += '/';
    text += '\n';
  }
  return text;
}

int run_list_command(const std::vector<std::string>& args, CliContext& context) {
  const char* usage = "list";
  ParsedCommandLine parsed = parse_command_line(args, {});
  if (!parsed.line) return bad_usage(context, parsed.error, usage);
  if (!parsed.line->positionals.empty())
    return bad_usage(context, "多余的参数：" + parsed.line->positionals.front(), usage);
  if (corpus_folder_unusable(context.run_directory.corpus_path())) {
    context.err << corpus_folder_unusable_message(context.run_directory.corpus_folder()) << "\n";
    return 1;
  }
  context.out << format_library_listing(Session(context.run_directory).library());
  return 0;
}

int run_import_command(const std::vector<std::string>& args, CliContext& context) {
  const char* usage = "import FILE --name NAME [--to DIR] [--yes]";
  ParsedCommandLine parsed = parse_command_line(args, {{"--name", "--to"}, {"--yes"}});
  if (!parsed.line) return bad_usage(context, parsed.error, usage);
  const CommandLine& line = *parsed.line;
  if (line.positionals.size() > 1)
    return bad_usage(context, "多余的参数：" + line.positionals[1], usage);

  ImportRequest request;
  if (!line.positionals.empty()) request.source_file = line.positionals.front();
  request.display_name = line.option("--name").value_or("");
  // Without --to the document goes to the top level of the library.
  request.location = location_argument(line.option("--to").value_or(""));

  bool replace = line.has_flag("--yes");
  Session session(context.run_directory);
  ImportOutcome outcome = session.import_document(request, [&](std::string_view name) {
    if (!replace) context.err << replace_document_question(name) << "\n";
    return replace;
  });
  return report(context, outcome.message, Message::ImportSucceeded);
}

int run_mkdir_command(const std::vector<std::string>& args, CliContext& context) {
  const char* usage = "mkdir NAME [--in DIR]";
  ParsedCommandLine parsed = parse_command_line(args, {{"--in"}, {}});
  if (!parsed.line) return bad_usage(context, parsed.error, usage);
  const CommandLine& line = *parsed.line;
  if (line.positionals.size() > 1)
    return bad_usage(context, "多余的参数：" + line.positionals[1], usage);
  std::string name = line.positionals.empty() ? std::string() : line.positionals.front();
  std::string parent = location_argument(line.option("--in").value_or(""));
  Session session(context.run_directory);
  return report(context, session.create_directory(name, parent), Message::DirectoryCreated);
}

}  // namespace lantaro
