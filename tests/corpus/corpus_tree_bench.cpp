// How long the corpus tree takes for a large library: 1,000 directories of 100 documents each.
// Prints the time of each step in milliseconds; run it by hand or from the bench script.

#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>

#include "corpus/corpus_tree_model.h"
#include "temp_library.h"

namespace {

template <class F>
double milliseconds(F&& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kDirectories = 1000, kDocuments = 100;

  lantaro::testing::TempFolder temp;
  std::filesystem::path corpus = temp.dir("corpus");
  double laying_out = milliseconds([&] {
    for (int d = 0; d < kDirectories; ++d) {
      std::filesystem::path dir = corpus / ("目录" + std::to_string(d));
      std::filesystem::create_directory(dir);
      for (int f = 0; f < kDocuments; ++f)
        std::ofstream(dir / ("文献" + std::to_string(f) + ".txt")) << "x";
    }
  });

  lantaro::LibraryTree tree;
  double scanning = milliseconds([&] { tree = lantaro::scan_library(corpus); });
  lantaro::CorpusTreeModel model;
  double modelling = milliseconds([&] { model.setTree(tree); });
  QTreeView view;
  view.setUniformRowHeights(true);
  view.resize(344, 265);
  double showing = milliseconds([&] {
    view.setModel(&model);
    view.show();
    QCoreApplication::processEvents();
  });
  double rebuilding = milliseconds([&] {
    model.setTree(lantaro::scan_library(corpus));
    QCoreApplication::processEvents();
  });
  double ticking_all = milliseconds([&] {
    for (std::size_t top : model.tree().top_level()) model.setTicked(top, true);
    QCoreApplication::processEvents();
  });
  std::size_t ticked = 0;
  double listing = milliseconds([&] { ticked = model.tickedDocuments().size(); });
  double expanding = milliseconds([&] {
    view.expandAll();
    QCoreApplication::processEvents();
  });

  std::printf("items %zu, documents %zu (writing the library took %.0f ms)\n", tree.size(),
              tree.document_count(), laying_out);
  std::printf("scan_library           %8.1f ms\n", scanning);
  std::printf("model setTree          %8.1f ms\n", modelling);
  std::printf("view shows the model   %8.1f ms\n", showing);
  std::printf("rebuild (scan + model) %8.1f ms\n", rebuilding);
  std::printf("tick every directory   %8.1f ms\n", ticking_all);
  std::printf("ticked documents (%zu) %8.1f ms\n", ticked, listing);
  std::printf("expand all             %8.1f ms\n", expanding);
  return ticked == static_cast<std::size_t>(kDirectories * kDocuments) ? 0 : 1;
}
