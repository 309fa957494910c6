// How designed windows behave: the opening order of their events, centring, Esc, the tab page
// swap and the way controls follow a resized window.

#include <memory>

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTreeView>
#include <QtTest>

#include "gui/ui/designed_window.h"
#include "gui/ui/picture_button.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/window_builder.h"

using namespace lantaro::ui;

class WindowBehaviourTest : public QObject {
  Q_OBJECT

 private slots:
  void openingRaisesEachEventOnceBeforeShowing();
  void laterMovesAndResizesRaiseTheEventsAgain();
  void opensCentredAtItsOuterSize();
  void placementKeepsWindowsOnSmallScreens();
  void qtDialogsSpeakChinese();
  void secondOpenOnlyRaisesTheWindow();
  void escapeClosesWindows_data();
  void escapeClosesWindows();
  void keysTheControlUsesDoNotClose();
  void tabPagesSwapTheirControls();
  void resizingMainWindowGrowsTheWorkArea();
  void secondaryWindowsKeepTheirBoxesFilling();
};

void WindowBehaviourTest::openingRaisesEachEventOnceBeforeShowing() {
  for (WindowId id : {WindowId::Main, WindowId::ProgramInfo, WindowId::Help}) {
    QPointer<DesignedWindow> window(build_window(id));
    QStringList events;
    auto record = [&events, &window](const char* name) {
      return [&events, &window, name] {
        events << QString::fromLatin1(name) + (window->isVisible() ? "+shown" : "");
      };
    };
    connect(window.data(), &DesignedWindow::created, this, record("created"));
    connect(window.data(), &DesignedWindow::positionChanged, this, record("position"));
    connect(window.data(), &DesignedWindow::sizeChanged, this, record("size"));

    QVERIFY(!window->isOpened());
    window->open();
    QVERIFY(window->isVisible());
    QVERIFY(window->isOpened());
    QTest::qWait(50);
    QCOMPARE(events.mid(0, 3), (QStringList{"created", "position", "size"}));
    // The size is never reported again at start-up. The test platform pushes a window larger
    // than its 800 x 600 screen back into view, which is a real move of a shown window.
    const bool fits_screen =
        window->frameGeometry().size().boundedTo(QSize(800, 600)) == window->frameGeometry().size();
    if (fits_screen) {
      QCOMPARE(events.size(), 3);
    } else {
      QVERIFY(events.size() <= 4);
      if (events.size() == 4) QCOMPARE(events[3], QStringLiteral("position+shown"));
    }
    delete window;
  }
}

void WindowBehaviourTest::laterMovesAndResizesRaiseTheEventsAgain() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Context));
  window->open();
  QCoreApplication::processEvents();
  QSignalSpy moved(window.get(), &DesignedWindow::positionChanged);
  QSignalSpy resized(window.get(), &DesignedWindow::sizeChanged);
  QSignalSpy created(window.get(), &DesignedWindow::created);
  window->resize(window->size() + QSize(40, 30));
  QTRY_COMPARE(resized.count(), 1);
  window->move(window->pos() + QPoint(15, 10));
  QTRY_COMPARE(moved.count(), 1);
  window->showMinimized();
  QTRY_VERIFY(resized.count() >= 2);
  QCOMPARE(created.count(), 0);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
}

void WindowBehaviourTest::opensCentredAtItsOuterSize() {
  for (WindowId id : {WindowId::Main, WindowId::Help, WindowId::Progress}) {
    QPointer<DesignedWindow> window(build_window(id));
    window->open();
    const QSize outer = window_definition(id).outerSize;
    const QRect screen = window->screen()->geometry();
    const QRect centred(QPoint(screen.left() + (screen.width() - outer.width()) / 2,
                               screen.top() + (screen.height() - outer.height()) / 2),
                        outer);
    const QRect available = window->screen()->availableGeometry();
    if (available.contains(centred)) {
      QCOMPARE(window->frameGeometry(), centred);
    } else {
      // The test screen is smaller than these windows: the title bar stays on it.
      QVERIFY(available.contains(window->frameGeometry().topLeft()));
    }
    delete window;
  }
}

void WindowBehaviourTest::placementKeepsWindowsOnSmallScreens() {
  const QRect screen(0, 0, 1366, 768);
  const QRect available(0, 0, 1366, 740);  // a panel at the bottom
  const QSize main(1153, 821);
  // Too high: moved to the top of the available area and shrunk to it, width kept.
  QCOMPARE(window_placement(screen, available, main, true, QSize(1153, 660)),
           QRect(106, 0, 1153, 740));
  // Not resizable: keeps its size, its title bar on the screen.
  QCOMPARE(window_placement(screen, available, main, false), QRect(106, 0, 1153, 821));
  // Never below the minimum size.
  QCOMPARE(
      window_placement(QRect(0, 0, 800, 600), QRect(0, 0, 800, 600), main, true, QSize(1153, 660)),
      QRect(0, 0, 1153, 660));
  // A window that fits is centred on the whole screen, as designed.
  QCOMPARE(window_placement(QRect(0, 0, 1600, 1000), QRect(0, 0, 1600, 970), main, true),
           QRect(223, 89, 1153, 821));
}

