// lantaro-cli: the engine's operations for batch use and scripts. Output is UTF-8.

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/corpus_commands.h"
#include "cli/export_command.h"
#include "cli/extract_command.h"
#include "cli/search_command.h"
#include "cli/settings_command.h"
#include "engine/common/run_directory.h"
#include "platform/platform.h"

namespace {

struct CommandEntry {
  const char* name;
  lantaro::CliCommand run;
  const char* summary;
};

const std::vector<CommandEntry>& commands() {
  static const std::vector<CommandEntry> table = {
      {"settings", lantaro::run_settings_command, "打印 ini/sys.ini 中的上下文取字数"},
      {"list", lantaro::run_list_command, "以缩进树形列出语料库及条目序号"},
      {"import", lantaro::run_import_command, "import FILE --name NAME [--to DIR] [--yes]"},
      {"mkdir", lantaro::run_mkdir_command, "mkdir NAME [--in DIR]"},
      {"search", lantaro::run_search_command,
       "search --keyword TEXT [--mode TEXT] [--n N] [--left L] [--right R] "
       "[--sort document|left|right] [--json] [PATH...]"},
      {"extract", lantaro::run_extract_command,
       "extract --mode dialogue|narrative|all [--threads N] [--json] [--keyword TEXT "
       "[--search-mode TEXT] [--n N] [--left L] [--right R]] [PATH...]"},
      {"export", lantaro::run_export_command,
       "export --txt FILE | --xlsx FILE [--extract MODE [--threads N]] [--keyword TEXT "
       "[--mode TEXT] [--n N] [--left L] [--right R]] [--sort document|left|right] [PATH...]"},
  };
  return table;
}

void print_usage(std::ostream& out) {
  out << "用法：lantaro-cli [--root 运行目录] 命令 [参数...]\n"
         "      lantaro-cli --version\n\n命令：\n";
  for (const auto& c : commands()) out << "  " << c.name << "\t" << c.summary << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = lantaro::platform::utf8_arguments(argc, argv);
  lantaro::platform::use_utf8_console();
  // --root may stand anywhere; it names another run directory (tests, scripts).
  lantaro::RunDirectory run_directory = lantaro::RunDirectory::of_running_program();
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") break;
    if (args[i] == "--root" || args[i].rfind("--root=", 0) == 0) {
      std::string value;
      if (args[i] == "--root") {
        if (i + 1 >= args.size()) {
          std::cerr << "选项 --root 缺少取值\n";
          return 2;
        }
        value = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      } else {
        value = args[i].substr(std::strlen("--root="));
        args.erase(args.begin() + static_cast<long>(i));
      }
      run_directory = lantaro::RunDirectory(value);
      break;
    }
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    print_usage(args.empty() ? std::cerr : std::cout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::cout << "lantaro-cli V1.0\n";
    return 0;
  }
  for (const auto& c : commands()) {
    if (args[0] != c.name) continue;
    lantaro::CliContext context{run_directory, std::cout, std::cerr, &std::cin};
    std::vector<std::string> rest(args.begin() + 1, args.end());
    return c.run(rest, context);
  }
  std::cerr << "未知命令：" << args[0] << "\n";
  print_usage(std::cerr);
  return 2;
}
