#pragma once
// lantaro-cli export: the results of a search (or of an extraction) written to a TXT file or an
// .xlsx workbook, byte for byte what the program's windows write.
//
//   export --txt FILE | --xlsx FILE [--extract dialogue|narrative|all [--threads N]]
//          [--keyword TEXT [--mode TEXT] [--n N] [--left L] [--right R]]
//          [--sort document|left|right] [PATH...]
//
// --sort orders the result items as `search --sort` does (not with --extract: sentences keep
// document order).
// Without --extract the PATHs are searched and the result items exported. With --extract the
// sentences are extracted first: from the documents the search hit when --keyword is given,
// otherwise from the PATHs themselves. FILE is replaced only once the new file is complete;
// nothing is opened. Prints "保存成功！" on success. Exit codes: 0 done, 1 a refusal, a failed
// write or unreadable documents (their names on err), 2 arguments that are off.

#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace lantaro {

int run_export_command(const std::vector<std::string>& args, CliContext& context);

}  // namespace lantaro
