// The corpus tree of the main window: model, placeholders, events and ticks.

#include <memory>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeView>

#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/window_builder.h"
#include "support/gui_library.h"

using lantaro::CorpusController;
using lantaro::CorpusTreeModel;
using lantaro::testing::GuiLibrary;

namespace {

QStringList relative_paths(const std::vector<lantaro::Document>& documents) {
  QStringList paths;
  for (const auto& d : documents) paths << QString::fromStdString(d.relative_path);
  return paths;
}

}  // namespace

class CorpusTreeTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiLibrary> library;
  std::unique_ptr<lantaro::ui::DesignedWindow> main;
  CorpusController* controller = nullptr;
  QTreeView* view = nullptr;
  QStringList events;

  QModelIndex item(std::size_t index) const { return controller->model()->indexOfItem(index); }
  void clickBox(std::size_t index) {
    view->scrollTo(item(index));
    QRect box = lantaro::corpus_check_box_rect(view, item(index));
    QVERIFY(box.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
  }
  void clickLabel(std::size_t index, Qt::MouseButton button = Qt::LeftButton) {
    view->scrollTo(item(index));
    QRect rect = view->visualRect(item(index));
    QTest::mouseClick(view->viewport(), button, {}, QPoint(rect.right() - 4, rect.center().y()));
  }
  // The whole sequence a real double click delivers.
  void doubleClick(QPoint at) {
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
  }
  QPoint onLabel(std::size_t index) const {
    QRect rect = view->visualRect(item(index));
    return QPoint(rect.right() - 4, rect.center().y());
  }
  // Lets queued events (check changed) arrive and input causes expire.
  static void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }

 private slots:
  void init() {
    library = std::make_unique<GuiLibrary>();
    main.reset(lantaro::ui::build_window(lantaro::ui::WindowId::Main));
    controller = new CorpusController(main.get(), library->run);
    view = controller->view();
    events.clear();
    connect(controller, &CorpusController::selectionChangedWithCause, this,
            [this](int i, int cause) {
              events << QStringLiteral("select %1 cause %2").arg(i).arg(cause);
            });
    connect(controller, &CorpusController::checkChanged, this, [this](int i, int state) {
      events << QStringLiteral("check %1 state %2").arg(i).arg(state);
    });
    main->open();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    view->expandAll();
    settle();
    events.clear();
  }
  void cleanup() {
    main.reset();
    library.reset();
  }

  void modelPassesTheModelTester() {
    CorpusTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setTree(lantaro::scan_library(library->corpus()));
    QCOMPARE(model.rowCount(), 3);
    model.setData(model.indexOfItem(3), Qt::Checked, Qt::CheckStateRole);
    model.setTree(lantaro::scan_library(std::filesystem::path(LANTARO_SOURCE_DIR) / "corpus"));
    QVERIFY(model.rowCount() > 0);
    model.setTree({});
    QCOMPARE(model.rowCount(), 0);
  }

  void placeholdersExistOnlyUntilTheFirstBuild() {
    std::unique_ptr<lantaro::ui::DesignedWindow> fresh(
        lantaro::ui::build_window(lantaro::ui::WindowId::Main));
    auto* tree = fresh->control<QTreeView>(QStringLiteral("树型框1"));
    QAbstractItemModel* designed = tree->model();
    QCOMPARE(designed->rowCount(), 1);
    QModelIndex top = designed->index(0, 0);
    QCOMPARE(top.data().toString(), QStringLiteral("项目1"));
    QCOMPARE(designed->rowCount(top), 2);
    QCOMPARE(designed->index(0, 0, top).data().toString(), QStringLiteral("子项目1"));
    QCOMPARE(designed->index(1, 0, top).data().toString(), QStringLiteral("子项目2"));
    QCOMPARE(top.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(tree->currentIndex(), top);

    CorpusController built(fresh.get(), library->run);
    QCOMPARE(tree->model(), static_cast<QAbstractItemModel*>(built.model()));
    QStringList labels;
    for (int r = 0; r < tree->model()->rowCount(); ++r)
      labels << tree->model()->index(r, 0).data().toString();
    QCOMPARE(labels, (QStringList{"经部", "蒙学", "序"}));
    QVERIFY(!built.anythingTicked());
  }

  void clickingTheBoxOfAnotherItemSelectsItThenReportsTheNewState() {
    clickBox(3);
    // The selection comes at once, the check event as the next queued event.
    QCOMPARE(events, QStringList{"select 3 cause 2"});
    QTRY_COMPARE(events, (QStringList{"select 3 cause 2", "check 3 state 1"}));
    QCOMPARE(relative_paths(controller->tickedDocuments()),
             (QStringList{"蒙学/深/千字文.txt", "蒙学/三字经.txt"}));
    for (std::size_t i = 3; i <= 6; ++i)
      QCOMPARE(item(i).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

    settle();
    events.clear();
    clickBox(3);  // already selected: no selection event
    QTRY_COMPARE(events, QStringList{"check 3 state 0"});
    QVERIFY(!controller->anythingTicked());
  }

  // Clicks are classified by where the box is; that must be where the delegate draws it.
  void checkBoxRectMatchesWhereTheDelegateDrawsTheBox() {
    struct Probe : QStyledItemDelegate {
      using QStyledItemDelegate::initStyleOption;
    } probe;
    for (std::size_t i : {std::size_t(0), std::size_t(5), std::size_t(7)}) {
      QStyleOptionViewItem option;
      option.initFrom(view->viewport());
      option.widget = view;
      option.rect = view->visualRect(item(i));
      option.decorationSize = view->iconSize();
      probe.initStyleOption(&option, item(i));
      QRect drawn =
          view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
      QCOMPARE(lantaro::corpus_check_box_rect(view, item(i)), drawn);
    }
  }

  void spaceTogglesTheSelectedItemAndKeysAndMouseNameTheirCause() {
    clickLabel(7);
    settle();
    QCOMPARE(events, QStringList{"select 7 cause 1"});
    QCOMPARE(item(7).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));  // label, not box
    events.clear();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Space);
    QTRY_COMPARE(events, QStringList{"check 7 state 1"});
    settle();
    events.clear();
    QTest::keyClick(view, Qt::Key_Up);
    settle();
    QCOMPARE(events, QStringList{"select 6 cause 0"});
    events.clear();
    clickLabel(1, Qt::RightButton);
    settle();
    QCOMPARE(events, QStringList{"select 1 cause 2"});
    events.clear();
    view->setCurrentIndex(item(2));
    QCOMPARE(events, QStringList{"select 2 cause 2"});
  }

  void itemIndexesCountCollapsedBranches() {
    view->collapseAll();
    settle();
    clickLabel(7);
    settle();
    QCOMPARE(events, QStringList{"select 7 cause 1"});
    events.clear();
    clickBox(3);  // collapsed directory: everything below it follows
    QTRY_COMPARE(events, (QStringList{"select 3 cause 2", "check 3 state 1"}));
    QCOMPARE(controller->tickedDocuments().size(), std::size_t(2));
  }

  void directoryTicksFollowDownAndTickedDocumentsKeepTreeOrder() {
    CorpusTreeModel* model = controller->model();
    model->setTicked(7, true);
    model->setTicked(0, true);
    QCOMPARE(relative_paths(controller->tickedDocuments()),
             (QStringList{"经部/孟子.txt", "经部/论语.txt", "序.txt"}));
    model->setTicked(1, false);
    QCOMPARE(relative_paths(controller->tickedDocuments()),
             (QStringList{"经部/论语.txt", "序.txt"}));
    model->setTicked(0, false);
    model->setTicked(7, false);
    QVERIFY(!controller->anythingTicked());
    // A ticked directory without documents is something ticked, but no document.
    model->setTicked(4, true);
    model->setTicked(5, false);
    QVERIFY(controller->anythingTicked());
    QVERIFY(controller->tickedDocuments().empty());
  }

  void doubleClicksAreReportedEverywhereAndOpenDocuments() {
    QSignalSpy doubles(controller, &CorpusController::doubleClicked);
    QSignalSpy activated(controller, &CorpusController::documentActivated);
    doubleClick(onLabel(7));
    QCOMPARE(doubles.size(), 1);
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).value<lantaro::Document>().relative_path, std::string("序.txt"));

    // Empty space below the last item.
    doubleClick(QPoint(10, view->viewport()->height() - 3));
    QCOMPARE(doubles.size(), 2);
    QCOMPARE(activated.size(), 1);

    // A directory expands or collapses and opens nothing.
    QVERIFY(view->isExpanded(item(0)));
    doubleClick(onLabel(0));
    QCOMPARE(doubles.size(), 3);
    QCOMPARE(activated.size(), 1);
    QVERIFY(!view->isExpanded(item(0)));
  }

  void doubleClickedDocumentIsShownOnTheFullTextPage() {
    // The search side shows documents; the tree only reports which one was chosen.
    new lantaro::RetrievalController(main.get(), library->run, *controller);
    doubleClick(onLabel(2));
    auto* text = main->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"));
    QCOMPARE(text->toPlainText(), QStringLiteral("子曰：学而时习之。"));
    QCOMPARE(main->control<lantaro::ui::TabControl>(QStringLiteral("高级选择夹1"))->currentPage(),
             2);
  }

  void labelsCannotBeEdited() {
    view->setCurrentIndex(item(7));
    view->edit(item(7));
    QTest::qWait(50);
    for (QLineEdit* editor : view->findChildren<QLineEdit*>()) QVERIFY(!editor->isVisible());
  }

  void refreshRebuildsFromDiskAndForgetsTicks() {
    controller->model()->setTicked(0, true);
    library->document("经部/大学.txt", u"大学之道");
    main->control<QAbstractButton>(QStringLiteral("超级按钮_刷新文献"))->click();
    QVERIFY(!controller->anythingTicked());
    QCOMPARE(controller->model()->tree().size(), std::size_t(9));
    QCOMPARE(item(1).data().toString(), QStringLiteral("大学"));
  }
};

QTEST_MAIN(CorpusTreeTest)
#include "corpus_tree_gui_test.moc"
