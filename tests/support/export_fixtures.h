#pragma once
// Shared by the export tests: a small result list and a workbook read back by an independent
// reader (tests/support/read_xlsx.py: zipfile + ElementTree).

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/common/text.h"
#include "engine/retrieval/result_list.h"
#include "support/temp_folder.h"

namespace lantaro::testing {

// Two documents: "论语" with two hits of "子曰", "孟子" with one hit of "王曰".
inline ResultList sample_search_results() {
  ResultList list;
  list.kind = ResultKind::Search;
  list.documents = {
      Document{path_from_utf8("/x/经部/论语.txt").native(), "经部/论语.txt", u"论语"},
      Document{path_from_utf8("/x/经部/孟子.txt").native(), "经部/孟子.txt", u"孟子"}};
  list.texts = {
      std::make_shared<const std::u16string>(u"学而时习之。子曰：不亦说乎？\n子曰：温故而知新。"),
      std::make_shared<const std::u16string>(u"孟子见梁惠王。王曰：叟不远千里而来。")};
  // 子曰 at 6 and at 15 in the first text, 王曰 at 7 in the second.
  list.items = {ResultItem{0, 0, 14, 6, 2}, ResultItem{0, 15, 9, 15, 2},
                ResultItem{1, 0, 18, 7, 2}};
  return list;
}

inline ResultList sample_sentences() {
  ResultList list;
  list.kind = ResultKind::Sentences;
  list.documents = {
      Document{path_from_utf8("/x/史部/史记.txt").native(), "史部/史记.txt", u"史记"}};
  list.texts = {std::make_shared<const std::u16string>(u"“王侯将相宁有种乎！”太史公曰。")};
  list.items = {ResultItem{0, 0, 11, 0, 11}, ResultItem{0, 11, 5, 11, 5}};
  return list;
}

struct ReadCell {
  std::string type;     // "s", "n" or "blank"
  std::string value;    // UTF-8
  std::string borders;  // subset of "tblr", or "-"
  std::string format;   // number format code
};

struct ReadWorkbook {
  bool ok = false;
  std::string error;
  std::vector<std::string> sheets;
  std::vector<std::map<std::string, ReadCell>> cells;  // per sheet, by reference ("A1")
  std::vector<std::map<int, double>> widths;           // per sheet, by 1-based column
};

inline std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      char n = line[++i];
      fields.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

inline bool python_available() { return std::system("python3 -c pass > /dev/null 2>&1") == 0; }

inline ReadWorkbook read_workbook(const std::filesystem::path& xlsx) {
  ReadWorkbook book;
  std::filesystem::path out = xlsx;
  out += ".read.txt";
  std::string command = "python3 '" LANTARO_TEST_SUPPORT_DIR "/read_xlsx.py' '" +
                        path_to_utf8(xlsx) + "' > '" + path_to_utf8(out) + "' 2>&1";
  int rc = std::system(command.c_str());
  std::string text = read_bytes(out);
  std::filesystem::remove(out);
  if (rc != 0) {
    book.error = text;
    return book;
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    auto f = split_tabs(line);
    if (f[0] == "sheet" && f.size() == 3) {
      book.sheets.push_back(f[2]);
      book.cells.emplace_back();
      book.widths.emplace_back();
    } else if (f[0] == "cell" && f.size() == 7) {
      book.cells.at(std::stoul(f[1]))[f[2]] = ReadCell{f[3], f[4], f[5], f[6]};
    } else if (f[0] == "width" && f.size() == 4) {
      book.widths.at(std::stoul(f[1]))[std::stoi(f[2])] = std::stod(f[3]);
    }
  }
  book.ok = true;
  return book;
}

}  // namespace lantaro::testing
