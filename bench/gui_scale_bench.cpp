// How the main window copes with a large library, on the real window and its controllers (run
// offscreen): the corpus tree of 100,000 documents in 1,000 directories, the memory of the
// program with that library open, the result list filled with a million items, a 50 MB
// document shown in the full-text view with its hits marked, and documents of one single line
// (5 MB and the large document's size) shown the same way.
//
//   gui_scale_bench --data DIR --source CORPUS [--directories N] [--documents M] [--big-mb S]
//                   [--only-generate]
//
// DIR receives the generated library (DIR/run/corpus/, 目录NNNN/文献NNN.txt, each document cut
// from the example library CORPUS so that it holds exactly ten "之") and the large document
// (DIR/大文献.txt, outside the library); the single-line documents are DIR/单行NMB.txt (the
// example library with its line breaks left out). All are made once and reused while their
// parameters match. Prints one line per figure:
//   figure=NAME wall_ms=W cpu_ms=C [more key=value pairs]
// where cpu_ms is the processor time of the whole program (all threads) over the same span, and
// freeze_ms the longest time the event loop was held up (the window not answering).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/corpus/library_tree.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/main_window.h"
#include "gui/retrieval/document_view.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/designed_window.h"

namespace {

using namespace lantaro;
namespace fs = std::filesystem;

constexpr char16_t kKeyword = u'之';
constexpr int kHitsPerDocument = 10;

struct Options {
  fs::path data;
  fs::path source;
  int directories = 1000;
  int documents = 100;  // per directory
  int big_mb = 50;
  bool only_generate = false;
};

// ------------------------------------------------------------------------------------------
// Measuring
// ------------------------------------------------------------------------------------------

double cpu_ms() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Span {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = cpu_ms();

  double wall_ms() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall)
        .count();
  }
  double cpu_used() const { return cpu_ms() - cpu; }
};

// "VmRSS VmHWM" of this process in MB.
std::pair<double, double> memory_mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  double rss = 0, hwm = 0;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::atof(line.c_str() + 6) / 1024.0;
    if (line.rfind("VmHWM:", 0) == 0) hwm = std::atof(line.c_str() + 6) / 1024.0;
  }
  return {rss, hwm};
}

void print_memory(const char* when) {
  auto [rss, hwm] = memory_mb();
  std::printf("figure=memory when=%s rss_mb=%.0f hwm_mb=%.0f\n", when, rss, hwm);
  std::fflush(stdout);
}

void print_figure(const char* name, double wall, double cpu, const std::string& extra = {}) {
  std::printf("figure=%s wall_ms=%.0f cpu_ms=%.0f%s%s\n", name, wall, cpu, extra.empty() ? "" : " ",
              extra.c_str());
  std::fflush(stdout);
}

// Counts the paint events a widget receives (only those for which `when` holds, if given).
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget, std::function<bool()> when = {}) : when_(std::move(when)) {
    widget->installEventFilter(this);
  }
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && (!when_ || when_())) ++count_;
    return false;
  }

 private:
  std::function<bool()> when_;
  int count_ = 0;
};

// Runs `action` from the event loop, then keeps the loop running until `done` holds. A timer
// ticking every few milliseconds measures the longest stretch in which the loop could not run:
// that is how long the window would not have answered the user.
struct Outcome {
  double wall = 0, cpu = 0, freeze = 0;
  bool finished = false;
};

Outcome run_in_event_loop(const std::function<void()>& action, const std::function<bool()>& done,
                          int timeout_ms = 120000) {
  Outcome out;
  QElapsedTimer since_tick;
  double longest = 0;
  QTimer heartbeat;
  heartbeat.setInterval(2);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    longest = std::max(longest, static_cast<double>(since_tick.nsecsElapsed()) / 1e6);
    since_tick.restart();
  });
  bool acted = false;
  Span span;
  since_tick.start();
  heartbeat.start();
  QTimer::singleShot(0, [&] {
    action();
    acted = true;
  });
  QElapsedTimer limit;
  limit.start();
  // Waits for events rather than spinning: the heartbeat wakes the loop often enough, and a
  // spinning loop would take a core from the search workers and inflate the processor time.
  while (!(acted && done()) && limit.elapsed() < timeout_ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  out.wall = span.wall_ms();
  out.cpu = span.cpu_used();
  heartbeat.stop();
  longest = std::max(longest, static_cast<double>(since_tick.nsecsElapsed()) / 1e6);
  out.freeze = longest;
  out.finished = acted && done();
  return out;
}