void WindowBehaviourTest::qtDialogsSpeakChinese() {
  if (!install_qt_translation())
    QSKIP("Qt's Chinese translation (qt6-translations-l10n) is missing");
  QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Cancel);
  QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
  // The file dialogs' type column, which Qt's translation leaves out.
  QCOMPARE(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("文件夹"));
}

void WindowBehaviourTest::secondOpenOnlyRaisesTheWindow() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  QSignalSpy created(window.get(), &DesignedWindow::created);
  window->open();
  window->showMinimized();
  window->open();
  QCOMPARE(created.count(), 1);
  QTRY_VERIFY(!window->isMinimized());
  QVERIFY(window->isVisible());
}

void WindowBehaviourTest::escapeClosesWindows_data() {
  QTest::addColumn<int>("window");
  QTest::addColumn<QString>("focused");
  QTest::newRow("main, on a button") << int(WindowId::Main) << QStringLiteral("按钮_搜索");
  QTest::newRow("main, in the keyword box")
      << int(WindowId::Main) << QStringLiteral("编辑框_关键词");
  QTest::newRow("main, in the result list") << int(WindowId::Main) << QStringLiteral("列表框1");
  QTest::newRow("main, nothing focused") << int(WindowId::Main) << QString();
  QTest::newRow("context box") << int(WindowId::Context) << QStringLiteral("超级编辑框1");
  QTest::newRow("add corpus, tree") << int(WindowId::AddCorpus) << QStringLiteral("树型框1");
  QTest::newRow("text export box") << int(WindowId::TextExport) << QStringLiteral("编辑框1");
  QTest::newRow("frameless progress window") << int(WindowId::Progress) << QString();
  QTest::newRow("sponsor") << int(WindowId::Sponsor) << QString();
}

void WindowBehaviourTest::escapeClosesWindows() {
  QFETCH(int, window);
  QFETCH(QString, focused);
  const auto id = static_cast<WindowId>(window);
  QPointer<DesignedWindow> built(build_window(id));
  built->open();
  QVERIFY(QTest::qWaitForWindowActive(built));
  QWidget* target = built;
  if (!focused.isEmpty()) {
    target = built->control<QWidget>(focused);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
  }
  QTest::keyClick(target, Qt::Key_Escape);
  if (id == WindowId::Main) {
    QVERIFY(!built->isVisible());
    delete built;
  } else {
    // Secondary windows delete themselves once closed.
    QTRY_VERIFY(built.isNull());
  }
}

void WindowBehaviourTest::keysTheControlUsesDoNotClose() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));
  // A key the focused control uses itself never reaches the window: typing text does not close.
  auto* keyword = window->control<QLineEdit>("编辑框_关键词");
  keyword->setFocus();
  QTest::keyClicks(keyword, "abc");
  QVERIFY(window->isVisible());
  QCOMPARE(keyword->text(), QStringLiteral("abc"));
  // An Esc with a modifier is not the close key.
  QTest::keyClick(keyword, Qt::Key_Escape, Qt::ShiftModifier);
  QVERIFY(window->isVisible());
  // Esc in an open drop-down list closes the list, not the window.
  auto* mode = window->control<QComboBox>("组合框_组合模式");
  mode->showPopup();
  QTRY_VERIFY(mode->view()->isVisible());
  QTest::keyClick(mode->view(), Qt::Key_Escape);
  QTRY_VERIFY(!mode->view()->isVisible());
  QVERIFY(window->isVisible());
}

void WindowBehaviourTest::tabPagesSwapTheirControls() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  auto* tabs = window->control<TabControl>("高级选择夹1");
  auto* list = window->control<QWidget>("列表框1");
  auto* hidden_box = window->control<QWidget>("超级编辑框3");
  auto* view = window->control<QWidget>("超级编辑框1");
  auto* next = window->control<QWidget>("按钮1");
  QSignalSpy changed(tabs, &TabControl::pageChanged);

  QCOMPARE(tabs->currentPage(), 1);
  QVERIFY(list->isVisible());
  QVERIFY(!hidden_box->isVisible());
  QVERIFY(!view->isVisible());
  QVERIFY(!next->isVisible());

  // A click on the second tab, as the user does it.
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  QCOMPARE(tabs->currentPage(), 2);
  QCOMPARE(changed.count(), 1);
  QCOMPARE(changed.at(0).at(0).toInt(), 2);
  QVERIFY(!list->isVisible());
  QVERIFY(!hidden_box->isVisible());
  QVERIFY(view->isVisible());
  QVERIFY(next->isVisible());
  // The next-hit button on the strip stays clickable over the tabs.
  QCOMPARE(tabs->childAt(next->geometry().center()), next);

  tabs->setCurrentPage(1);
  QVERIFY(list->isVisible());
  QVERIFY(!hidden_box->isVisible());  // starts hidden, stays hidden
  QVERIFY(!view->isVisible());

  // A control the program shows later follows its page from then on.
  tabs->setControlShown(hidden_box, true);
  QVERIFY(hidden_box->isVisible());
  tabs->setCurrentPage(2);
  QVERIFY(!hidden_box->isVisible());
  tabs->setCurrentPage(7);  // no such page: nothing changes
  QCOMPARE(tabs->currentPage(), 2);
}

