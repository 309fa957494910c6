#include "cli/settings_command.h"

#include <ostream>

#include "cli/command_line.h"
#include "engine/common/settings_file.h"
#include "engine/common/text.h"

namespace lantaro {

int run_settings_command(const std::vector<std::string>& args, CliContext& context) {
  ParsedCommandLine parsed = parse_command_line(args, CommandLineSyntax{});
  if (!parsed.line) return bad_arguments(context, parsed.error);
  if (!parsed.line->positionals.empty())
    return bad_arguments(context, "命令 settings 不接受参数：" + parsed.line->positionals.front());
  ContextLengths lengths = read_context_lengths(context.run_directory);
  context.out << utf16_to_utf8(kContextBeforeKey) << "=" << lengths.before << "\n"
              << utf16_to_utf8(kContextAfterKey) << "=" << lengths.after << "\n";
  return 0;
}

}  // namespace lantaro
