#include "cli/export_command.h"

#include <optional>
#include <ostream>

#include "cli/command_line.h"
#include "cli/extract_command.h"
#include "cli/search_command.h"
#include "engine/common/messages.h"
#include "engine/common/text.h"
#include "engine/export/spreadsheet_export.h"
#include "engine/export/text_export.h"
#include "engine/export/xlsx_spreadsheet.h"
#include "engine/extraction/extractor.h"

namespace lantaro {
namespace {

CommandLineSyntax export_syntax() {
  CommandLineSyntax syntax;
  syntax.options = search_option_names();
  syntax.options.insert({"--txt", "--xlsx", "--extract", "--threads", "--sort"});
  return syntax;
}

}  // namespace

int run_export_command(const std::vector<std::string>& args, CliContext& context) {
  ParsedCommandLine parsed = parse_command_line(args, export_syntax());
  if (!parsed.line) return bad_arguments(context, parsed.error);
  const CommandLine& line = *parsed.line;

  const std::optional<std::string> txt = line.option("--txt");
  const std::optional<std::string> xlsx = line.option("--xlsx");
  if (txt.has_value() == xlsx.has_value())
    return bad_arguments(context, "须给出 --txt 文件 或 --xlsx 文件 两者之一");
  if ((txt && txt->empty()) || (xlsx && xlsx->empty()))
    return bad_arguments(context, "导出文件名不能为空");

  std::optional<ExtractionMode> mode;
  if (auto name = line.option("--extract")) {
    mode = extraction_mode_from_name(*name);
    if (!mode)
      return bad_arguments(context, "选项 --extract 的取值须为 dialogue、narrative 或 all");
  }
  ExtractionOptions extraction;
  extraction.threads = 0;
  if (auto text = line.option("--threads")) {
    if (!mode) return bad_arguments(context, "选项 --threads 须与 --extract 一起使用");
    std::optional<unsigned> n = thread_count_from_text(*text);
    if (!n) return bad_arguments(context, kBadThreadCount);
    extraction.threads = *n;
  }
  const std::optional<ResultOrder> order = cli_result_order(line, context);
  if (!order) return 2;
  if (mode && line.option("--sort"))
    return bad_arguments(context, "选项 --sort 不能与 --extract 一起使用");
  const bool searching = line.option("--keyword").has_value() || !mode;
  if (!searching) {
    for (const char* name : {"--mode", "--n", "--left", "--right"})
      if (line.option(name))
        return bad_arguments(context, std::string("选项 ") + name + " 须与 --keyword 一起使用");
  }

  int exit_code = 0;
  Session session(context.run_directory);
  if (searching) {
    CommandLine search = line;
    for (const char* name : {"--txt", "--xlsx", "--extract", "--threads", "--sort"})
      search.options.erase(name);
    if (!run_cli_search(search, session, context, exit_code)) return exit_code;
    if (mode) {
      // As in the window: sentences come from the documents the search hit.
      Outcome<ResultList> source = session.extraction_source();
      if (!source) return refuse(context, source.refusal());
      session.show_sentences(Session::extract(*source, *mode, extraction).list);
    } else {
      session.sort_shown(*order);
    }
  } else {
    std::optional<ResultList> source =
        read_cli_documents(line.positionals, session, context, exit_code);
    if (!source) return exit_code;
    session.show_sentences(Session::extract(*source, *mode, extraction).list);
  }

  bool saved = false;
  if (txt) {
    const Message message = session.save_text(path_from_utf8(*txt));
    if (message == Message::NoResultsToExtract) return refuse(context, message);
    saved = message == Message::SaveSucceeded;
  } else {
    XlsxSpreadsheet spreadsheet(file_spreadsheet_options(path_from_utf8(*xlsx)));
    SpreadsheetExportResult result = session.export_workbook(spreadsheet);
    if (result.message == Message::NoResultsToExport) return refuse(context, *result.message);
    // Here "creating the application" is creating the file: a failure is a failed save.
    saved = result.complete;
  }
  if (!saved) return refuse(context, Message::SaveFailed);
  context.out << message_text(Message::SaveSucceeded) << "\n";
  return exit_code;
}

}  // namespace lantaro
