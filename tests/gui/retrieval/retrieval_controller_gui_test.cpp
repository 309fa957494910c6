// The retrieval controller on a real main window over a small GBK library written at test time:
// the checks and their messages, the search and what it fills in, the full-text view with the
// next-hit button, the bottom panel, the context window and the keyword hint. The last case runs
// the same search through the GUI and through `lantaro-cli search --json` over the example library.

#include <memory>
#include <sstream>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include "cli/cli_context.h"
#include "cli/search_command.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/retrieval/document_view.h"
#include "gui/retrieval/hit_grid_model.h"
#include "gui/retrieval/result_list_model.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/balloon_tip.h"
#include "gui/ui/kwic_delegate.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/test_support.h"

using namespace lantaro;

namespace {

const std::u16string kAnalects =
    u"子曰：学而时习之，不亦说乎？\r\n有朋自远方来，不亦乐乎？\r\n人不知而不愠，不亦君子乎？";
const std::u16string kPrimer = u"人之初，性本善。性相近，习相远。";

// A run directory with corpus/ and ini/sys.ini, and the main window with both controllers.
class Library {
 public:
  Library() {
    documents_["经部/论语.txt"] = kAnalects;
    documents_["经部/空.txt"] = u"";
    documents_["蒙学/三字经.txt"] = kPrimer;
    for (const auto& [path, text] : documents_)
      testing::write_bytes(folder_ / ("corpus/" + path), encode_gbk(text));
    std::filesystem::create_directories(folder_ / "corpus/空目录");
    set_settings(u"[上下文取字数配置]\r\n上下文上取字数=3\r\n上下文下取字数=2\r\n");

    window.reset(ui::build_window(ui::WindowId::Main));
    corpus = new CorpusController(window.get(), run);
    retrieval = new RetrievalController(window.get(), run, *corpus);
  }

  void set_settings(std::u16string_view text) {
    testing::write_bytes(folder_ / "ini/sys.ini", encode_gbk(text));
  }
  std::filesystem::path path_of(const std::string& relative) const {
    return folder_ / ("corpus/" + relative);
  }

  void tick(const char* path) {
    auto item = corpus->model()->tree().find(path);
    QVERIFY2(item.has_value(), path);
    corpus->model()->setTicked(*item, true);
  }
  Document document(const char* path) const {
    auto item = corpus->model()->tree().find(path);
    return corpus->model()->tree().document(*item);
  }

  template <class T>
  T* control(const char* name) const {
    return window->control<T>(QString::fromUtf8(name));
  }
  QString status() const { return control<QLabel>("透明标签_执行结果")->text(); }
  QString hit_line() const { return control<QLabel>("透明标签1")->text(); }
  void set_keyword(const QString& text) { control<QLineEdit>("编辑框_关键词")->setText(text); }

  // Clicks 检索 and waits for the results when a search starts.
  bool search_and_wait() {
    QSignalSpy finished(retrieval, &RetrievalController::searchFinished);
    QTest::mouseClick(control<QPushButton>("按钮_搜索"), Qt::LeftButton);
    return retrieval->searchRunning() ? finished.wait(20000) : false;
  }

 private:
  testing::TempFolder folder_;
  std::map<std::string, std::u16string> documents_;

 public:
  RunDirectory run{path_to_utf8(folder_.path())};
  std::unique_ptr<ui::DesignedWindow> window;
  CorpusController* corpus = nullptr;
  RetrievalController* retrieval = nullptr;
};

QStringList list_texts(const ResultListModel& model) {
  QStringList out;
  for (int row = 0; row < model.rowCount(); ++row) out << model.index(row).data().toString();
  return out;
}

QStringList grid_rows(const HitGridModel& model) {
  QStringList out;
  for (int row = 0; row < model.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
      cells << model.index(row, column).data().toString();
    out << cells.join(QLatin1Char('|'));
  }
  return out;
}

QString msg(Message m) { return ui::text_of(m); }

}  // namespace

class RetrievalControllerTest : public QObject {
  Q_OBJECT

