#pragma once
// The plain-text box of the windows. The full-text view cuts a line of many megabytes into
// several blocks, because a block is laid out as a whole (see retrieval/documentView.h); the
// blocks that carry on a line are marked, and copies, drags and the selection clipboard leave
// those cuts out, so that the user always gets the document's lines whole.

#include <QPlainTextEdit>
#include <QString>

class QMimeData;
class QTextBlock;
class QTextCursor;

namespace lantaro::ui {

// Without Q_OBJECT: it adds no signals or properties, and stays a QPlainTextEdit to anything that
// looks at class names.
class TextBox : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

  // Marks `block` as carrying on the line before it: the break in front of it is shown only.
  static void continueLine(QTextBlock block);
  static bool continuesLine(const QTextBlock& block);

  // The selected text as a copy gives it: every line break as LF, as Qt gives it, and the breaks
  // in front of marked blocks left out.
  static QString copiedText(const QTextCursor& selection);

 protected:
  QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace lantaro::ui
