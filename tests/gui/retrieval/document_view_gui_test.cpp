// The full-text view: positions across folded line breaks, stepping from hit to hit, and marking
// only what is on screen.

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "engine/retrieval/matcher.h"
#include "gui/retrieval/document_view.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/text_box.h"

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

bool is_line_break(char16_t c) { return c == u'\n' || c == u'\r'; }

// Lines of every sort for cutting: a mixed long line with surrogate pairs, combining marks and
// sentence marks; lines of nothing but surrogate pairs, of one letter with a long run of marks,
// of punctuated clauses; lines just at and just over `long_line`; CR LF, lone CR and LF, empty
// lines; no break at the end.
std::u16string lines_to_cut(std::size_t long_line) {
  std::u16string text = u"短行\r\n";
  for (int i = 0; i < 60; ++i) {
    text += u"甲";
    if (i % 3 == 0) text += u"\U00020000";
    if (i % 5 == 1) text += u"e\u0301";
    if (i % 7 == 2) text += u"。";
    if (i % 11 == 4) text += u"\U0002A6A5\U0002A6A5";
  }
  text += u"\r乙\n\r\n\r\n";
  for (int i = 0; i < 50; ++i) text += u"\U00020001";
  text += u"\n";
  text += u"a" + std::u16string(70, u'\u0301') + u"\r";
  for (int i = 0; i < 20; ++i) text += u"天地玄黄，宇宙。";
  text += u"\r\n" + std::u16string(long_line, u'正') + u"\n" + std::u16string(long_line + 1, u'多');
  return text;
}

