#pragma once
// What a lantaro-cli command gets: the run directory and its output streams (UTF-8 text).
// Commands return the process exit code: 0 success, 1 a refusal or failure the user must know
// of (its message on err), 2 arguments that are off.

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/common/run_directory.h"

namespace lantaro {

struct CliContext {
  RunDirectory run_directory;
  std::ostream& out;
  std::ostream& err;
  std::istream* in = nullptr;  // for questions; none in batch use
};

using CliCommand = int (*)(const std::vector<std::string>& args, CliContext& context);

}  // namespace lantaro
