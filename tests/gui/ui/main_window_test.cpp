// The main window as the program opens it: built from its definition with every feature's
// controller attached to it.

#include "gui/main_window.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/ui/tab_control.h"

using namespace lantaro;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void buildsTheMainWindowWithItsControllers();
  void opensOnceAndKeepsTheResultPagesSwapping();
  void hitGridStaysReadableAtTheMinimumSize();
};

void MainWindowTest::buildsTheMainWindowWithItsControllers() {
  QTemporaryDir run_folder;
  QVERIFY(run_folder.isValid());
  QVERIFY(QDir(run_folder.path()).mkpath(QStringLiteral("corpus")));
  MainWindow main(RunDirectory(run_folder.path().toStdString()));
  ui::DesignedWindow* window = main.window();
  QVERIFY(window);
  QCOMPARE(window->objectName(), QStringLiteral("mainWindow"));
  QCOMPARE(window->id(), ui::WindowId::Main);
  QVERIFY(!window->isVisible());
  // The run directory is the main window's own copy: controllers may keep a reference to it.
  QCOMPARE(main.runDirectory().path(), run_folder.path().toStdString());

  // Every controller whose feature this build has is attached.
#if __has_include("corpus/corpus_controller.h")
  QVERIFY(main.corpus());
#endif
#if __has_include("retrieval/retrieval_controller.h")
  QVERIFY(main.retrieval());
#endif
#if __has_include("extraction/extraction_controller.h")
  QVERIFY(main.extraction());
#endif
#if __has_include("export/export_controller.h")
  QVERIFY(main.exporter());
#endif
#if __has_include("info/info_controller.h")
  QVERIFY(main.info());
#endif
}

void MainWindowTest::opensOnceAndKeepsTheResultPagesSwapping() {
  QTemporaryDir run_folder;
  QVERIFY(QDir(run_folder.path()).mkpath(QStringLiteral("corpus")));
  MainWindow main(RunDirectory(run_folder.path().toStdString()));
  ui::DesignedWindow* window = main.window();
  QSignalSpy created(window, &ui::DesignedWindow::created);
  QSignalSpy resized(window, &ui::DesignedWindow::sizeChanged);
  main.open();
  QVERIFY(window->isVisible());
  QCOMPARE(created.count(), 1);
  QCOMPARE(resized.count(), 1);
  // Whatever the controllers did at start-up, the first page is selected and the hidden box
  // stays hidden when the pages swap.
  auto* tabs = window->control<ui::TabControl>("高级选择夹1");
  QCOMPARE(tabs->currentPage(), 1);
  tabs->setCurrentPage(2);
  QVERIFY(window->control<QWidget>("超级编辑框1")->isVisible());
  QVERIFY(!window->control<QWidget>("列表框1")->isVisible());
  tabs->setCurrentPage(1);
  QVERIFY(window->control<QWidget>("列表框1")->isVisible());
  QVERIFY(!window->control<QWidget>("超级编辑框3")->isVisible());
  QVERIFY(!window->control<QWidget>("外形框1")->isVisible());
}

// A window shrunk to fit a small screen takes the height from the corpus tree rather than from
// the hit grid, which still shows more than three and a half documents.
void MainWindowTest::hitGridStaysReadableAtTheMinimumSize() {
  QTemporaryDir run_folder;
  QVERIFY(QDir(run_folder.path()).mkpath(QStringLiteral("corpus")));
  MainWindow main(RunDirectory(run_folder.path().toStdString()));
  ui::DesignedWindow* window = main.window();
  main.open();
  window->resize(window->minimumSize());
  QCOMPARE(window->size(), window->minimumSize());
  auto* grid = window->control<QTableView>("高级表格1");
  const int room = grid->viewport()->height();
  const int row = grid->verticalHeader()->defaultSectionSize();
  QVERIFY2(room * 2 >= row * 7,
           qPrintable(QStringLiteral("%1 px for rows of %2").arg(room).arg(row)));
  QVERIFY(window->control<QWidget>("树型框1")->height() > room);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
