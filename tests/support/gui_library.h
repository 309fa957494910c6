#pragma once
// A small library in a temporary run directory for the GUI tests:
//   经部/ 孟子 论语   蒙学/ 深/ 千字文   三字经   序
// Item indexes: 经部 0, 孟子 1, 论语 2, 蒙学 3, 深 4, 千字文 5, 三字经 6, 序 7.

#include <filesystem>

#include <QTemporaryDir>

#include "engine/common/codepage.h"
#include "engine/common/run_directory.h"
#include "engine/common/text.h"
#include "support/temp_folder.h"

namespace lantaro::testing {

struct GuiLibrary {
  TempFolder folder;
  RunDirectory run{path_to_utf8(folder.path() / "run")};

  GuiLibrary() {
    document("经部/论语.txt", u"子曰：学而时习之。");
    document("经部/孟子.txt", u"孟子见梁惠王。");
    document("蒙学/三字经.txt", u"人之初，性本善。");
    document("蒙学/深/千字文.txt", u"天地玄黄，宇宙洪荒。");
    document("序.txt", u"序言");
  }
  std::filesystem::path corpus() const { return folder.path() / "run" / "corpus"; }
  std::filesystem::path document(std::string_view relative, std::u16string_view text) const {
    return folder.file("run/corpus/" + std::string(relative), encode_gbk(text));
  }
};

}  // namespace lantaro::testing
