#pragma once
// What a lantaro-cli command gets: the run directory and its output streams (UTF-8 text).
// Commands return the process exit code: 0 success, 1 a refusal or failure the user must know
// of (its message on err), 2 arguments that are off.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/messages.h"
#include "engine/common/run_directory.h"

namespace lantaro {

struct CliContext {
  RunDirectory run_directory;
  std::ostream& out;
  std::ostream& err;
  std::istream* in = nullptr;  // for questions; none in batch use
};

using CliCommand = int (*)(const std::vector<std::string>& args, CliContext& context);

// Says what is off with the arguments; the exit code for it.
inline int bad_arguments(CliContext& context, std::string_view what) {
  context.err << what << "\n";
  return 2;
}

// Says why the command was refused or failed; the exit code for it.
inline int refuse(CliContext& context, Message message) {
  context.err << message_text(message) << "\n";
  return 1;
}

}  // namespace lantaro
