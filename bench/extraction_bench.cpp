// Extraction throughput of the three modes, single-threaded against multi-threaded, on a large
// corpus: either a folder of documents (e.g. the generated benchmark corpus) or a small library
// replicated in memory to SIZE MB. Texts are decoded before timing, as after a search.
//
//   extraction_bench --corpus DIR | --replicate DIR [--mb SIZE] [--threads N] [--repeat R]
//
// Prints one line per mode with MB/s (of document file bytes) for both runs, the speed-up and
// whether both runs gave identical items; exits with 1 when they differ.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/extraction/extractor.h"

namespace {

using namespace lantaro;
namespace fs = std::filesystem;

struct Corpus {
  std::vector<Document> documents;
  std::vector<DocumentText> texts;
  std::size_t file_bytes = 0;
};

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void add_folder(Corpus& corpus, const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && ascii_lower(path_to_utf8(e.path().extension())) == ".txt") {
      files.push_back(e.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    const std::string bytes = read_file(f);
    Document d;
    d.path = f;
    d.relative_path = path_to_utf8(fs::relative(f, root));
    d.display_name = utf8_to_utf16(path_to_utf8(f.stem()));
    corpus.documents.push_back(d);
    corpus.texts.push_back(std::make_shared<const std::u16string>(decode_document(bytes)));
    corpus.file_bytes += bytes.size();
  }
}

// The example library repeated until it holds `megabytes`; copies share nothing, as documents
// read from disk would not.
Corpus replicated_library(const fs::path& library, std::size_t megabytes) {
  Corpus one;
  add_folder(one, library);
  Corpus corpus;
  if (one.file_bytes == 0) return corpus;
  while (corpus.file_bytes < megabytes * 1000000) {
    for (std::size_t i = 0; i < one.documents.size(); ++i) {
      corpus.documents.push_back(one.documents[i]);
      corpus.texts.push_back(std::make_shared<const std::u16string>(*one.texts[i]));
      corpus.file_bytes += fs::file_size(one.documents[i].path);
    }
  }
  return corpus;
}

struct Timed {
  double seconds = 1e300;  // wall clock, best run
  double cpu = 0;          // processor time of all threads in that run
  ExtractionResult result;
};

Timed best_of(const Corpus& corpus, ExtractionMode mode, unsigned threads, int repeat) {
  Timed best;
  for (int r = 0; r < repeat; ++r) {
    ExtractionOptions options;
    options.threads = threads;
    const std::clock_t c0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    ExtractionResult result = extract_sentences(corpus.documents, corpus.texts, mode, options);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double c = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    if (s < best.seconds) {
      best.seconds = s;
      best.cpu = c;
    }
    // Keep only the last result alive: two copies of a large corpus's items are plenty.
    best.result = std::move(result);
  }
  return best;
}

const char* mode_name(ExtractionMode mode) {
  switch (mode) {
    case ExtractionMode::Dialogue: return "dialogue";
    case ExtractionMode::Narrative: return "narrative";
    case ExtractionMode::AllSentences: return "all";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  fs::path corpus_dir;
  fs::path replicate_dir;
  std::size_t megabytes = 200;
  unsigned threads = 0;
  int repeat = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--corpus")
      corpus_dir = path_from_utf8(value);
    else if (name == "--replicate")
      replicate_dir = path_from_utf8(value);
    else if (name == "--mb")
      megabytes = std::stoul(value);
    else if (name == "--threads")
      threads = static_cast<unsigned>(std::stoul(value));
    else if (name == "--repeat")
      repeat = std::max(1, std::stoi(value));
    else {
      std::cerr << "unknown option " << name << "\n";
      return 2;
    }
  }

  Corpus corpus;
  if (!corpus_dir.empty()) {
    add_folder(corpus, corpus_dir);
  } else if (!replicate_dir.empty()) {
    corpus = replicated_library(replicate_dir, megabytes);
  } else {
    std::cerr << "usage: extraction_bench --corpus DIR | --replicate DIR [--mb SIZE] [--threads N]"
                 " [--repeat R]\n";
    return 2;
  }
  if (corpus.file_bytes == 0) {
    std::cerr << "no documents found\n";
    return 1;
  }
  const unsigned workers = resolve_thread_count(threads);
  const double mb = static_cast<double>(corpus.file_bytes) / 1e6;
  std::printf("extraction: %zu documents, %.1f MB of files, %u worker threads, best of %d\n",
              corpus.documents.size(), mb, workers, repeat);
  // Processor time beside wall time: on a busy machine the workers may not get both cores.
  std::printf("%-10s %10s %12s %12s %9s %10s %10s %10s\n", "mode", "items", "single MB/s",
              "multi MB/s", "speed-up", "single cpu", "multi cpu", "identical");

  bool all_identical = true;
  for (ExtractionMode mode :
       {ExtractionMode::Dialogue, ExtractionMode::Narrative, ExtractionMode::AllSentences}) {
    Timed single = best_of(corpus, mode, 1, repeat);
    const Timed multi = best_of(corpus, mode, workers, repeat);
    const bool identical = single.result.list.items == multi.result.list.items &&
                           single.result.report == multi.result.report;
    all_identical = all_identical && identical;
    std::printf("%-10s %10zu %12.1f %12.1f %8.2fx %9.3fs %9.3fs %10s\n", mode_name(mode),
                single.result.list.size(), mb / single.seconds, mb / multi.seconds,
                single.seconds / multi.seconds, single.cpu, multi.cpu, identical ? "yes" : "NO");
  }
  return all_identical ? 0 : 1;
}
