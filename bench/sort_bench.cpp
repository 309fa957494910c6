// Sorting a large result list by its left and right contexts, as the result list's context menu
// and `lantaro-cli search --sort` do. The items are real concordance lines: every occurrence of
// a frequent character in the documents of a folder, 20 characters either side, taken round the
// folder again until the list is as long as asked.
//
//   sort_bench --corpus DIR [--keyword K] [--items N] [--repeat R]
//
// Prints "sort N items by ORDER: S s" per order (the best of R runs).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/retrieval/result_order.h"

namespace {

using namespace lantaro;
namespace fs = std::filesystem;

constexpr std::size_t kContext = 20;

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string with_thousands(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string corpus, keyword = "之";
  std::size_t wanted = 1000000;
  int repeat = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--corpus") corpus = value;
    if (name == "--keyword") keyword = value;
    if (name == "--items") wanted = std::strtoull(value.c_str(), nullptr, 10);
    if (name == "--repeat") repeat = std::max(1, std::atoi(value.c_str()));
  }
  if (corpus.empty()) {
    std::cerr << "usage: sort_bench --corpus DIR [--keyword K] [--items N] [--repeat R]\n";
    return 2;
  }
  const std::u16string key = utf8_to_utf16(keyword);

  ResultList list;
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(path_from_utf8(corpus)))
    if (e.is_regular_file() && ascii_lower(path_to_utf8(e.path().extension())) == ".txt")
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    Document d;
    d.path = f;
    d.display_name = utf8_to_utf16(path_to_utf8(f.stem()));
    list.documents.push_back(d);
    list.texts.push_back(std::make_shared<const std::u16string>(decode_document(read_bytes(f))));
  }
  while (list.items.size() < wanted) {
    const std::size_t before = list.items.size();
    for (std::uint32_t doc = 0; doc < list.texts.size() && list.items.size() < wanted; ++doc) {
      const std::u16string& text = *list.texts[doc];
      for (std::size_t at = text.find(key);
           at != std::u16string::npos && list.items.size() < wanted; at = text.find(key, at + 1)) {
        ResultItem item;
        item.document = doc;
        item.start = at > kContext ? at - kContext : 0;
        const std::size_t end = std::min(text.size(), at + key.size() + kContext);
        item.length = end - item.start;
        item.hit_start = at;
        item.hit_length = key.size();
        list.items.push_back(item);
      }
    }
    if (list.items.size() == before) {
      std::cerr << "sort_bench: \"" << keyword << "\" does not occur in " << corpus << "\n";
      return 1;
    }
  }

  for (ResultOrder order : {ResultOrder::Left, ResultOrder::Right}) {
    double best = 1e9;
    std::vector<std::uint32_t> positions;
    for (int k = 0; k < repeat; ++k) {
      const auto t0 = std::chrono::steady_clock::now();
      positions = result_order(list, order);
      const auto t1 = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    std::printf("sort %s items by %s context: %.3f s\n", with_thousands(list.size()).c_str(),
                order == ResultOrder::Left ? "left" : "right", best);
  }
  return 0;
}
