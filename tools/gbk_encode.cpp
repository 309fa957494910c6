// Build-time helper: turns a UTF-8 source text (help text, settings file) into the GBK file with
// CR LF line ends that the program reads from its run directory.
//   gbk_encode INPUT.utf8 OUTPUT

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "engine/common/codepage.h"
#include "engine/common/text.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: gbk_encode INPUT OUTPUT\n";
    return 2;
  }
  const std::filesystem::path input = lantaro::path_from_utf8(argv[1]);
  const std::filesystem::path output = lantaro::path_from_utf8(argv[2]);

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::cerr << "gbk_encode: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  if (!lantaro::is_valid_utf8(bytes)) {
    // A broken source would silently put replacement marks into the shipped file.
    std::cerr << "gbk_encode: " << argv[1] << " is not valid UTF-8\n";
    return 1;
  }

  std::u16string text;
  for (char16_t c : lantaro::utf8_to_utf16(bytes)) {
    if (c == u'\r') continue;
    if (c == u'\n') text += u'\r';
    text += c;
  }
  const std::string encoded = lantaro::encode_gbk(text);

  // Written beside the target and renamed, so an interrupted build never leaves half a file.
  std::error_code ec;
  if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path(), ec);
  std::filesystem::path temporary = output;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
    if (!out.flush()) {
      std::cerr << "gbk_encode: cannot write " << argv[2] << "\n";
      return 1;
    }
  }
  std::filesystem::rename(temporary, output, ec);
  if (ec) {
    std::cerr << "gbk_encode: cannot write " << argv[2] << ": " << ec.message() << "\n";
    std::filesystem::remove(temporary, ec);
    return 1;
  }
  return 0;
}
