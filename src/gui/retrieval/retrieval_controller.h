#pragma once
// The search bar, the result list, the hit grid, the summary lines, the full-text view with its
// next-hit button, the bottom text panel and the context windows of the main window. The search
// itself runs on worker threads; this side only hands the request over and shows what comes back.

#include <atomic>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QString>

#include "engine/common/run_directory.h"
#include "engine/corpus/document.h"
#include "engine/retrieval/result_list.h"
#include "engine/retrieval/result_order.h"
#include "engine/retrieval/searcher.h"
#include "engine/session/session.h"
#include "gui/ui/window_controls.h"

class QLabel;
class QLineEdit;
class QComboBox;
class QListView;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
template <class T>
class QFutureWatcher;

namespace lantaro {

class CorpusController;
class DocumentView;
class HitGridModel;
class ResultListModel;

namespace ui {
class BalloonTip;
class DesignedWindow;
class TabControl;
}  // namespace ui

inline constexpr int kKeywordHintMsecs = 5000;

class RetrievalController : public QObject {
  Q_OBJECT

 public:
  RetrievalController(ui::DesignedWindow* main, const RunDirectory& run, CorpusController& corpus);
  ~RetrievalController() override;

  // Nullptr before the first search, and while a new search runs.
  const SearchResults* lastSearch() const { return session_.last_search(); }
  // The working session: the last search and the reading of documents.
  Session& session() { return session_; }
  const Session& session() const { return session_; }
  // What the result list shows now: the last search's items or, e.g., extracted sentences.
  const ResultList& shownResults() const;
  void showResults(ResultList list, const QString& status_text);

  // What the buttons and list events do; public so that other features and tests can drive them.
  void search();
  bool searchRunning() const { return watcher_ != nullptr; }
  void showDocument(const Document& document);
  void nextHit();
  void showItemLine(std::size_t index);
  ui::DesignedWindow* openContext(std::size_t index);
  // The result list's context menu: shows the items in that order.
  void sortResults(ResultOrder order);

  ResultListModel* resultModel() const { return list_model_; }
  HitGridModel* gridModel() const { return grid_model_; }
  DocumentView* documentView() const { return view_; }

 signals:
  // A search has ended and its results are on screen.
  void searchFinished();
  // From worker threads: the share of documents searched, in percent.
  void searchProgress(int percent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct RunningSearch;

  void clearResults();
  void clearBottomPanel();
  void finishSearch();
  // New results are read from their first item on the first page.
  void showListFromTop();
  void showOrderChoice(ResultOrder order);

  ui::DesignedWindow* main_;
  CorpusController& corpus_;
  Session session_;
  const ui::MainWindowControls ui_;

  ResultListModel* list_model_;
  HitGridModel* grid_model_;
  DocumentView* view_;

  std::shared_ptr<RunningSearch> running_;
  QFutureWatcher<SearchResults>* watcher_ = nullptr;
};

}  // namespace lantaro
