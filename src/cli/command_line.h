#pragma once
// Arguments of lantaro-cli: options ("--name value", "--name=value"), flags ("--json") and
// positional arguments; "--" ends the options. Each command states which options it takes.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lantaro {

struct CommandLineSyntax {
  std::set<std::string> options;  // take a value, e.g. "--keyword"
  std::set<std::string> flags;    // take none, e.g. "--json"
};

struct CommandLine {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;

  bool has_flag(const std::string& name) const { return flags.count(name) > 0; }
  std::optional<std::string> option(const std::string& name) const;
};

struct ParsedCommandLine {
  std::optional<CommandLine> line;  // empty when the arguments are off
  std::string error;                // then: what is wrong, in Chinese (UTF-8)
};

// An option given twice, an unknown option or a missing value is an error.
ParsedCommandLine parse_command_line(const std::vector<std::string>& args,
                                     const CommandLineSyntax& syntax);

}  // namespace lantaro
