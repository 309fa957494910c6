#include "gui/ui/text_box.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace lantaro::ui {

namespace {

// Block states are free for this (they start at -1): the boxes use no syntax highlighter.
constexpr int kContinuedLine = 1;

// Whether a block carrying on a line starts inside the selection (its break lies inside).
bool crosses_continued_line(const QTextCursor& selection) {
  const QTextDocument* document = selection.document();
  if (!document || !selection.hasSelection()) return false;
  const int end = selection.selectionEnd();
  for (QTextBlock block = document->findBlock(selection.selectionStart()).next();
       block.isValid() && block.position() <= end; block = block.next())
    if (TextBox::continuesLine(block)) return true;
  return false;
}

}  // namespace

void TextBox::continueLine(QTextBlock block) {
  if (block.isValid()) block.setUserState(kContinuedLine);
}

bool TextBox::continuesLine(const QTextBlock& block) { return block.userState() == kContinuedLine; }

QString TextBox::copiedText(const QTextCursor& selection) {
  // One character per position, block breaks as U+2029.
  const QString selected = selection.selectedText();
  const int start = selection.selectionStart();
  const int end = selection.selectionEnd();
  QString out;
  out.reserve(selected.size());
  qsizetype from = 0;
  if (const QTextDocument* document = selection.document()) {
    for (QTextBlock block = document->findBlock(start).next();
         block.isValid() && block.position() <= end; block = block.next()) {
      if (!continuesLine(block)) continue;
      const qsizetype cut = block.position() - 1 - start;
      out += QStringView(selected).mid(from, cut - from);
      from = cut + 1;
    }
  }
  out += QStringView(selected).mid(from);
  // What QTextDocument::toPlainText() makes of the rest, so that copies read the same either way.
  for (QChar& c : out) {
    switch (c.unicode()) {
      case QChar::ParagraphSeparator:
      case QChar::LineSeparator:
      case 0xFDD0:  // frame start
      case 0xFDD1:  // frame end
        c = QLatin1Char('\n');
        break;
      case QChar::Nbsp: c = QLatin1Char(' '); break;
      default: break;
    }
  }
  return out;
}

QMimeData* TextBox::createMimeDataFromSelection() const {
  const QTextCursor selection = textCursor();
  // Ordinary selections keep everything Qt offers (formatted text as well).
  if (!crosses_continued_line(selection)) return QPlainTextEdit::createMimeDataFromSelection();
  // The formatted version would carry the cut as a paragraph break: plain text only.
  auto* data = new QMimeData;
  data->setText(copiedText(selection));
  return data;
}

}  // namespace lantaro::ui