void WindowBehaviourTest::resizingMainWindowGrowsTheWorkArea() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  window->open();
  const WindowDefinition& definition = window_definition(WindowId::Main);
  auto designed = [&](const char* name) {
    return definition.find(QString::fromUtf8(name))->geometry;
  };
  auto actual = [&](const char* name) { return window->control<QWidget>(name)->geometry(); };
  const char* grown[] = {"分组框3", "分组框4",   "分组框5", "高级选择夹1", "列表框1",
                         "树型框1", "高级表格1", "分组框6", "超级编辑框2"};
  // The test screen is smaller than the window, which therefore opened shrunk to fit it.
  window->resize(window->size() - window->growth());
  QTRY_COMPARE(window->growth(), QSize(0, 0));

  // At the design size everything is exactly where it was designed.
  for (const char* name : grown) QCOMPARE(actual(name), designed(name));

  // The designed client size: the outer size less whatever frame the platform reports.
  const QSize client = window->size() - window->growth();
  window->resize(window->size() + QSize(300, 200));
  QTRY_COMPARE(window->growth(), QSize(300, 200));
  for (const char* name : grown) {
    QVERIFY2(actual(name).width() > designed(name).width(), name);
  }
  for (const char* name :
       {"分组框3", "分组框4", "分组框5", "列表框1", "高级选择夹1", "树型框1", "高级表格1"}) {
    QVERIFY2(actual(name).height() > designed(name).height(), name);
  }
  // The work area and bottom panel share the window's width and stay inside it.
  QCOMPARE(actual("分组框3").width(), designed("分组框3").width() + 300);
  QCOMPARE(actual("分组框6").width(), designed("分组框6").width() + 300);
  QVERIFY(window->rect().contains(actual("分组框6")));
  QCOMPARE(actual("分组框6").bottom() - window->height(),
           designed("分组框6").bottom() - client.height());
  QCOMPARE(actual("分组框6").top() - actual("分组框3").bottom(),
           designed("分组框6").top() - designed("分组框3").bottom());
  // The two work-area groups keep their gap and fill the work area.
  QCOMPARE(actual("分组框5").left() - actual("分组框4").right(),
           designed("分组框5").left() - designed("分组框4").right());
  QCOMPARE(actual("分组框3").width() - actual("分组框5").right(),
           designed("分组框3").width() - designed("分组框5").right());
  // The toolbar buttons keep their places; the next-hit button stays at the strip's right end.
  QCOMPARE(actual("超级按钮_更多信息"), designed("超级按钮_更多信息"));
  auto* tabs = window->control<QWidget>("高级选择夹1");
  QCOMPARE(tabs->width() - actual("按钮1").right(), 720 - designed("按钮1").right());
  // The extraction panel stays over the document list and inside the window.
  QCOMPARE(actual("外形框1").left() - actual("分组框5").left(),
           designed("外形框1").left() - designed("分组框5").left());
  QCOMPARE(actual("外形框1").size(), designed("外形框1").size());

  // Back at the design size the layout is exact again.
  window->resize(client);
  QTRY_COMPARE(window->growth(), QSize(0, 0));
  for (const ControlDefinition& d : definition.controls) {
    if (d.nonVisual()) continue;
    QVERIFY2(window->control<QWidget>(d.name)->geometry() == d.geometry, qPrintable(d.name));
  }
}

void WindowBehaviourTest::secondaryWindowsKeepTheirBoxesFilling() {
  QPointer<DesignedWindow> context(build_window(WindowId::Context));
  context->open();
  auto* box = context->control<QWidget>("超级编辑框1");
  const int right_margin = context->width() - box->geometry().right();
  const int bottom_margin = context->height() - box->geometry().bottom();
  context->resize(1200, 900);
  QTRY_COMPARE(context->width(), 1200);
  QCOMPARE(box->geometry().topLeft(), QPoint(16, 16));
  QCOMPARE(context->width() - box->geometry().right(), right_margin);
  QCOMPARE(context->height() - box->geometry().bottom(), bottom_margin);
  delete context;

  // The help window has a fixed frame but a maximize button: maximizing enlarges its box.
  QPointer<DesignedWindow> help(build_window(WindowId::Help));
  help->open();
  auto* text = help->control<QWidget>("编辑框1");
  QCOMPARE(text->geometry(), QRect(8, 8, 568, 560));
  help->showMaximized();
  QTRY_VERIFY(help->width() > 587);
  QCOMPARE(help->width() - help->growth().width() - (8 + 568 - 1),
           help->width() - text->geometry().right());
  delete help;
}

QTEST_MAIN(WindowBehaviourTest)
#include "window_behaviour_test.moc"
