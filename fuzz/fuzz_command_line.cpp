// Arbitrary argument vectors (NUL-separated): the parser either refuses with a message or gives
// back only known options with values that were given, positionals in their order, and what it
// gives back survives a round trip through canonical form.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }
  lantaro::CommandLineSyntax syntax{{"--keyword", "--mode", "--n", "--left", "--right", "--root"},
                                    {"--json", "--yes"}};
  lantaro::ParsedCommandLine parsed = lantaro::parse_command_line(args, syntax);
  if (!parsed.line) {
    FUZZ_CHECK(!parsed.error.empty());
    return 0;
  }
  const lantaro::CommandLine& line = *parsed.line;
  for (const auto& [name, value] : line.options) FUZZ_CHECK(syntax.options.count(name) == 1);
  for (const auto& flag : line.flags) FUZZ_CHECK(syntax.flags.count(flag) == 1);
  FUZZ_CHECK(line.positionals.size() + line.options.size() + line.flags.size() <= args.size());
  // Positionals keep their order: they are a subsequence of the arguments.
  std::size_t next = 0;
  for (const auto& word : line.positionals) {
    while (next < args.size() && args[next] != word) ++next;
    FUZZ_CHECK(next < args.size());
    ++next;
  }
  // Every value was given: as "--name=value" or as the argument after "--name".
  for (const auto& [name, value] : line.options) {
    bool given = false;
    for (std::size_t i = 0; i < args.size() && !given; ++i)
      given = args[i] == name + "=" + value ||
              (args[i] == name && i + 1 < args.size() && args[i + 1] == value);
    FUZZ_CHECK(given);
  }

  // Written back in canonical form, the line parses to the same thing.
  std::vector<std::string> canonical;
  for (const auto& [name, value] : line.options) canonical.push_back(name + "=" + value);
  for (const auto& flag : line.flags) canonical.push_back(flag);
  canonical.push_back("--");
  for (const auto& word : line.positionals) canonical.push_back(word);
  lantaro::ParsedCommandLine again = lantaro::parse_command_line(canonical, syntax);
  FUZZ_CHECK(again.line.has_value());
  FUZZ_CHECK(again.line->positionals == line.positionals);
  FUZZ_CHECK(again.line->options == line.options);
  FUZZ_CHECK(again.line->flags == line.flags);
  return 0;
}