std::string freeze_text(const Outcome& o) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "freeze_ms=%.0f", o.freeze);
  return buffer;
}

// Repaints a scroll area at `count` positions of its vertical scroll bar (random jumps, or page
// after page): average and longest wall time and average processor time per step (scroll bar
// move, layout and paint), in ms.
struct Scrolling {
  double avg = 0, max = 0, cpu_avg = 0;
};

Scrolling scroll_through(QAbstractScrollArea* area, int count, bool paging) {
  QScrollBar* bar = area->verticalScrollBar();
  double total = 0, worst = 0;
  const double cpu_start = cpu_ms();
  unsigned seed = 12345;
  for (int i = 0; i < count; ++i) {
    Span step;
    if (paging) {
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    } else {
      seed = seed * 1103515245u + 12345u;
      const auto max = static_cast<unsigned>(std::max(bar->maximum(), 1));
      bar->setValue(static_cast<int>((seed >> 8) % max));
    }
    area->viewport()->repaint();
    QCoreApplication::processEvents();
    const double ms = step.wall_ms();
    total += ms;
    worst = std::max(worst, ms);
  }
  return {total / count, worst, (cpu_ms() - cpu_start) / count};
}

std::string scrolling_text(const Scrolling& jumps, const Scrolling& pages) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer,
                "jump_avg_ms=%.2f jump_max_ms=%.2f jump_cpu_ms=%.2f page_avg_ms=%.2f "
                "page_max_ms=%.2f page_cpu_ms=%.2f",
                jumps.avg, jumps.max, jumps.cpu_avg, pages.avg, pages.max, pages.cpu_avg);
  return buffer;
}

// ------------------------------------------------------------------------------------------
// The generated library
// ------------------------------------------------------------------------------------------

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every document of the example library, one after the other.
std::u16string text_pool(const fs::path& source) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(source))
    if (entry.is_regular_file() && ascii_lower(path_to_utf8(entry.path().extension())) == ".txt")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::u16string pool;
  for (const auto& file : files) {
    pool += decode_document(read_file(file));
    pool += u"\r\n";
  }
  return pool;
}

bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A stretch of the pool starting near `start` that holds exactly ten keywords: it ends just
// before the eleventh.
std::u16string document_text(const std::u16string& pool, std::size_t start) {
  std::size_t at = start % pool.size();
  if (is_low_surrogate(pool[at])) at = (at + 1) % pool.size();
  std::u16string out;
  int seen = 0;
  while (true) {
    char16_t c = pool[at];
    if (c == kKeyword && ++seen > kHitsPerDocument) break;
    out += c;
    at = (at + 1) % pool.size();
  }
  if (!out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) out.pop_back();
  return out;
}

std::string parameters_of(const Options& o) {
  return "directories=" + std::to_string(o.directories) +
         " documents=" + std::to_string(o.documents) + " big_mb=" + std::to_string(o.big_mb) +
         " hits=" + std::to_string(kHitsPerDocument) + " big_starts_at_hit\n";
}

fs::path run_folder(const Options& o) { return o.data / "run"; }
fs::path big_document(const Options& o) { return o.data / u8"大文献.txt"; }
fs::path single_line_document(const Options& o, int mb) {
  return o.data / path_from_utf8("单行" + std::to_string(mb) + "MB.txt");
}
std::vector<int> single_line_sizes(const Options& o) {
  return o.big_mb == 5 ? std::vector<int>{5} : std::vector<int>{5, o.big_mb};
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path_to_utf8(path).c_str());
    std::exit(1);
  }
}

