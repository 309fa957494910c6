#pragma once
// Fills a multi-line box with a long text a slice at a time: the first lines show at once and
// the rest follow between events, so a million-line text never freezes the window for more than
// a moment (one assignment of such a text takes the text document many seconds). The box is
// read-only while it fills, so nothing the user types can land in the middle of it.

#include <QObject>
#include <QPointer>
#include <QString>

class QPlainTextEdit;

namespace lantaro {

class TextBoxFiller : public QObject {
  Q_OBJECT

 public:
  explicit TextBoxFiller(QPlainTextEdit* box, QObject* parent = nullptr);

  // Replaces the box's content with `text`; an earlier fill still running is dropped.
  void fill(QString text);
  bool filling() const { return filling_; }
  // Puts the rest in at once (when the whole text is needed now, e.g. to save it).
  void finish();

  // Lines per slice, and how long one round of slices may hold the event loop.
  static constexpr int kLinesPerSlice = 1000;
  static constexpr int kFirstLines = 2000;
  static constexpr int kMillisecondsPerRound = 30;

 signals:
  void filled();

 private:
  // The end of the slice that starts at `from` and holds up to `lines` lines.
  qsizetype sliceEnd(qsizetype from, int lines) const;
  bool appendSlice();
  void round();
  void done();

  QPointer<QPlainTextEdit> box_;
  QString text_;
  qsizetype position_ = 0;
  bool filling_ = false;
  bool was_read_only_ = false;
  unsigned generation_ = 0;
};

}  // namespace lantaro