// Everything that must hold for a text shown with display breaks; see view_text_for_display.
void check_display_text(const std::u16string& text, std::size_t block, std::size_t long_line) {
  const DisplayText shown = view_text_for_display(text, block, long_line);
  const LineBreakMap map(text, shown.displayBreaks);
  const QString& view = shown.text;
  const auto& breaks = map.displayBreaks();
  QVERIFY(std::is_sorted(breaks.begin(), breaks.end()));
  QCOMPARE(map.displayBreakPositions().size(), breaks.size());

  // Without the display breaks the widget holds the text, each line break one position.
  QString kept = view;
  for (auto at = breaks.size(); at-- > 0;) {
    QCOMPARE(view.at(static_cast<qsizetype>(map.toViewEnd(breaks[at]))), QLatin1Char('\n'));
    kept.remove(static_cast<qsizetype>(map.toViewEnd(breaks[at])), 1);
  }
  kept.replace(QChar(0x2028), QLatin1Char('\n'));
  QString plain = view_text(text);
  plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QCOMPARE(kept, plain);

  // Only lines over `long_line` are cut, into pieces no longer than that, between characters
  // that are drawn apart anyway.
  std::size_t next_break = 0;
  for (std::size_t line = 0; line <= text.size();) {
    std::size_t end = line;
    while (end < text.size() && !is_line_break(text[end])) ++end;
    std::size_t piece_start = line;
    for (; next_break < breaks.size() && breaks[next_break] < end; ++next_break) {
      const std::size_t at = breaks[next_break];
      QVERIFY(end - line > long_line);
      QVERIFY(at > piece_start);
      QVERIFY(at - piece_start <= long_line);
      QVERIFY(!(QChar::isHighSurrogate(text[at - 1]) && QChar::isLowSurrogate(text[at])));
      // With room to choose (pieces of three or more), a mark stays with its letter.
      if (long_line >= 16 && text[at] == u'\u0301') QCOMPARE(text[at - 1], u'\u0301');
      piece_start = at;
    }
    QVERIFY(end - piece_start <= long_line);
    if (end - line > long_line) QVERIFY(piece_start > line);
    line = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
  }
  QCOMPARE(next_break, breaks.size());

  // Text to view and back, for every offset.
  for (std::size_t t = 0; t <= text.size(); ++t) {
    const std::size_t v = map.toView(t);
    if (t < text.size()) {
      const QChar c = view.at(static_cast<qsizetype>(v));
      if (is_line_break(text[t]))
        QVERIFY(c == QLatin1Char('\n') || c == QChar(0x2028));
      else
        QCOMPARE(c, QChar(text[t]));
    }
    const bool lf_of_crlf = t > 0 && text[t - 1] == u'\r' && text[t] == u'\n';
    QCOMPARE(map.toText(v), lf_of_crlf ? t - 1 : t);
    const bool at_break = std::binary_search(breaks.begin(), breaks.end(), t);
    QCOMPARE(map.toViewEnd(t), at_break ? v - 1 : v);
  }
  QCOMPARE(map.toView(text.size()), static_cast<std::size_t>(view.size()));

  // View to text and back, for every position: a display break reads as the character after it.
  for (std::size_t v = 0; v <= static_cast<std::size_t>(view.size()); ++v) {
    const std::size_t t = map.toText(v);
    QVERIFY(v == map.toView(t) || (v == map.toViewEnd(t) && v + 1 == map.toView(t)));
    if (v > 0) QVERIFY(map.toText(v - 1) <= t);
  }
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
      std::size_t v = map.toView(i);
      if (text[i] == u'\n') {
        QCOMPARE(shown.at(static_cast<qsizetype>(v)), QChar(u'\n'));
      } else {
        QCOMPARE(shown.at(static_cast<qsizetype>(v)), QChar(text[i]));
        QCOMPARE(map.toText(v), i);
      }
    }
    QCOMPARE(map.toView(text.size()), static_cast<std::size_t>(shown.size()));
    QCOMPARE(map.toText(static_cast<std::size_t>(shown.size())), text.size());
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
    view.showDocument(Document{}, shared(text), hits);

    for (const Hit& expected : hits) {
      auto got = view.selectNextHit();
      QVERIFY(got.has_value());
      QCOMPARE(*got, expected);
      QCOMPARE(view.selection(), expected);
      QCOMPARE(selected(edit), QStringLiteral("学"));
    }
    QVERIFY(!view.selectNextHit().has_value());
    QCOMPARE(view.selection(), hits.back());
  }

  void nextHitStartsAtTheCaret() {
    QPlainTextEdit edit;
    DocumentView view(&edit);
    const std::u16string text = u"甲乙甲乙\r\n甲乙";
    auto hits = hits_of(text, u"甲乙");
    view.showDocument(Document{}, shared(text), hits);
    QTextCursor caret = edit.textCursor();
    caret.setPosition(1);  // inside the first hit: it is behind the caret
    edit.setTextCursor(caret);
    QCOMPARE(*view.selectNextHit(), (Hit{2, 2}));
    // The third hit lies after a CR LF; its text offset differs from its widget position.
    QCOMPARE(*view.selectNextHit(), (Hit{6, 2}));
    QCOMPARE(selected(edit), QStringLiteral("甲乙"));
    QCOMPARE(view.selection(), (Hit{6, 2}));
  }

  void stepsWithoutHitsLeaveTheCaret() {
    QPlainTextEdit edit;
    DocumentView view(&edit);
    QVERIFY(!view.selectNextHit().has_value());  // nothing shown yet
    view.showDocument(Document{}, shared(u""), {});
    QVERIFY(view.hasDocument());
    QVERIFY(!view.selectNextHit().has_value());
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
    for (int line = 0; line < 20000; ++line)
      text += u"天地玄黄，宇宙洪荒。日月盈昃，辰宿列张。\r\n";
    auto hits = hits_of(text, u"宇宙");
    QCOMPARE(hits.size(), std::size_t{20000});

    QPlainTextEdit edit;
    edit.resize(400, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    DocumentView view(&edit);
    view.showDocument(Document{}, shared(text), hits);
    QTRY_VERIFY(view.markedCount() > 0);
    QVERIFY(view.markedCount() < 200);
    auto marks = edit.extraSelections();
    QCOMPARE(marks.first().cursor.selectedText(), QStringLiteral("宇宙"));
    QCOMPARE(marks.first().cursor.selectionStart(), 5);

    edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    QTRY_VERIFY(!edit.extraSelections().isEmpty() &&
                edit.extraSelections().last().cursor.selectionStart() ==
                    static_cast<int>(LineBreakMap(text).toView(hits.back().start)));
    QVERIFY(view.markedCount() < 200);

    // The last hit is reached by stepping from the caret just before it.
    QTextCursor caret = edit.textCursor();
    caret.setPosition(static_cast<int>(LineBreakMap(text).toView(hits.back().start)) - 1);
    edit.setTextCursor(caret);
    QCOMPARE(*view.selectNextHit(), hits.back());
    QVERIFY(!view.selectNextHit().has_value());
  }

  // Lines are gathered into blocks for speed; every position, the text read back and copied,
  // and the hits must come out as with one block per line, whatever the line breaks are.
  void linesGatheredIntoBlocksKeepPositions() {
    std::u16string text;
    const char16_t* breaks[] = {u"\r\n", u"\n", u"\r", u"\r\n\r\n"};
    for (int line = 0; line < 3000; ++line) {
      text.append(u"第").append(to_u16(QString::number(line))).append(u"行甲乙");
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
    view.showDocument(Document{}, shared(text), hits);
    QVERIFY(edit.document()->blockCount() < 3000 / 4);
    QString expected = plain;
    expected.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QCOMPARE(edit.toPlainText(), expected);
    for (const Hit& hit : hits) {
      QCOMPARE(*view.selectNextHit(), hit);
      QCOMPARE(view.selection(), hit);
      QCOMPARE(selected(edit), QStringLiteral("甲乙"));
    }
    QVERIFY(!view.selectNextHit().has_value());

    // Copying gives line feeds, never the separators inside a block.
    QTextCursor lines(edit.document());
    lines.setPosition(static_cast<int>(LineBreakMap(text).toView(hits[1].start)));
    lines.setPosition(static_cast<int>(LineBreakMap(text).toView(hits[6].start + 2)),
                      QTextCursor::KeepAnchor);
    edit.setTextCursor(lines);
    edit.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             expected.mid(lines.selectionStart(), lines.selectionEnd() - lines.selectionStart()));
    QVERIFY(!QGuiApplication::clipboard()->text().contains(QChar(0x2028)));
  }

  void displayBreaksKeepEveryPosition() {
    for (std::size_t long_line : {4, 8, 13, 16, 64})
      for (std::size_t block : {1, 16, 2048}) {
        check_display_text(lines_to_cut(long_line), block, long_line);
        if (QTest::currentTestFailed()) {
          qWarning("long_line=%zu block=%zu", long_line, block);
          return;
        }
      }
    // A cut goes after a sentence mark when there is one close before the even place.
    const std::u16string clauses = [] {
      std::u16string t;
      for (int i = 0; i < 200; ++i) t += u"天地玄黄，宇宙";
      return t;
    }();
    const DisplayText shown = view_text_for_display(clauses, kViewBlockChars, 64);
    QVERIFY(shown.displayBreaks.size() > 50);
    for (std::size_t at : shown.displayBreaks) QCOMPARE(clauses[at - 1], u'，');
  }

  // Ordinary documents are shown as before: no line up to the threshold is cut.
  void ordinaryLinesAreNotCut() {
    std::u16string text;
    for (int line = 0; line < 200; ++line)
      text += std::u16string(line * 37 % 5000, u'文') + u"\r\n";
    text += std::u16string(kLongLineChars, u'长');
    DisplayText shown = view_text_for_display(text);
    QVERIFY(shown.displayBreaks.empty());
    QCOMPARE(shown.text, view_text_in_blocks(text));
    text += u"长";
    shown = view_text_for_display(text);
    QCOMPARE(shown.displayBreaks.size(), std::size_t{4});
  }

  // One long line shown cut into many blocks: hits, marks, stepping, the selection and copies
  // all give the document's own characters, whether a hit straddles a cut, ends or starts at one.
  void longLineCutForDisplay() {
    std::u16string line;
    for (int i = 0; i < 40; ++i) {
      line += i % 3 ? u"天子曰地玄" : u"天地子曰玄黄";
      if (i % 4 == 0) line += u"\U00020000";
    }
    const std::u16string text = u"首行子曰\r\n" + line + u"\r\n末\r子曰";
    const std::size_t line_start = 6;
    const auto hits = hits_of(text, u"子曰");
    QCOMPARE(hits.size(), std::size_t{42});

    ui::TextBox edit;
    edit.setReadOnly(true);
    edit.resize(300, 600);
    edit.show();
    DocumentView view(&edit, nullptr, 16);
    view.showDocument(Document{}, shared(text), hits);
    const LineBreakMap& map = view.map();
    const auto& breaks = map.displayBreaks();
    QVERIFY(breaks.size() > 50);
    // The short lines around it join the first and the last piece.
    QCOMPARE(edit.document()->blockCount(), static_cast<int>(breaks.size()) + 1);
    int straddling = 0, ending = 0, starting = 0;
    for (const Hit& hit : hits) {
      for (std::size_t at : breaks) {
        straddling += at > hit.start && at < hit.start + hit.length;
        ending += at == hit.start + hit.length;
        starting += at == hit.start;
      }
    }
    QVERIFY(straddling > 0 && ending > 0 && starting > 0);

    QTRY_COMPARE(edit.extraSelections().size(), static_cast<int>(hits.size()));
    for (int k = 0; k < edit.extraSelections().size(); ++k) {
      const QTextCursor mark = edit.extraSelections().at(k).cursor;
      const Hit& hit = hits[static_cast<std::size_t>(k)];
      QCOMPARE(static_cast<std::size_t>(mark.selectionStart()), map.toView(hit.start));
      QCOMPARE(ui::TextBox::copiedText(mark), QStringLiteral("子曰"));
    }

    for (const Hit& hit : hits) {
      QCOMPARE(*view.selectNextHit(), hit);
      QCOMPARE(view.selection(), hit);
      QCOMPARE(ui::TextBox::copiedText(edit.textCursor()), QStringLiteral("子曰"));
      // A cut at either end of the hit stays outside the selection.
      if (selected(edit) != QStringLiteral("子曰"))
        QCOMPARE(selected(edit), QStringLiteral("子\u2029曰"));
    }
    QVERIFY(!view.selectNextHit().has_value());

    // Copies: the whole line, a stretch over several cuts, everything.
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto copy = [&](std::size_t start, std::size_t end) -> QString {
      QTextCursor cursor(edit.document());
      cursor.setPosition(static_cast<int>(map.toView(start)));
      cursor.setPosition(static_cast<int>(map.toViewEnd(end)), QTextCursor::KeepAnchor);
      edit.setTextCursor(cursor);
      if (!(view.selection() == Hit{start, end - start}))
        return QStringLiteral("(other selection)");
      edit.copy();
      return clipboard->text();
    };
    QCOMPARE(copy(line_start, line_start + line.size()), to_qstring(line));
    QCOMPARE(copy(line_start + 5, line_start + 77),
             to_qstring(std::u16string_view(line).substr(5, 72)));
    QVERIFY(!clipboard->mimeData()->hasHtml());  // it would carry the cuts as paragraphs
    QCOMPARE(copy(0, text.size()),
             QStringLiteral("首行子曰\n") + to_qstring(line) + QStringLiteral("\n末\n子曰"));
    // A selection without a cut is copied as ever, formatted text included.
    QCOMPARE(copy(0, 4), QStringLiteral("首行子曰"));
    QVERIFY(clipboard->mimeData()->hasHtml());
    // The keyboard shortcut takes the same way.
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(),
             QStringLiteral("首行子曰\n") + to_qstring(line) + QStringLiteral("\n末\n子曰"));
  }

  void newHitsReplaceTheMarks() {
    QPlainTextEdit edit;
    edit.resize(300, 200);
    edit.show();
    DocumentView view(&edit);
    const std::u16string text = u"甲乙丙丁甲乙";
    view.showDocument(Document{}, shared(text), hits_of(text, u"甲"));
    QTRY_COMPARE(edit.extraSelections().size(), 2);
    view.setHits(hits_of(text, u"丙"));
    QTRY_COMPARE(edit.extraSelections().size(), 1);
    QCOMPARE(edit.extraSelections().first().cursor.selectedText(), QStringLiteral("丙"));
    view.setHits({});
    QTRY_COMPARE(edit.extraSelections().size(), 0);
  }
};

QTEST_MAIN(DocumentViewTest)
#include "document_view_gui_test.moc"