void generate(const Options& o) {
  const fs::path marker = o.data / "library-parameters.txt";
  if (fs::exists(marker) && read_file(marker) == parameters_of(o)) return;
  Span span;
  std::fprintf(stderr, "generating %d documents in %d directories and a %d MB document in %s\n",
               o.directories * o.documents, o.directories, o.big_mb, path_to_utf8(o.data).c_str());
  const std::u16string pool = text_pool(o.source);
  if (pool.find(kKeyword) == std::u16string::npos) {
    std::fprintf(stderr, "the example library holds no keyword to search for\n");
    std::exit(1);
  }
  fs::remove(marker);
  fs::remove_all(run_folder(o));
  const fs::path corpus = run_folder(o) / "corpus";
  fs::create_directories(corpus);
  fs::create_directories(run_folder(o) / "ini");
  std::size_t start = 0;
  for (int d = 0; d < o.directories; ++d) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d", d);
    const fs::path dir = corpus / path_from_utf8(std::string("目录") + name);
    fs::create_directory(dir);
    for (int f = 0; f < o.documents; ++f) {
      std::snprintf(name, sizeof name, "%03d", f);
      const std::u16string text = document_text(pool, start);
      // Documents start at scattered places so that neighbours differ.
      start += text.size() + 7919;
      write_file(dir / path_from_utf8(std::string("文献") + name + ".txt"), encode_gbk(text));
    }
  }
  // The large document opens on a line with the keyword, so that marked hits are on screen.
  std::size_t first = pool.find(kKeyword);
  first = pool.find_last_of(u'\n', first);
  const std::string pool_bytes =
      encode_gbk(pool.substr(first == std::u16string::npos ? 0 : first + 1));
  std::string big;
  const std::size_t want = static_cast<std::size_t>(o.big_mb) * 1000 * 1000;
  big.reserve(want + pool_bytes.size());
  while (big.size() < want) big += pool_bytes;
  write_file(big_document(o), big);
  write_file(marker, parameters_of(o));
  std::fprintf(stderr, "generated in %.1f s\n", span.wall_ms() / 1000);
}

// The example library as one line, from the line of its first keyword on, repeated to `mb` MB.
void generate_single_line(const Options& o, int mb) {
  const fs::path path = single_line_document(o, mb);
  if (fs::exists(path)) return;
  const std::u16string pool = text_pool(o.source);
  std::size_t first = pool.find_last_of(u'\n', pool.find(kKeyword));
  std::u16string line;
  for (std::size_t i = first == std::u16string::npos ? 0 : first + 1; i < pool.size(); ++i)
    if (pool[i] != u'\r' && pool[i] != u'\n') line += pool[i];
  // As many characters as make `mb` MB at the library's bytes per character.
  const double bytes_per_char =
      static_cast<double>(encode_gbk(line).size()) / static_cast<double>(line.size());
  const auto chars = static_cast<std::size_t>(static_cast<double>(mb) * 1e6 / bytes_per_char);
  std::u16string text;
  text.reserve(chars + line.size());
  while (text.size() < chars) text += line;
  text.resize(chars);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
  write_file(path, encode_gbk(text));
}

// ------------------------------------------------------------------------------------------
// The figures
// ------------------------------------------------------------------------------------------

template <class T>
T* control(MainWindow& main, const char* name) {
  T* widget = main.window()->control<T>(QString::fromUtf8(name));
  if (!widget) {
    std::fprintf(stderr, "the main window has no control %s\n", name);
    std::exit(1);
  }
  return widget;
}

// Steps of the corpus tree on their own (without the window), for orientation.
void tree_steps(const Options& o) {
  const fs::path corpus = run_folder(o) / "corpus";
  LibraryTree tree;
  Span scan;
  tree = scan_library(corpus);
  print_figure("tree_scan", scan.wall_ms(), scan.cpu_used(),
               "documents=" + std::to_string(tree.document_count()));
  CorpusTreeModel model;
  Span modelling;
  model.setTree(std::move(tree));
  print_figure("tree_model", modelling.wall_ms(), modelling.cpu_used());
}

