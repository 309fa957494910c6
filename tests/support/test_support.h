#pragma once
// Small documents written in the corpus code page, in a temporary folder.

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/corpus/document.h"
#include "support/temp_folder.h"

namespace lantaro::testing {

// Writes `text` as GBK and returns the document as the library would describe it.
inline Document write_gbk_document(const TempFolder& folder, std::string_view relative_utf8,
                                   std::u16string_view text) {
  const std::filesystem::path path = folder / relative_utf8;
  Document d;
  d.path = path;
  d.relative_path = std::string(relative_utf8);
  write_bytes(path, encode_gbk(text));
  std::u16string name = path.filename().u16string();
  d.display_name = name.substr(0, name.size() - 4);
  return d;
}

}  // namespace lantaro::testing
