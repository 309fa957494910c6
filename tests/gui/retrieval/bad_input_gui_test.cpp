// The search window against documents that vanish after ticking, a document of one 50 MB line and
// a damaged settings file: every failure is named in a message, and the big line is searched,
// shown in the panel, the full-text view and a context window with the right text.

#include <memory>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/retrieval/document_view.h"
#include "gui/retrieval/result_list_model.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/test_support.h"

using namespace lantaro;

namespace {

class Window {
 public:
  explicit Window(const testing::TempFolder& folder) : run{path_to_utf8(folder.path())} {
    window.reset(ui::build_window(ui::WindowId::Main));
    corpus = new CorpusController(window.get(), run);
    retrieval = new RetrievalController(window.get(), run, *corpus);
  }
  void tick(const char* path) {
    auto item = corpus->model()->tree().find(path);
    QVERIFY2(item.has_value(), path);
    corpus->model()->setTicked(*item, true);
  }
  Document document(const char* path) const {
    return corpus->model()->tree().document(*corpus->model()->tree().find(path));
  }
  template <class T>
  T* control(const char* name) const {
    return window->control<T>(QString::fromUtf8(name));
  }
  bool search(const QString& keyword) {
    control<QLineEdit>("编辑框_关键词")->setText(keyword);
    QSignalSpy finished(retrieval, &RetrievalController::searchFinished);
    QTest::mouseClick(control<QPushButton>("按钮_搜索"), Qt::LeftButton);
    return retrieval->searchRunning() ? finished.wait(60000) : false;
  }
  QString status() const { return control<QLabel>("透明标签_执行结果")->text(); }

  RunDirectory run;
  std::unique_ptr<ui::DesignedWindow> window;
  CorpusController* corpus = nullptr;
  RetrievalController* retrieval = nullptr;
};

// 25 Mi characters of filler (50 MB in GBK) with "子曰" at kMiddle, no line break.
constexpr std::size_t kCharacters = 25u * 1024 * 1024;
constexpr std::size_t kMiddle = kCharacters / 2;
std::u16string fifty_megabyte_line() {
  const std::u16string filler = u"天地玄黄宇宙洪荒";
  std::u16string text;
  text.reserve(kCharacters + 2);
  while (text.size() < kMiddle) text += filler;
  text += u"子曰";
  while (text.size() < kCharacters) text += filler;
  return text;
}

QString context_text(ui::DesignedWindow* w) {
  return w->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"))->toPlainText();
}

}  // namespace

class BadInputSearchWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Eleven of twelve ticked documents are gone in three different ways by the time of the search.
  void everyVanishedDocumentIsCountedAndTheFirstTenNamed() {
    testing::TempFolder folder;
    for (int i = 0; i < 12; ++i)
      testing::write_bytes(folder / ("corpus/卷" + std::to_string(10 + i) + ".txt"),
                           encode_gbk(u"子曰"));
    Window w(folder);
    ui::PromptCapture prompts;
    for (int i = 0; i < 12; ++i) w.tick(("卷" + std::to_string(10 + i)).c_str());
    for (int i = 0; i < 11; ++i) {
      const auto path = folder / ("corpus/卷" + std::to_string(10 + i) + ".txt");
      std::filesystem::remove(path);
      if (i % 3 == 1) std::filesystem::create_directory(path);
      // Where no link can be made (Wine), the name is simply gone, which counts the same.
      std::error_code link_error;
      if (i % 3 == 2) std::filesystem::create_symlink(folder / "corpus/无.txt", path, link_error);
    }
    QVERIFY(w.search(QStringLiteral("子曰")));
    QCOMPARE(
        prompts.messages,
        QStringList({QStringLiteral("以下文献无法读取，未被搜索：卷10、卷11、卷12、卷13、卷14、"
                                    "卷15、卷16、卷17、卷18、卷19等11部")}));
    QCOMPARE(w.status(), QStringLiteral("符合条件的语句数量为1，共搜索了1部文献，1部文献被命中"));
    QCOMPARE(w.retrieval->resultModel()->rowCount(), 1);

    // Showing a vanished document names it too, and leaves the view as it was.
    prompts.messages.clear();
    emit w.corpus->documentActivated(w.document("卷10"));
    QCOMPARE(prompts.messages, QStringList({QStringLiteral("以下文献无法读取，未被搜索：卷10")}));
    QCOMPARE(w.status(), QStringLiteral("符合条件的语句数量为1，共搜索了1部文献，1部文献被命中"));
  }

  // A hit whose document is deleted after the search still opens: the text was read once.
  void resultsOutliveTheirDocument() {
    testing::TempFolder folder;
    testing::write_bytes(folder / "corpus/甲.txt", encode_gbk(u"天子曰地"));
    Window w(folder);
    ui::PromptCapture prompts;
    w.tick("甲");
    QVERIFY(w.search(QStringLiteral("子曰")));
    std::filesystem::remove(folder / "corpus/甲.txt");
    ui::DesignedWindow* context = w.retrieval->openContext(0);
    QVERIFY(context);
    QCOMPARE(context_text(context), QStringLiteral("天子曰地"));
    context->close();
    QVERIFY(prompts.messages.isEmpty());
  }

  void fiftyMegabyteLine() {
    testing::TempFolder folder;
    const std::u16string text = fifty_megabyte_line();
    const std::size_t middle = kMiddle;
    testing::write_bytes(folder / "corpus/长行.txt", encode_gbk(text));
    // Garbage around a BOM-less, duplicated section: the first values win.
    testing::write_bytes(
        folder / "ini/sys.ini",
        std::string("\0\xFF\xFE junk\n", 9) +
            encode_gbk(u"[上下文取字数配置]\r\n上下文上取字数=3\r\n上下文上取字数=9\r\n"
                       u"上下文下取字数=99999999999999\r\n"));
    Window w(folder);
    ui::PromptCapture prompts;
    w.tick("长行");
    QVERIFY(w.search(QStringLiteral("子曰")));
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(w.status(), QStringLiteral("符合条件的语句数量为1，共搜索了1部文献，1部文献被命中"));
    QCOMPARE(w.retrieval->resultModel()->index(0).data().toString(),
             QStringLiteral("宇宙洪荒天地玄黄宇宙洪荒天地玄黄宇宙洪荒子曰天地玄黄宇宙洪荒天地玄黄宇"
                            "宙洪荒天地玄黄  （出处：长行)"));

    // The bottom panel shows a bounded stretch of the line around the hit, hit marked.
    auto* list = w.control<QListView>("列表框1");
    auto* panel = w.control<QPlainTextEdit>("超级编辑框2");
    list->setCurrentIndex(w.retrieval->resultModel()->index(0));
    QVERIFY(panel->toPlainText().startsWith(QStringLiteral("《长行》")));
    QVERIFY(panel->toPlainText().size() < 30000);
    QCOMPARE(panel->extraSelections().size(), 1);
    QCOMPARE(panel->extraSelections().first().cursor.selectedText(), QStringLiteral("子曰"));

    // The context window: 3 before, the huge "after" is out of range and counts as 100.
    ui::DesignedWindow* context = w.retrieval->openContext(0);
    QVERIFY(context);
    const QString passage = context_text(context);
    QCOMPARE(passage.size(), 3 + 2 + 100);
    QCOMPARE(passage, to_qstring(std::u16string_view(text).substr(middle - 3, 105)));
    QCOMPARE(context->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"))
                 ->textCursor()
                 .selectedText(),
             QStringLiteral("子曰"));
    context->close();
  }

  // Kept apart from the rest, for its size. The line is shown cut into blocks so that it lays
  // out fast; the widget holds the line and the cuts only, the hit is marked and stepped to, and
  // a copy across cuts gives the line's own characters.
  void fiftyMegabyteLineInTheFullTextView() {
    testing::TempFolder folder;
    const std::u16string text = fifty_megabyte_line();
    testing::write_bytes(folder / "corpus/长行.txt", encode_gbk(text));
    Window w(folder);
    ui::PromptCapture prompts;
    w.tick("长行");
    QVERIFY(w.search(QStringLiteral("子曰")));
    emit w.corpus->documentActivated(w.document("长行"));
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(w.status(), QStringLiteral("当前显示的文献：长行，共计%1字").arg(text.size()));
    auto* edit = w.control<QPlainTextEdit>("超级编辑框1");
    const DocumentView* view = w.retrieval->documentView();
    const auto& breaks = view->map().displayBreaks();
    QVERIFY(breaks.size() > 100);
    QCOMPARE(edit->document()->characterCount(), static_cast<int>(text.size() + breaks.size()) + 1);
    QCOMPARE(edit->document()->blockCount(), static_cast<int>(breaks.size()) + 1);

    w.retrieval->nextHit();
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(view->selection(), (Hit{kMiddle, 2}));
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("子曰"));
    QTRY_COMPARE(view->markedCount(), std::size_t{1});
    QCOMPARE(edit->extraSelections().first().cursor.selectedText(), QStringLiteral("子曰"));
    w.retrieval->nextHit();
    QCOMPARE(prompts.messages, QStringList({QStringLiteral("当前已到最末位置")}));

    // From two cuts before the hit to two after it.
    const auto after = std::upper_bound(breaks.begin(), breaks.end(), kMiddle);
    QVERIFY(after - breaks.begin() >= 2 && breaks.end() - after >= 2);
    const std::size_t from = *(after - 2) - 3, to = *(after + 1) + 3;
    QTextCursor cursor(edit->document());
    cursor.setPosition(static_cast<int>(view->map().toView(from)));
    cursor.setPosition(static_cast<int>(view->map().toView(to)), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    QCOMPARE(view->selection(), (Hit{from, to - from}));
    edit->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             to_qstring(std::u16string_view(text).substr(from, to - from)));
  }
};

QTEST_MAIN(BadInputSearchWindowTest)
#include "bad_input_gui_test.moc"
