// The context window: the passage around a result item, the hit selected, the box keeping its
// margins as the window changes size.

#include <QPlainTextEdit>
#include <QPointer>
#include <QtTest>

#include "gui/retrieval/context_window.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/text_box.h"

using namespace lantaro;

namespace {

// One document: "0123456789" on the first line, CR LF, then "abcdefghij". Items point at single
// characters so that clamping at either end is easy to see.
ResultList sample_list() {
  ResultList list;
  list.documents = {Document{std::filesystem::path(u"/lib/corpus/甲.txt"), std::string("甲.txt"),
                             std::u16string(u"甲")}};
  list.texts = {std::make_shared<const std::u16string>(u"0123456789\r\nabcdefghij")};
  list.items = {
      ResultItem{0, 1, 1, 1, 1},    // "1": near the start
      ResultItem{0, 12, 3, 12, 3},  // "abc": right after the CR LF
      ResultItem{0, 21, 1, 21, 1},  // "j": the last character
  };
  list.kind = ResultKind::Search;
  return list;
}

QPlainTextEdit* box_of(ui::DesignedWindow* window) {
  return window->control<QPlainTextEdit>(QStringLiteral("超级编辑框1"));
}

// The window for item `index` with `before` and `after` characters around its hit, as the session
// cuts the passage.
ui::DesignedWindow* open_around(const ResultList& list, std::size_t index, std::size_t before,
                                std::size_t after) {
  const ResultItem& item = list.items.at(index);
  return open_context_window(list, index,
                             context_passage(*list.texts.at(item.document),
                                             Hit{item.hit_start, item.hit_length}, before, after));
}

QRect wanted_geometry(const QPlainTextEdit* box) {
  return box->parentWidget()->rect().adjusted(16, 16, -16, -16);
}

}  // namespace

class ContextWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void passageAroundTheHitWithTheHitSelected() {
    const ResultList list = sample_list();
    QPointer<ui::DesignedWindow> window = open_around(list, 1, 4, 2);
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("contextWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("查看上下文"));
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    // Four characters before "abc" are "89\r\n": the CR LF shows as one line break.
    QCOMPARE(box_of(window)->toPlainText(), QStringLiteral("89\nabcde"));
    QCOMPARE(box_of(window)->textCursor().selectedText(), QStringLiteral("abc"));
    window->close();
    QTRY_VERIFY(!window);
  }

  void passageClampsAtBothEnds() {
    const ResultList list = sample_list();
    auto* first = open_around(list, 0, 100, 2);
    QCOMPARE(box_of(first)->toPlainText(), QStringLiteral("0123"));
    QCOMPARE(box_of(first)->textCursor().selectedText(), QStringLiteral("1"));
    auto* last = open_around(list, 2, 3, 100);
    QCOMPARE(box_of(last)->toPlainText(), QStringLiteral("ghij"));
    QCOMPARE(box_of(last)->textCursor().selectedText(), QStringLiteral("j"));
    // Both stay open side by side.
    QVERIFY(first != last);
    QVERIFY(first->isVisible() && last->isVisible());
    delete first;
    delete last;
  }

  void sentencesUseTheWholeSentenceAsTheHit() {
    ResultList list = sample_list();
    list.kind = ResultKind::Sentences;
    list.items = {ResultItem{0, 12, 10, 12, 10}};
    auto* window = open_around(list, 0, 0, 0);
    QCOMPARE(box_of(window)->toPlainText(), QStringLiteral("abcdefghij"));
    QCOMPARE(box_of(window)->textCursor().selectedText(), QStringLiteral("abcdefghij"));
    delete window;
  }

  // Context lengths come from the settings file and may be large; a passage on one very long
  // line is cut for display only: the hit is selected exactly and a copy gives the line whole.
  void aPassageOnOneVeryLongLineIsCutForDisplayOnly() {
    std::u16string text;
    for (int i = 0; i < 12000; ++i) text += u"天地玄黄宇宙洪荒。";
    const std::size_t hit = text.size() / 2 + 3;
    ResultList list = sample_list();
    list.texts = {std::make_shared<const std::u16string>(text)};
    list.items = {ResultItem{0, hit, 2, hit, 2}};
    auto* window = open_around(list, 0, 40000, 40000);
    QPlainTextEdit* box = box_of(window);
    QVERIFY(box->document()->blockCount() > 3);
    QCOMPARE(box->textCursor().selectedText(), QString::fromStdU16String(text.substr(hit, 2)));
    QTextCursor all(box->document());
    all.select(QTextCursor::Document);
    const std::u16string shown = text.substr(hit - 40000, 80002);
    QCOMPARE(ui::TextBox::copiedText(all), QString::fromStdU16String(shown));
    delete window;
  }

  void boxKeepsItsMarginsWhenTheWindowChangesSize() {
    const ResultList list = sample_list();
    auto* window = open_around(list, 0, 5, 5);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QPlainTextEdit* box = box_of(window);
    QCOMPARE(box->geometry(), wanted_geometry(box));

    window->resize(1200, 900);
    QTRY_COMPARE(window->size(), QSize(1200, 900));
    QCOMPARE(box->geometry(), wanted_geometry(box));
    QVERIFY(box->width() > 832);

    window->resize(500, 300);
    QTRY_COMPARE(box->geometry(), wanted_geometry(box));
    QVERIFY(box->width() < 832);

    window->showMaximized();
    QTRY_VERIFY(window->isMaximized());
    QTRY_COMPARE(box->geometry(), wanted_geometry(box));
    delete window;
  }
};

QTEST_MAIN(ContextWindowTest)
#include "context_window_gui_test.moc"
