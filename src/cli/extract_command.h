#pragma once
// lantaro-cli extract: sentences from documents, as the extraction panel gives them.
//
//   extract --mode dialogue|narrative|all [--threads N] [--json]
//           [--keyword TEXT [--search-mode TEXT] [--n N] [--left L] [--right R]] [PATH...]
//
// With --keyword the PATHs are searched first and the documents with hits are extracted (as in
// the window, after a search); --search-mode is then the search's combination mode (the search
// command's --mode). Without --keyword the PATHs themselves are extracted (none: the whole
// library). --threads 1 runs on one thread; by default one worker per core.
//
// Output: the items one per line as the result list shows them, then the report line; --json
// gives {"items":[{"document":"…","text":"…"}],"report":"…"}. Exit codes: 0 done, 1 a refusal
// or documents that could not be read (the rest is still extracted), 2 arguments that are off.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_context.h"
#include "engine/extraction/extractor.h"

namespace lantaro {

int run_extract_command(const std::vector<std::string>& args, CliContext& context);

// The words of the command line for the modes and the thread count, shared with `export`.
std::optional<ExtractionMode> extraction_mode_from_name(
    const std::string& name);                                             // dialogue|narrative|all
std::optional<unsigned> thread_count_from_text(const std::string& text);  // 1..1024
inline constexpr std::string_view kBadThreadCount = "选项 --threads 的取值须为1到1024之间的整数";

}  // namespace lantaro
