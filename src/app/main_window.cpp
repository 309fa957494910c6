#include "app/main_window.h"

#include "ui/window_builder.h"

#if __has_include("corpus/corpus_controller.h")
#include "corpus/corpus_controller.h"
#define LANTARO_HAS_CORPUS 1
#endif
#if __has_include("retrieval/retrieval_controller.h") && defined(LANTARO_HAS_CORPUS)
#include "retrieval/retrieval_controller.h"
#define LANTARO_HAS_RETRIEVAL 1
#endif
#if __has_include("extraction/extraction_controller.h") && defined(LANTARO_HAS_RETRIEVAL)
#include "extraction/extraction_controller.h"
#define LANTARO_HAS_EXTRACTION 1
#endif
#if __has_include("export/export_controller.h") && defined(LANTARO_HAS_RETRIEVAL)
#include "export/export_controller.h"
#define LANTARO_HAS_EXPORT 1
#endif
#if __has_include("info/info_controller.h")
#include "info/info_controller.h"
#define LANTARO_HAS_INFO 1
#endif

namespace lantaro {
namespace {

// Controllers are parented to the window; one that did not parent itself is adopted so that it
// lives exactly as long as the window.
template <class T>
T* adopt(T* controller, ui::DesignedWindow* window) {
  if (!controller->parent()) controller->setParent(window);
  return controller;
}

}  // namespace

MainWindow::MainWindow(RunDirectory run)
    : run_(std::move(run)), window_(ui::build_window(ui::WindowId::Main)) {
#ifdef LANTARO_HAS_CORPUS
  corpus_ = adopt(new CorpusController(window_, run_), window_);
#endif
#ifdef LANTARO_HAS_RETRIEVAL
  retrieval_ = adopt(new RetrievalController(window_, run_, *corpus_), window_);
#endif
#ifdef LANTARO_HAS_EXTRACTION
  extraction_ = adopt(new ExtractionController(window_, *retrieval_), window_);
#endif
#ifdef LANTARO_HAS_EXPORT
  export_ = adopt(new ExportController(window_, run_, *retrieval_), window_);
#endif
#ifdef LANTARO_HAS_INFO
  info_ = adopt(new InfoController(window_, run_), window_);
#endif
}

MainWindow::~MainWindow() { delete window_; }

void MainWindow::open() { window_->open(); }

}  // namespace lantaro
