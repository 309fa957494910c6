#include "gui/export/text_box_filler.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

namespace lantaro {

TextBoxFiller::TextBoxFiller(QPlainTextEdit* box, QObject* parent) : QObject(parent), box_(box) {}

qsizetype TextBoxFiller::sliceEnd(qsizetype from, int lines) const {
  qsizetype end = from;
  for (int i = 0; i < lines; ++i) {
    qsizetype next = text_.indexOf(QLatin1Char('\n'), end);
    if (next < 0) return text_.size();
    end = next + 1;
  }
  return end;
}

void TextBoxFiller::fill(QString text) {
  if (!box_) return;
  if (!filling_) was_read_only_ = box_->isReadOnly();
  ++generation_;
  text_ = std::move(text);
  // The undo history would otherwise grow with every slice; a fresh text starts a fresh one.
  box_->setUndoRedoEnabled(false);
  position_ = sliceEnd(0, kFirstLines);
  box_->setPlainText(text_.left(position_));
  if (position_ >= text_.size()) {
    filling_ = true;
    done();
    return;
  }
  filling_ = true;
  box_->setReadOnly(true);
  const unsigned generation = generation_;
  QTimer::singleShot(0, this, [this, generation] {
    if (generation == generation_) round();
  });
}

bool TextBoxFiller::appendSlice() {
  if (!box_) return false;
  const qsizetype end = sliceEnd(position_, kLinesPerSlice);
  QTextCursor cursor(box_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text_.mid(position_, end - position_));
  position_ = end;
  return position_ < text_.size();
}

void TextBoxFiller::round() {
  if (!filling_) return;
  QElapsedTimer clock;
  clock.start();
  bool more = true;
  while (more && clock.elapsed() < kMillisecondsPerRound) more = appendSlice();
  if (!more) {
    done();
    return;
  }
  const unsigned generation = generation_;
  QTimer::singleShot(0, this, [this, generation] {
    if (generation == generation_) round();
  });
}

void TextBoxFiller::finish() {
  if (!filling_) return;
  while (appendSlice()) {}
  done();
}

void TextBoxFiller::done() {
  ++generation_;  // a round still queued finds nothing to do
  filling_ = false;
  text_.clear();
  position_ = 0;
  if (box_) {
    box_->setReadOnly(was_read_only_);
    box_->setUndoRedoEnabled(true);
  }
  emit filled();
}

}  // namespace lantaro
