#pragma once
// The main window: built from its definition, with every feature's controller attached in a
// fixed order (later controllers use earlier ones). Closing it ends the program once no other
// window is open.

#include <memory>

#include "engine/common/run_directory.h"
#include "gui/ui/designed_window.h"

namespace lantaro {

class CorpusController;
class RetrievalController;
class ExtractionController;
class ExportController;
class InfoController;

class MainWindow {
 public:
  explicit MainWindow(RunDirectory run);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  ui::DesignedWindow* window() const { return window_; }
  const RunDirectory& runDirectory() const { return run_; }

  // Raises created, position changed and size changed, then shows the window centred.
  void open();

  CorpusController* corpus() const { return corpus_; }
  RetrievalController* retrieval() const { return retrieval_; }
  ExtractionController* extraction() const { return extraction_; }
  ExportController* exporter() const { return export_; }
  InfoController* info() const { return info_; }

 private:
  RunDirectory run_;  // controllers keep a reference to it: it must outlive them
  ui::DesignedWindow* window_;
  CorpusController* corpus_ = nullptr;
  RetrievalController* retrieval_ = nullptr;
  ExtractionController* extraction_ = nullptr;
  ExportController* export_ = nullptr;
  InfoController* info_ = nullptr;
};

}  // namespace lantaro
