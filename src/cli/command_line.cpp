#include "cli/command_line.h"

namespace lantaro {

std::optional<std::string> CommandLine::option(const std::string& name) const {
  auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

ParsedCommandLine parse_command_line(const std::vector<std::string>& args,
                                     const CommandLineSyntax& syntax) {
  CommandLine line;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      line.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (syntax.flags.count(name)) {
      if (value) return {std::nullopt, "选项 " + name + " 不带取值"};
      line.flags.insert(name);
      continue;
    }
    if (!syntax.options.count(name)) return {std::nullopt, "未知选项：" + name};
    if (!value) {
      if (i + 1 >= args.size()) return {std::nullopt, "选项 " + name + " 缺少取值"};
      value = args[++i];
    }
    if (!line.options.emplace(name, *value).second)
      return {std::nullopt, "选项 " + name + " 重复出现"};
  }
  return {std::move(line), {}};
}

}  // namespace lantaro
