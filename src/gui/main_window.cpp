#include "gui/main_window.h"

#include "gui/corpus/corpus_controller.h"
#include "gui/export/export_controller.h"
#include "gui/extraction/extraction_controller.h"
#include "gui/info/info_controller.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/window_builder.h"

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
  corpus_ = adopt(new CorpusController(window_, run_), window_);
  retrieval_ = adopt(new RetrievalController(window_, run_, *corpus_), window_);
  extraction_ = adopt(new ExtractionController(window_, *retrieval_), window_);
  export_ = adopt(new ExportController(window_, *retrieval_), window_);
  info_ = adopt(new InfoController(window_, run_), window_);
}

MainWindow::~MainWindow() { delete window_; }

void MainWindow::open() { window_->open(); }

}  // namespace lantaro