int run(const Options& o) {
  tree_steps(o);

  // Opening the main window builds the corpus tree; done when the tree has been painted.
  std::unique_ptr<MainWindow> main;
  std::unique_ptr<PaintCounter> tree_paints;
  QTreeView* tree = nullptr;
  Outcome opening = run_in_event_loop(
      [&] {
        main = std::make_unique<MainWindow>(RunDirectory(path_to_utf8(run_folder(o))));
        tree = control<QTreeView>(*main, "树型框1");
        tree_paints = std::make_unique<PaintCounter>(tree->viewport());
        main->open();
      },
      [&] { return tree_paints && tree_paints->count() > 0; });
  CorpusController* corpus = main ? main->corpus() : nullptr;
  RetrievalController* retrieval = main ? main->retrieval() : nullptr;
  if (!opening.finished || !corpus || !retrieval) {
    std::fprintf(stderr, "the main window did not open with its corpus tree and result list\n");
    return 1;
  }
  const std::size_t documents = corpus->model()->tree().document_count();
  print_figure("tree_open", opening.wall, opening.cpu,
               "documents=" + std::to_string(documents) + " " + freeze_text(opening));
  print_memory("library_open");

  // What the refresh button does; the window waits for it.
  auto* refresh = control<QAbstractButton>(*main, "超级按钮_刷新文献");
  int paints = tree_paints->count();
  Outcome refreshing =
      run_in_event_loop([&] { refresh->click(); }, [&] { return tree_paints->count() > paints; });
  print_figure("tree_refresh", refreshing.wall, refreshing.cpu, freeze_text(refreshing));

  CorpusTreeModel* model = corpus->model();
  Span ticking;
  for (std::size_t top : model->tree().top_level()) model->setTicked(top, true);
  QCoreApplication::processEvents();
  print_figure("tree_tick_all", ticking.wall_ms(), ticking.cpu_used());
  Span listing;
  const std::size_t ticked = corpus->tickedDocuments().size();
  print_figure("tree_ticked_documents", listing.wall_ms(), listing.cpu_used(),
               "documents=" + std::to_string(ticked));
  Outcome expanding = run_in_event_loop([&] { tree->expandAll(); }, [&] { return true; });
  print_figure("tree_expand_all", expanding.wall, expanding.cpu, freeze_text(expanding));
  const Scrolling tree_jumps = scroll_through(tree, 200, false);
  const Scrolling tree_pages = scroll_through(tree, 200, true);
  print_figure("tree_scroll", (tree_jumps.avg + tree_pages.avg) * 200,
               (tree_jumps.cpu_avg + tree_pages.cpu_avg) * 200,
               scrolling_text(tree_jumps, tree_pages));
  if (ticked != documents) {
    std::fprintf(stderr, "ticking every directory ticked %zu of %zu documents\n", ticked,
                 documents);
    return 1;
  }

  // A search for the keyword over every document. "Search end" is the moment the search's
  // result reaches the UI thread (the watcher's call-out event), the list shown is the first
  // paint of the list after the search finished.
  auto* list = control<QListView>(*main, "列表框1");
  PaintCounter list_paints(list->viewport());
  control<QLineEdit>(*main, "编辑框_关键词")->setText(QString(QChar(kKeyword)));
  struct CallOutClock : QObject {
    QElapsedTimer last;
    double cpu_at_last = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::FutureCallOut) {
        last.start();
        cpu_at_last = cpu_ms();
      }
      return false;
    }
  } callouts;
  bool finished = false;
  int paints_at_finish = 0;
  QObject::connect(retrieval, &RetrievalController::searchFinished, [&] {
    finished = true;
    paints_at_finish = list_paints.count();
  });
  Outcome searching = run_in_event_loop(
      [&] {
        retrieval->search();
        for (QObject* child : retrieval->children())
          if (child->inherits("QFutureWatcherBase")) child->installEventFilter(&callouts);
      },
      [&] { return finished && list_paints.count() > paints_at_finish; });
  const double search_end_to_shown =
      callouts.last.isValid() ? static_cast<double>(callouts.last.nsecsElapsed()) / 1e6 : -1;
  const double search_end_to_shown_cpu = cpu_ms() - callouts.cpu_at_last;
  const std::size_t items = retrieval->shownResults().size();
  print_figure("search_all", searching.wall, searching.cpu,
               "items=" + std::to_string(items) + " " + freeze_text(searching));
  print_figure("list_after_search", search_end_to_shown, search_end_to_shown_cpu,
               "items=" + std::to_string(items));
  print_memory("after_search");

  // The same list once more through the result list's own entry point, timed on its own.
  ResultList copy = retrieval->shownResults();
  int before = list_paints.count();
  Outcome filling =
      run_in_event_loop([&] { retrieval->showResults(std::move(copy), QStringLiteral("")); },
                        [&] { return list_paints.count() > before; });
  print_figure(
      "list_fill", filling.wall, filling.cpu,
      "items=" + std::to_string(retrieval->shownResults().size()) + " " + freeze_text(filling));
  const Scrolling list_jumps = scroll_through(list, 200, false);
  const Scrolling list_pages = scroll_through(list, 200, true);
  print_figure("list_scroll", (list_jumps.avg + list_pages.avg) * 200,
               (list_jumps.cpu_avg + list_pages.cpu_avg) * 200,
               scrolling_text(list_jumps, list_pages));
  char extra[160];
  if (items != static_cast<std::size_t>(o.directories) * o.documents * kHitsPerDocument) {
    std::fprintf(stderr, "the search gave %zu items, not one per keyword\n", items);
    return 1;
  }

  // The large document, shown with the hits of the last search; done when its hits near the
  // top are marked and painted.
  auto* full_text = control<QPlainTextEdit>(*main, "超级编辑框1");
  DocumentView* view = retrieval->documentView();
  bool showing_big = false;
  // Paints of the large document that draw marked hits.
  PaintCounter marked_paints(full_text->viewport(),
                             [&] { return showing_big && view->markedCount() > 0; });
  Document big{big_document(o), path_to_utf8(big_document(o).filename()), u"大文献"};
  Outcome showing = run_in_event_loop(
      [&] {
        showing_big = true;
        retrieval->showDocument(big);
      },
      [&] { return marked_paints.count() > 0; });
  const double big_mb = static_cast<double>(fs::file_size(big.path)) / 1e6;
  std::snprintf(extra, sizeof extra, "mb=%.1f hits=%zu %s", big_mb, view->hits().size(),
                freeze_text(showing).c_str());
  print_figure("document_show", showing.wall, showing.cpu, extra);
  print_memory("document_open");
  if (!showing.finished || view->hits().empty()) {
    std::fprintf(stderr, "the large document was not shown with its hits marked\n");
    return 1;
  }

  Span stepping;
  std::size_t stepped = 0;
  for (int i = 0; i < 200; ++i) {
    retrieval->nextHit();
    full_text->viewport()->repaint();
    QCoreApplication::processEvents();
    if (view->selection() == view->hits()[static_cast<std::size_t>(i)]) ++stepped;
  }
  print_figure("document_next_hit", stepping.wall_ms(), stepping.cpu_used(),
               "steps=200 right=" + std::to_string(stepped));
  const Scrolling doc_jumps = scroll_through(full_text, 200, false);
  const Scrolling doc_pages = scroll_through(full_text, 200, true);
  print_figure("document_scroll", (doc_jumps.avg + doc_pages.avg) * 200,
               (doc_jumps.cpu_avg + doc_pages.cpu_avg) * 200, scrolling_text(doc_jumps, doc_pages));
  // The last hit of the document, reached from a caret just before it.
  Span last_hit;
  QTextCursor caret(full_text->document());
  caret.setPosition(static_cast<int>(view->map().toView(view->hits().back().start)));
  full_text->setTextCursor(caret);
  auto reached = view->selectNextHit();
  full_text->viewport()->repaint();
  QCoreApplication::processEvents();
  print_figure("document_last_hit", last_hit.wall_ms(), last_hit.cpu_used(),
               std::string("right=") + (reached && *reached == view->hits().back() ? "1" : "0"));
  bool all_right = stepped == 200 && reached;

  // Documents of one single line: shown with hits marked, stepped through, scrolled.
  for (int mb : single_line_sizes(o)) {
    const std::string name = "single_line_" + std::to_string(mb) + "mb";
    auto figure = [&](const char* what) { return name + "_" + what; };
    const fs::path path = single_line_document(o, mb);
    Document line_document{path, path_to_utf8(path.filename()), u"单行"};
    bool showing_line = false;
    PaintCounter line_paints(full_text->viewport(),
                             [&] { return showing_line && view->markedCount() > 0; });
    Outcome shown = run_in_event_loop(
        [&] {
          showing_line = true;
          retrieval->showDocument(line_document);
        },
        [&] { return line_paints.count() > 0; });
    std::snprintf(extra, sizeof extra, "mb=%.1f hits=%zu blocks=%d %s",
                  static_cast<double>(fs::file_size(path)) / 1e6, view->hits().size(),
                  full_text->document()->blockCount(), freeze_text(shown).c_str());
    print_figure(figure("show").c_str(), shown.wall, shown.cpu, extra);
    if (!shown.finished || view->hits().size() < 200) {
      std::fprintf(stderr, "the single-line document was not shown with its hits marked\n");
      return 1;
    }
    Span steps;
    std::size_t right = 0;
    for (std::size_t i = 0; i < 200; ++i) {
      retrieval->nextHit();
      full_text->viewport()->repaint();
      QCoreApplication::processEvents();
      if (view->selection() == view->hits()[i]) ++right;
    }
    print_figure(figure("next_hit").c_str(), steps.wall_ms(), steps.cpu_used(),
                 "steps=200 right=" + std::to_string(right));
    const Scrolling jumps = scroll_through(full_text, 200, false);
    const Scrolling pages = scroll_through(full_text, 200, true);
    print_figure(figure("scroll").c_str(), (jumps.avg + pages.avg) * 200,
                 (jumps.cpu_avg + pages.cpu_avg) * 200, scrolling_text(jumps, pages));
    Span to_last;
    QTextCursor before_last(full_text->document());
    before_last.setPosition(static_cast<int>(view->map().toView(view->hits().back().start)));
    full_text->setTextCursor(before_last);
    auto last = view->selectNextHit();
    full_text->viewport()->repaint();
    QCoreApplication::processEvents();
    const bool last_right = last && *last == view->hits().back();
    print_figure(figure("last_hit").c_str(), to_last.wall_ms(), to_last.cpu_used(),
                 std::string("right=") + (last_right ? "1" : "0"));
    all_right = all_right && right == 200 && last_right;
  }
  print_memory("end");
  return all_right ? 0 : 1;
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--data")
      o.data = path_from_utf8(value());
    else if (arg == "--source")
      o.source = path_from_utf8(value());
    else if (arg == "--directories")
      o.directories = std::atoi(value().c_str());
    else if (arg == "--documents")
      o.documents = std::atoi(value().c_str());
    else if (arg == "--big-mb")
      o.big_mb = std::atoi(value().c_str());
    else if (arg == "--only-generate")
      o.only_generate = true;
    else
      return false;
  }
  return !o.data.empty() && !o.source.empty() && o.directories > 0 && o.documents > 0 &&
         o.big_mb > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: gui_scale_bench --data DIR --source CORPUS [--directories N] "
                 "[--documents M] [--big-mb S] [--only-generate]\n");
    return 2;
  }
  generate(options);
  for (int mb : single_line_sizes(options)) generate_single_line(options, mb);
  if (options.only_generate) return 0;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return run(options);
}