 private slots:
  // Each refusal names the first problem and leaves the previous results alone.
  void checksRefuseInOrder() {
    Library lib;
    ui::PromptCapture prompts;
    auto click = [&] { QTest::mouseClick(lib.control<QPushButton>("按钮_搜索"), Qt::LeftButton); };

    lib.set_keyword(QStringLiteral("不亦"));
    click();
    lib.tick("空目录");
    click();
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("  　"));
    click();
    lib.set_keyword(QStringLiteral("不亦 乎"));
    lib.control<QLineEdit>("编辑框_字数")->setText(QStringLiteral("两"));
    click();
    lib.control<QLineEdit>("编辑框_字数")->setText(QStringLiteral("2"));
    lib.control<QLineEdit>("编辑框_左字数")->setText(QStringLiteral("100001"));
    click();
    QCOMPARE(prompts.messages,
             QStringList({msg(Message::NothingTicked), msg(Message::NoDocumentTicked),
                          msg(Message::EnterKeyword), msg(Message::CountOutOfRange),
                          msg(Message::CountOutOfRange)}));
    QVERIFY(!lib.retrieval->searchRunning());
    QVERIFY(!lib.retrieval->lastSearch());
    QCOMPARE(lib.status(), QStringLiteral("结果状态"));

    // A refusal after a search keeps that search on screen.
    lib.control<QLineEdit>("编辑框_左字数")->setText(QStringLiteral("20"));
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    lib.set_keyword(QString());
    click();
    QCOMPARE(prompts.messages.last(), msg(Message::EnterKeyword));
    QVERIFY(lib.retrieval->lastSearch());
    QCOMPARE(lib.retrieval->resultModel()->rowCount(), 3);
  }

  void searchFillsListGridAndSummaryLines() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.tick("蒙学");
    lib.set_keyword(QStringLiteral("不亦"));
    lib.control<QLineEdit>("编辑框_左字数")->setText(QStringLiteral("3"));
    lib.control<QLineEdit>("编辑框_右字数")->setText(QStringLiteral("1"));
    // Collected on this thread: the workers emit the progress, several at once, and a
    // QSignalSpy would append to its list from all of them unguarded.
    QList<int> progress;
    QObject guard;
    connect(
        lib.retrieval, &RetrievalController::searchProgress, &guard,
        [&progress](int percent) { progress.append(percent); }, Qt::QueuedConnection);
    QSignalSpy changed(lib.retrieval->resultModel(), &QAbstractItemModel::modelReset);
    QVERIFY(lib.search_and_wait());
    QVERIFY(prompts.messages.isEmpty());

    QCOMPARE(list_texts(*lib.retrieval->resultModel()),
             QStringList({QStringLiteral("习之，不亦说  （出处：论语)"),
                          QStringLiteral("方来，不亦乐  （出处：论语)"),
                          QStringLiteral("不愠，不亦君  （出处：论语)")}));
    QCOMPARE(grid_rows(*lib.retrieval->gridModel()), QStringList({QStringLiteral("1|论语|3")}));
    QCOMPARE(lib.status(), QStringLiteral("符合条件的语句数量为3，共搜索了3部文献，1部文献被命中"));
    QCOMPARE(lib.hit_line(), QStringLiteral("命中文献总数为1，总计命中次数为3"));
    QCOMPARE(lib.retrieval->lastSearch()->list.items, lib.retrieval->shownResults().items);
    QVERIFY(changed.count() >= 2);  // emptied, then filled

    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), 100);
    QVERIFY(lib.control<QProgressBar>("进度条1")->isHidden());
    QVERIFY(lib.control<QPushButton>("按钮_搜索")->isEnabled());
    auto* grid = lib.control<QTableView>("高级表格1");
    QCOMPARE(grid->model(), lib.retrieval->gridModel());
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(lib.control<QListView>("列表框1")->uniformItemSizes());

    // Nothing found: no items, zero counts, no grid rows.
    lib.set_keyword(QStringLiteral("不存在"));
    QVERIFY(lib.search_and_wait());
    QCOMPARE(lib.retrieval->resultModel()->rowCount(), 0);
    QCOMPARE(lib.retrieval->gridModel()->rowCount(), 0);
    QCOMPARE(lib.status(), QStringLiteral("符合条件的语句数量为0，共搜索了3部文献，0部文献被命中"));
    QCOMPARE(lib.hit_line(), QStringLiteral("命中文献总数为0，总计命中次数为0"));
  }

  void newSearchEmptiesEverythingFirst() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    QCOMPARE(lib.retrieval->resultModel()->rowCount(), 3);

    QSignalSpy finished(lib.retrieval, &RetrievalController::searchFinished);
    lib.set_keyword(QStringLiteral("子曰"));
    QTest::mouseClick(lib.control<QPushButton>("按钮_搜索"), Qt::LeftButton);
    // The worker has not been able to report yet: the event loop has not run.
    QVERIFY(lib.retrieval->searchRunning());
    QCOMPARE(lib.retrieval->resultModel()->rowCount(), 0);
    QCOMPARE(lib.retrieval->gridModel()->rowCount(), 0);
    QCOMPARE(lib.status(), QString());
    QCOMPARE(lib.hit_line(), QString());
    QVERIFY(!lib.retrieval->lastSearch());
    QVERIFY(!lib.control<QPushButton>("按钮_搜索")->isEnabled());
    QVERIFY(!lib.control<QProgressBar>("进度条1")->isHidden());
    QVERIFY(finished.wait(20000));
    QCOMPARE(lib.retrieval->resultModel()->rowCount(), 1);
  }

  // Closing the program while a search runs stops the workers before the controller goes away.
  void destroyedWhileSearching() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.tick("蒙学");
    lib.set_keyword(QStringLiteral("之"));
    QTest::mouseClick(lib.control<QPushButton>("按钮_搜索"), Qt::LeftButton);
    QVERIFY(lib.retrieval->searchRunning());
    lib.window.reset();
    QCoreApplication::processEvents();
    QVERIFY(prompts.messages.isEmpty());
  }

  // A ticked document that vanished before the search is named once and not counted as searched.
  void unreadableDocumentsAreNamed() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.tick("蒙学");
    std::filesystem::remove(lib.path_of("蒙学/三字经.txt"));
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    QCOMPARE(prompts.messages, QStringList({QStringLiteral("以下文献无法读取，未被搜索：三字经")}));
    QCOMPARE(lib.status(), QStringLiteral("符合条件的语句数量为3，共搜索了2部文献，1部文献被命中"));
  }

  void documentViewStatusAndNextHit() {
    Library lib;
    ui::PromptCapture prompts;
    auto* next = lib.control<QPushButton>("按钮1");
    auto* view = lib.control<QPlainTextEdit>("超级编辑框1");
    auto* tabs = lib.control<ui::TabControl>("高级选择夹1");

    QTest::mouseClick(next, Qt::LeftButton);
    emit lib.corpus->documentActivated(lib.document("经部/空"));
    QCOMPARE(lib.status(), QStringLiteral("当前显示的文献：空，共计0字"));
    QCOMPARE(tabs->currentPage(), 2);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(prompts.messages,
             QStringList({msg(Message::NoDocumentDisplayed), msg(Message::NoSearchYet)}));

    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    tabs->setCurrentPage(1);
    emit lib.corpus->documentActivated(lib.document("经部/论语"));
    QCOMPARE(tabs->currentPage(), 2);
    QCOMPARE(lib.status(), QStringLiteral("当前显示的文献：论语，共计%1字").arg(kAnalects.size()));
    QCOMPARE(view->toPlainText(),
             QString(to_qstring(kAnalects)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QTRY_COMPARE(view->extraSelections().size(), 3);  // the hits are marked

    lib.window->open();
    const auto hits = find_hits(kAnalects, lib.retrieval->lastSearch()->request);
    QCOMPARE(hits.size(), std::size_t{3});
    prompts.messages.clear();
    for (const Hit& hit : hits) {
      QTest::mouseClick(next, Qt::LeftButton);
      QCOMPARE(view->textCursor().selectedText(), QStringLiteral("不亦"));
      QCOMPARE(view->textCursor().selectionStart(),
               static_cast<int>(LineBreakMap(kAnalects).toView(hit.start)));
    }
    const QTextCursor third = view->textCursor();
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(prompts.messages, QStringList({msg(Message::LastPositionReached)}));
    QCOMPARE(view->textCursor(), third);
    // The selection is drawn in the same colours when the button has the focus.
    QCOMPARE(view->palette().brush(QPalette::Inactive, QPalette::Highlight),
             view->palette().brush(QPalette::Active, QPalette::Highlight));
  }

  void selectingAnItemShowsItsLineInTheBottomPanel() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    lib.control<QLineEdit>("编辑框_左字数")->setText(QStringLiteral("1"));
    QVERIFY(lib.search_and_wait());
    auto* list = lib.control<QListView>("列表框1");
    auto* panel = lib.control<QPlainTextEdit>("超级编辑框2");
    list->setCurrentIndex(lib.retrieval->resultModel()->index(1));
    QCOMPARE(panel->toPlainText(), QStringLiteral("《论语》有朋自远方来，不亦乐乎？"));
    QCOMPARE(panel->extraSelections().size(), 1);
    QCOMPARE(panel->extraSelections().first().cursor.selectedText(), QStringLiteral("不亦"));
    list->setCurrentIndex(lib.retrieval->resultModel()->index(2));
    QCOMPARE(panel->toPlainText(), QStringLiteral("《论语》人不知而不愠，不亦君子乎？"));
    QCOMPARE(panel->extraSelections().first().cursor.selectionStart(), 4 + 7);
  }

  void doubleClickOpensAContextWindowWithLengthsFromSettings() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    lib.window->open();
    QVERIFY(QTest::qWaitForWindowExposed(lib.window.get()));
    auto* list = lib.control<QListView>("列表框1");
    const QModelIndex second = lib.retrieval->resultModel()->index(1);
    const QPoint at = list->visualRect(second).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);

    auto windows = [] {
      QList<ui::DesignedWindow*> out;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("contextWindow") && w->isVisible())
          out << static_cast<ui::DesignedWindow*>(w);
      return out;
    };
    QTRY_COMPARE(windows().size(), 1);
    auto* box = windows().first()->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"));
    QCOMPARE(box->toPlainText(), QStringLiteral("方来，不亦乐乎"));
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("不亦"));

    // Settings are read at each opening; a value that is not a whole number counts as 100.
    lib.set_settings(u"[上下文取字数配置]\r\n上下文上取字数=多\r\n上下文下取字数=-1\r\n");
    ui::DesignedWindow* second_window = lib.retrieval->openContext(1);
    QVERIFY(second_window);
    QTRY_COMPARE(windows().size(), 2);
    QCOMPARE(second_window->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"))->toPlainText(),
             QString(to_qstring(kAnalects)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    for (auto* w : windows()) w->close();
    QTRY_COMPARE(windows().size(), 0);
  }

  void showResultsReplacesTheListOnly() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    QVERIFY(lib.search_and_wait());
    const SearchResults* before = lib.retrieval->lastSearch();

    ResultList sentences;
    sentences.kind = ResultKind::Sentences;
    sentences.documents = {lib.document("经部/论语")};
    sentences.texts = {std::make_shared<const std::u16string>(kAnalects)};
    sentences.items = {ResultItem{0, 3, 11, 3, 11}};
    auto* panel = lib.control<QPlainTextEdit>("超级编辑框2");
    lib.retrieval->showItemLine(0);
    QSignalSpy changed(lib.retrieval->resultModel(), &QAbstractItemModel::modelReset);
    lib.retrieval->showResults(sentences, QStringLiteral("共提取1句"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(panel->toPlainText().isEmpty());
    QCOMPARE(lib.status(), QStringLiteral("共提取1句"));
    QCOMPARE(lib.retrieval->lastSearch(), before);
    QCOMPARE(lib.retrieval->shownResults().kind, ResultKind::Sentences);
    QCOMPARE(list_texts(*lib.retrieval->resultModel()),
             QStringList({QStringLiteral("学而时习之，不亦说乎？  （出处：论语)")}));
    // The list events treat the sentence as the hit.
    lib.control<QListView>("列表框1")->setCurrentIndex(lib.retrieval->resultModel()->index(0));
    QCOMPARE(panel->extraSelections().first().cursor.selectedText(),
             QStringLiteral("学而时习之，不亦说乎？"));
    auto* context = lib.retrieval->openContext(0);
    QCOMPARE(context->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"))
                 ->textCursor()
                 .selectedText(),
             QStringLiteral("学而时习之，不亦说乎？"));
    delete context;
  }

  // Sorting from the context menu, the grid's double click, and a new search started from the
  // full-text page: it shows the list from the top and nothing left over from before.
  void readingResultsInOrderAndOnTheRightPage() {
    Library lib;
    ui::PromptCapture prompts;
    lib.tick("经部");
    lib.set_keyword(QStringLiteral("不亦"));
    lib.control<QLineEdit>("编辑框_左字数")->setText(QStringLiteral("3"));
    lib.control<QLineEdit>("编辑框_右字数")->setText(QStringLiteral("1"));
    QVERIFY(lib.search_and_wait());
    auto* list = lib.control<QListView>("列表框1");
    auto action = [&](const char* caption) {
      return list->findChild<QAction*>(QString::fromUtf8(caption));
    };
    QVERIFY(action("按出处顺序") && action("按出处顺序")->isChecked());

    // Left contexts read backwards: "，之习" < "，愠不" < "，来方".
    action("按左侧排序")->trigger();
    QCOMPARE(list_texts(*lib.retrieval->resultModel()),
             QStringList({QStringLiteral("习之，不亦说  （出处：论语)"),
                          QStringLiteral("不愠，不亦君  （出处：论语)"),
                          QStringLiteral("方来，不亦乐  （出处：论语)")}));
    QVERIFY(action("按左侧排序")->isChecked());
    const QModelIndex first = lib.retrieval->resultModel()->index(1);
    QCOMPARE(first.data(ui::KwicLeftRole).toString(), QStringLiteral("不愠，"));
    QCOMPARE(first.data(ui::KwicHitRole).toString(), QStringLiteral("不亦"));
    QCOMPARE(first.data(ui::KwicRightRole).toString(), QStringLiteral("君  （出处：论语)"));
    QCOMPARE(first.data(ui::KwicSuffixRole).toString(), QStringLiteral("  （出处：论语)"));
    // Exports read the shown order; the order the engine gives for the search's own list.
    const SearchResults& search = *lib.retrieval->lastSearch();
    const std::vector<std::uint32_t> by_right = result_order(search.list, ResultOrder::Right);
    action("按右侧排序")->trigger();
    for (std::size_t row = 0; row < by_right.size(); ++row)
      QCOMPARE(lib.retrieval->shownResults().item_text(row), search.list.item_text(by_right[row]));

    auto* grid = lib.control<QTableView>("高级表格1");
    auto* tabs = lib.control<ui::TabControl>("高级选择夹1");
    lib.window->open();
    const QRect cell = grid->visualRect(lib.retrieval->gridModel()->index(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(tabs->currentPage(), 2);
    QCOMPARE(lib.retrieval->documentView()->document().display_name, std::u16string(u"论语"));

    lib.retrieval->showItemLine(0);
    lib.control<QLineEdit>("编辑框_线程执行信息")->setText(QStringLiteral("结束线程2"));
    lib.set_keyword(QStringLiteral("之"));
    QVERIFY(lib.search_and_wait());
    QCOMPARE(tabs->currentPage(), 1);
    QVERIFY(lib.control<QPlainTextEdit>("超级编辑框2")->toPlainText().isEmpty());
    QVERIFY(lib.control<QLineEdit>("编辑框_线程执行信息")->text().isEmpty());
    QVERIFY(action("按出处顺序")->isChecked());
    QCOMPARE(lib.retrieval->session().shown_order(), ResultOrder::Document);
    // The full-text view keeps its document until another is shown.
    QCOMPARE(lib.retrieval->documentView()->document().display_name, std::u16string(u"论语"));
    QVERIFY(prompts.messages.isEmpty());
  }

  void keywordHintOnEveryFocus() {
    Library lib;
    lib.window->open();
    QVERIFY(QTest::qWaitForWindowActive(lib.window.get()));
    auto* keyword = lib.control<QLineEdit>("编辑框_关键词");
    auto* hint = lib.control<ui::BalloonTip>("气球提示框1");
    auto* button = lib.control<QPushButton>("按钮_搜索");
    for (int round = 0; round < 2; ++round) {
      button->setFocus();
      QTRY_VERIFY(!hint->isShown());
      keyword->setFocus();
      QTRY_VERIFY(hint->isShown());
      QCOMPARE(hint->title(), QStringLiteral("提示"));
      QCOMPARE(hint->text(),
               QStringLiteral("支持双关键词查询。如果要双关键词组合查询，两词之间请用空格间隔。"));
      QTest::keyClick(keyword, Qt::Key_A);
      QTRY_VERIFY(!hint->isShown());
    }
  }

  // The GUI over the whole example library says exactly what `lantaro-cli search --json` says.
  void sameResultsAsTheCommandLine_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("n");
    QTest::newRow("one keyword") << QStringLiteral("之") << QStringLiteral("两关键词间隔字符数")
                                 << QStringLiteral("2");
    QTest::newRow("exact gap") << QStringLiteral("子 曰") << QStringLiteral("两关键词间隔字符数")
                               << QStringLiteral("0");
    QTest::newRow("within range") << QStringLiteral("天 下") << QStringLiteral("第二词在字符数范围")
                                  << QStringLiteral("5");
  }
  void sameResultsAsTheCommandLine() {
    QFETCH(QString, keyword);
    QFETCH(QString, mode);
    QFETCH(QString, n);
    const RunDirectory run(LANTARO_SOURCE_DIR);  // read only: corpus/ is only listed and read
    std::unique_ptr<ui::DesignedWindow> window(ui::build_window(ui::WindowId::Main));
    auto* corpus = new CorpusController(window.get(), run);
    auto* retrieval = new RetrievalController(window.get(), run, *corpus);
    for (std::size_t top : corpus->model()->tree().top_level())
      corpus->model()->setTicked(top, true);
    window->control<QLineEdit>(QStringLiteral("编辑框_关键词"))->setText(keyword);
    window->control<QComboBox>(QStringLiteral("组合框_组合模式"))->setEditText(mode);
    window->control<QLineEdit>(QStringLiteral("编辑框_字数"))->setText(n);
    ui::PromptCapture prompts;
    QSignalSpy finished(retrieval, &RetrievalController::searchFinished);
    retrieval->search();
    QVERIFY(finished.wait(60000));
    QVERIFY(prompts.messages.isEmpty());
    const SearchResults& gui = *retrieval->lastSearch();
    QVERIFY(gui.list.size() > 0);

    std::ostringstream out, err;
    CliContext context{run, out, err};
    const int code = run_search_command({"--keyword", keyword.toStdString(), "--mode",
                                         mode.toStdString(), "--n", n.toStdString(), "--json"},
                                        context);
    QCOMPARE(code, 0);
    std::ostringstream gui_json;
    write_search_json(gui_json, gui, retrieval->session().shown());
    QCOMPARE(QString::fromStdString(gui_json.str()), QString::fromStdString(out.str()));

    // And the widgets show exactly those results.
    const ResultListModel& list = *retrieval->resultModel();
    QCOMPARE(static_cast<std::size_t>(list.rowCount()), gui.list.size());
    for (int row = 0; row < list.rowCount(); ++row)
      QCOMPARE(list.index(row).data().toString(),
               to_qstring(gui.list.item_text(static_cast<std::size_t>(row))));
    const HitGridModel& grid = *retrieval->gridModel();
    QCOMPARE(static_cast<std::size_t>(grid.rowCount()), gui.hit_documents());
    for (int row = 0; row < grid.rowCount(); ++row) {
      QCOMPARE(grid.index(row, 0).data().toInt(), row + 1);
      QCOMPARE(grid.index(row, 1).data().toString(),
               to_qstring(gui.list.documents[static_cast<std::size_t>(row)].display_name));
      QCOMPARE(grid.index(row, 2).data().toULongLong(),
               static_cast<qulonglong>(gui.hit_counts[static_cast<std::size_t>(row)]));
    }
    QCOMPARE(window->control<QLabel>(QStringLiteral("透明标签_执行结果"))->text(),
             to_qstring(gui.status_line()));
    QCOMPARE(window->control<QLabel>(QStringLiteral("透明标签1"))->text(),
             to_qstring(gui.hit_line()));
  }
};

QTEST_MAIN(RetrievalControllerTest)
#include "retrieval_controller_gui_test.moc"
