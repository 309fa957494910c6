#pragma once
// lantaro-cli search, and the pieces of it that extract and export reuse so that every command
// takes the same search options, resolves PATH arguments the same way and prints the same
// messages.
//
//   search --keyword TEXT [--mode TEXT] [--n N] [--left L] [--right R]
//          [--sort document|left|right] [--json] [PATH...]
//
// --sort: the result list's orders (result_order.h); document order when left out.
// PATH: documents or directories below the corpus folder, "/"-separated, documents with or
// without ".txt"; none (or "/") means the whole library. Exit codes: 0 done, 1 a refusal (its
// message on err) or documents that could not be read, 2 arguments that are off (an unknown PATH
// included).

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/command_line.h"
#include "engine/corpus/document.h"
#include "engine/retrieval/result_order.h"
#include "engine/retrieval/searcher.h"
#include "engine/session/session.h"

namespace lantaro {

int run_search_command(const std::vector<std::string>& args, CliContext& context);

// The options that describe a search: --keyword, --mode, --n, --left, --right (each takes a
// value). Commands that search first add these to their own syntax.
const std::set<std::string>& search_option_names();
// search_option_names() plus the --json flag: the syntax of `search` itself.
CommandLineSyntax search_command_syntax();

// The ticks PATH arguments set, as the user ticks items in the tree (see
// Session::ticks_for_paths). A PATH that names nothing in the library -> a message naming it on
// context.err, exit_code 2.
std::optional<std::vector<unsigned char>> cli_ticks(const Session& session,
                                                    const std::vector<std::string>& paths,
                                                    CliContext& context, int& exit_code);

// The documents the PATHs name, read for a command that works on whole texts (extract, export
// without a search): `documents` and `texts` of the result, no items. The tick checks refuse as
// the search does; unreadable documents are named on err, left out, and set exit_code to 1 so
// that a partial run never passes as complete.
std::optional<ResultList> read_cli_documents(const std::vector<std::string>& paths,
                                             Session& session, CliContext& context, int& exit_code);

// The whole search of `line` (its positionals are the PATHs) through the session, whose last
// search it becomes. A refusal is on context.err (exit_code 1, or 2 for an unknown PATH) and
// gives null. Documents that could not be read are named on context.err (the results are still
// returned; exit_code is then 1, otherwise 0). With a sink the items go there as they are found
// (see SearchOptions::sink) and the results hold none.
const SearchResults* run_cli_search(const CommandLine& line, Session& session, CliContext& context,
                                    int& exit_code, ItemSink* sink = nullptr);

// The text output of `search`: the items as shown (`items`: the search's list in the order
// chosen) one per line, an empty line, the hit grid as TSV under "序号\t文献\t命中次数", then the
// status line and the hit line.
void write_search_text(std::ostream& out, const SearchResults& results, const ResultList& items);
// The --json output of `search` (one UTF-8 object, ends with a newline).
void write_search_json(std::ostream& out, const SearchResults& results, const ResultList& items);

// The --sort option's order (document order when it is absent); empty, with the message on err,
// when its value is none of the three.
std::optional<ResultOrder> cli_result_order(const CommandLine& line, CliContext& context);

// A JSON string literal (quotes included) for UTF-16 or UTF-8 text; control characters and
// lone surrogates can never produce invalid JSON.
std::string json_string(std::u16string_view text);
std::string json_string(std::string_view utf8);

}  // namespace lantaro
