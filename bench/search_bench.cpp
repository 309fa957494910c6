// Search throughput on a large library: cold (nothing decoded yet: read, decode, match) and warm
// (every text already in the document store: only match and build the result items), for the
// requests given on the command line.
//
//   lantaro-bench-search --corpus DIR [--repeat R] [--threads N] REQUEST...
//
// REQUEST is "KEYWORD" or "K1 K2@N" (exact gap) or "K1 K2~N" (second word within range).
// Prints one line per request and phase, "key=value" separated by spaces, in MB/s of document
// file bytes, then the peak resident memory when the system tells it. scripts/bench.sh reads
// these lines.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/common/text.h"
#include "engine/corpus/library_tree.h"
#include "engine/retrieval/document_store.h"
#include "engine/retrieval/searcher.h"

namespace {

using namespace lantaro;
using Clock = std::chrono::steady_clock;

struct BenchRequest {
  std::string label;
  SearchRequest request;
};

std::optional<BenchRequest> parse_request(const std::string& text) {
  BenchRequest r;
  r.label = text;
  std::u16string t = utf8_to_utf16(text);
  std::size_t space = t.find(u' ');
  if (space == std::u16string::npos) {
    r.request.first_keyword = t;
    return r;
  }
  std::size_t mark = t.find_first_of(u"@~", space);
  if (mark == std::u16string::npos) return std::nullopt;
  r.request.first_keyword = t.substr(0, space);
  r.request.second_keyword = t.substr(space + 1, mark - space - 1);
  r.request.mode = t[mark] == u'@' ? CombinationMode::ExactGap : CombinationMode::WithinRange;
  r.request.n = std::stoul(utf16_to_utf8(t.substr(mark + 1)));
  return r;
}

// Peak resident set in bytes, from the kernel's own record (Linux); 0 elsewhere.
std::size_t peak_resident_bytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
  return 0;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of the whole process (all threads): on a busy machine it shows the work done
// when the wall clock mostly shows the wait for a core.
double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void report(const std::string& phase, const BenchRequest& r, double seconds, double cpu,
            std::uintmax_t bytes, const SearchResults& results) {
  std::cout << "phase=" << phase << " request=\"" << r.label << "\" seconds=" << seconds
            << " cpu_seconds=" << cpu << " mbps=" << (static_cast<double>(bytes) / 1e6) / seconds
            << " documents=" << results.searched << " hits=" << results.total_hits()
            << " unreadable=" << results.unreadable.size() << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path corpus;
  int repeat = 3;
  unsigned threads = 0;
  std::vector<BenchRequest> requests;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--corpus" && i + 1 < argc) {
      corpus = path_from_utf8(argv[++i]);
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::stoi(argv[++i]));
    } else if (arg == "--threads" && i + 1 < argc) {
      threads = static_cast<unsigned>(std::stoul(argv[++i]));
    } else if (auto r = parse_request(arg)) {
      requests.push_back(*r);
    } else {
      std::cerr << "bad argument: " << arg << "\n";
      return 2;
    }
  }
  if (corpus.empty() || requests.empty()) {
    std::cerr << "usage: lantaro-bench-search --corpus DIR [--repeat R] [--threads N] REQUEST...\n";
    return 2;
  }

  const LibraryTree tree = scan_library(corpus);
  std::vector<Document> documents;
  std::uintmax_t bytes = 0;
  for (std::size_t i = 0; i < tree.size(); ++i) {
    if (tree[i].is_directory) continue;
    documents.push_back(tree.document(i));
    bytes += std::filesystem::file_size(documents.back().path);
  }
  std::cout << "corpus documents=" << documents.size() << " bytes=" << bytes << std::endl;

  SearchOptions options;
  options.threads = threads;
  for (const BenchRequest& r : requests) {
    DocumentStore store;  // empty: the first search reads and decodes everything
    // The front ends hand their freshly made list over to the search, so the bench does too; the
    // list is copied before the clock starts.
    std::vector<Document> list = documents;
    auto start = Clock::now();
    double cpu_start = cpu_seconds();
    SearchResults cold = search_documents(std::move(list), r.request, store, options);
    report("cold", r, seconds_since(start), cpu_seconds() - cpu_start, bytes, cold);
    cold = {};

    double best = 0, best_cpu = 0;
    SearchResults warm;
    for (int k = 0; k < repeat; ++k) {
      warm = {};
      list = documents;
      start = Clock::now();
      cpu_start = cpu_seconds();
      warm = search_documents(std::move(list), r.request, store, options);
      double s = seconds_since(start), c = cpu_seconds() - cpu_start;
      if (k == 0 || s < best) best = s;
      if (k == 0 || c < best_cpu) best_cpu = c;
    }
    report("warm", r, best, best_cpu, bytes, warm);
    std::cout << "cache bytes=" << store.cached_bytes() << std::endl;
  }
  std::cout << "peak_rss bytes=" << peak_resident_bytes() << std::endl;
  return 0;
}
