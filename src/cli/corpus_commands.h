#pragma once
// lantaro-cli commands of the corpus library: list, import, mkdir. They run the same engine
// operations as the add-corpus window and print the same message texts (success on out,
// refusal or failure on err).

#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "engine/corpus/library_tree.h"

namespace lantaro {

// list: the library as an indented tree, each line led by the item index.
int run_list_command(const std::vector<std::string>& args, CliContext& context);
// import FILE --name NAME [--to DIR] [--yes]: DIR below the corpus folder, top level without
// it; --yes replaces a document of the same name, which is otherwise left alone (a failure).
int run_import_command(const std::vector<std::string>& args, CliContext& context);
// mkdir NAME [--in DIR]: a new directory at the top level or inside DIR.
int run_mkdir_command(const std::vector<std::string>& args, CliContext& context);

// The listing printed by `list`.
std::string format_library_listing(const LibraryTree& tree);

}  // namespace lantaro
