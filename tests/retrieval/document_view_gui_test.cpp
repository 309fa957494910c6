// The full-text view: positions across folded line breaks, stepping from hit to hit, and marking
// only what is on screen.

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "retrieval/document_view.h"
#include "retrieval/matcher.h"
#include "retrieval/qt_text.h"

using namespace lantaro;

namespace {

DocumentText shared(std::u16string text) {
  return std::make_shared<const std::u16string>(std::move(text));
}

std::vector<Hit> hits_of(const std::u16string& text, std::u16string keyword) {
  SearchRequest request;
  request.first_keyword = std::move(keyword);
  return find_hits(text, request);
}

QString selected(const QPlainTextEdit& edit) {
  // The widget reports block breaks as U+2029.
  return edit.textCursor().selectedText();
}

}  // namespace

class DocumentViewTest : public QObject {
  Q_OBJECT

 private slots:
  void lineBreakMapFoldsOnlyCrLf() {
    const std::u16string text = u"ab\r\ncd\ref\ng\r\n\r\nh";
    const LineBreakMap map(text);
    const QString shown = view_text(text);
    QCOMPARE(shown, QStringLiteral("ab\ncd\ref\ng\n\nh"));
    // Every character other than a CR of a CR LF keeps its identity across the mapping.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
      std::size_t v = map.to_view(i);
      if (text[i] == u'\n') {
        QCOMPARE(shown.at(static_cast<qsizetype>(v)), QChar(u'\n'));
      } else {
        QCOMPARE(shown.at(static_cast<qsizetype>(v)), QChar(text[i]));
        QCOMPARE(map.to_text(v), i);
      }
    }
    QCOMPARE(map.to_view(text.size()), static_cast<std::size_t>(shown.size()));
    QCOMPARE(map.to_text(static_cast<std::size_t>(shown.size())), text.size());
  }

  void nextHitVisitsThreeHitsThenStops() {
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.resize(300, 200);
    edit.show();
    DocumentView view(&edit);
    const std::u16string text = u"子曰：学而时习之。\r\n学而不思则罔，\r\n思而不学则殆。学";
    auto hits = hits_of(text, u"学而");
    QCOMPARE(hits.size(), std::size_t{2});
    hits = hits_of(text, u"学");
    QCOMPARE(hits.size(), std::size_t{4});
    hits.pop_back();  // three hits; the last 学 stays unmarked on purpose
    view.show_document(Document{}, shared(text), hits);

    for (const Hit& expected : hits) {
      auto got = view.select_next_hit();
      QVERIFY(got.has_value());
      QCOMPARE(*got, expected);
      QCOMPARE(view.selection(), expected);
      QCOMPARE(selected(edit), QStringLiteral("学"));
    }
    QVERIFY(!view.select_next_hit().has_value());
    QCOMPARE(view.selection(), hits.back());
  }

  void nextHitStartsAtTheCaret() {
    QPlainTextEdit edit;
    DocumentView view(&edit);
    const std::u16string text = u"甲乙甲乙\r\n甲乙";
    auto hits = hits_of(text, u"甲乙");
    view.show_document(Document{}, shared(text), hits);
    QTextCursor caret = edit.textCursor();
    caret.setPosition(1);  // inside the first hit: it is behind the caret
    edit.setTextCursor(caret);
    QCOMPARE(*view.select_next_hit(), (Hit{2, 2}));
    // The third hit lies after a CR LF; its text offset differs from its widget position.
    QCOMPARE(*view.select_next_hit(), (Hit{6, 2}));
    QCOMPARE(selected(edit), QStringLiteral("甲乙"));
    QCOMPARE(view.selection(), (Hit{6, 2}));
  }

  void stepsWithoutHitsLeaveTheCaret() {
    QPlainTextEdit edit;
    DocumentView view(&edit);
    QVERIFY(!view.select_next_hit().has_value());  // nothing shown yet
    view.show_document(Document{}, shared(u""), {});
    QVERIFY(view.has_document());
    QVERIFY(!view.select_next_hit().has_value());
    QCOMPARE(edit.toPlainText(), QString());
  }

  void selectionStaysHighlightedWithoutFocus() {
    QPlainTextEdit edit;
    DocumentView view(&edit);
    const QPalette& p = edit.palette();
    QCOMPARE(p.brush(QPalette::Inactive, QPalette::Highlight),
             p.brush(QPalette::Active, QPalette::Highlight));
    QCOMPARE(p.brush(QPalette::Inactive, QPalette::HighlightedText),
             p.brush(QPalette::Active, QPalette::HighlightedText));
  }

  // Tens of thousands of hits: only those near the visible lines are marked, and scrolling moves
  // the marks along.
  void marksOnlyVisibleHits() {
    std::u16string text;
    for (int line = 0; line < 20000; ++line) text += u"天地玄黄，宇宙洪荒。日月盈昃，辰宿列张。\r\n";
    auto hits = hits_of(text, u"宇宙");
    QCOMPARE(hits.size(), std::size_t{20000});

    QPlainTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    DocumentView view(&edit);
    view.show_document(Document{}, shared(text), hits);
    QTRY_VERIFY(view.marked_count() > 0);
    QVERIFY(view.marked_count() < 200);
    auto marks = edit.extraSelections();
    QCOMPARE(marks.first().cursor.selectedText(), QStringLiteral("宇宙"));
    QCOMPARE(marks.first().cursor.selectionStart(), 5);

    edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    QTRY_VERIFY(!edit.extraSelections().isEmpty() &&
                edit.extraSelections().last().cursor.selectionStart() ==
                    static_cast<int>(LineBreakMap(text).to_view(hits.back().start)));
    QVERIFY(view.marked_count() < 200);

    // The last hit is reached by stepping from the caret just before it.
    QTextCursor caret = edit.textCursor();
    caret.setPosition(static_cast<int>(LineBreakMap(text).to_view(hits.back().start)) - 1);
    edit.setTextCursor(caret);
    QCOMPARE(*view.select_next_hit(), hits.back());
    QVERIFY(!view.select_next_hit().has_value());
  }

  // Lines are gathered into blocks for speed; every position, the text read back and copied,
  // and the hits must come out as with one block per line, whatever the line breaks are.
  void linesGatheredIntoBlocksKeepPositions() {
    std::u16string text;
    const char16_t* breaks[] = {u"\r\n", u"\n", u"\r", u"\r\n\r\n"};
    for (int line = 0; line < 3000; ++line) {
      text += u"第" + to_u16(QString::number(line)) + u"行甲乙";
      if (line % 500 == 7) text += std::u16string(300, u'长');  // a line longer than a block
      text += breaks[line % 4];
    }
    constexpr std::size_t kBlock = 64;
    const QString plain = view_text(text);
    const QString gathered = view_text_in_blocks(text, kBlock);
    QCOMPARE(gathered.size(), plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
      const QChar c = plain.at(i);
      if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
        QVERIFY(gathered.at(i) == QLatin1Char('\n') || gathered.at(i) == QChar(0x2028));
      else
        QCOMPARE(gathered.at(i), c);
    }
    // A block ends at the first line break once it holds the block size.
    const QStringList blocks = gathered.split(QLatin1Char('\n'));
    QVERIFY(blocks.size() > 10);
    for (qsizetype b = 0; b + 1 < blocks.size(); ++b) {
      QVERIFY(blocks[b].size() >= static_cast<qsizetype>(kBlock));
      // Up to its last line, the block was still short of the size.
      QVERIFY(blocks[b].left(blocks[b].lastIndexOf(QChar(0x2028)) + 1).size() <=
              static_cast<qsizetype>(kBlock));
    }

    QPlainTextEdit edit;
    edit.resize(300, 200);
    edit.show();
    DocumentView view(&edit);
    const auto hits = hits_of(text, u"甲乙");
    QCOMPARE(hits.size(), std::size_t{3000});
    view.show_document(Document{}, shared(text), hits);
    QVERIFY(edit.document()->blockCount() < 3000 / 4);
    QString expected = plain;
    expected.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QCOMPARE(edit.toPlainText(), expected);
    for (const Hit& hit : hits) {
      QCOMPARE(*view.select_next_hit(), hit);
      QCOMPARE(view.selection(), hit);
      QCOMPARE(selected(edit), QStringLiteral("甲乙"));
    }
    QVERIFY(!view.select_next_hit().has_value());

    // Copying gives line feeds, never the separators inside a block.
    QTextCursor lines(edit.document());
    lines.setPosition(static_cast<int>(LineBreakMap(text).to_view(hits[1].start)));
    lines.setPosition(static_cast<int>(LineBreakMap(text).to_view(hits[6].start + 2)),
                      QTextCursor::KeepAnchor);
    edit.setTextCursor(lines);
    edit.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             expected.mid(lines.selectionStart(), lines.selectionEnd() - lines.selectionStart()));
    QVERIFY(!QGuiApplication::clipboard()->text().contains(QChar(0x2028)));
  }

  void newHitsReplaceTheMarks() {
    QPlainTextEdit edit;
    edit.resize(300, 200);
    edit.show();
    DocumentView view(&edit);
    const std::u16string text = u"甲乙丙丁甲乙";
    view.show_document(Document{}, shared(text), hits_of(text, u"甲"));
    QTRY_COMPARE(edit.extraSelections().size(), 2);
    view.set_hits(hits_of(text, u"丙"));
    QTRY_COMPARE(edit.extraSelections().size(), 1);
    QCOMPARE(edit.extraSelections().first().cursor.selectedText(), QStringLiteral("丙"));
    view.set_hits({});
    QTRY_COMPARE(edit.extraSelections().size(), 0);
  }
};

QTEST_MAIN(DocumentViewTest)
#include "document_view_gui_test.moc"
