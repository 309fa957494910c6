#pragma once
// `lantaro-cli settings`: prints the two context lengths the program would use, as
// "上下文上取字数=N" and "上下文下取字数=N", read from the run directory's ini/sys.ini.

#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace lantaro {

int run_settings_command(const std::vector<std::string>& args, CliContext& context);

}  // namespace lantaro
