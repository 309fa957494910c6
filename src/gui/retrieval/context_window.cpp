#include "gui/retrieval/context_window.h"

#include <algorithm>

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "engine/retrieval/context_passage.h"
#include "gui/retrieval/document_view.h"
#include "gui/ui/text_box.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"

namespace lantaro {

MarginKeeper::MarginKeeper(QWidget* control, int margin)
    : QObject(control), control_(control), margin_(margin) {
  control->installEventFilter(this);
  if (control->parentWidget()) control->parentWidget()->installEventFilter(this);
  apply();
}

bool MarginKeeper::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if ((watched == control_ && (type == QEvent::Resize || type == QEvent::Move)) ||
      (watched == control_->parentWidget() && type == QEvent::Resize))
    apply();
  return QObject::eventFilter(watched, event);
}

void MarginKeeper::apply() {
  const QWidget* parent = control_->parentWidget();
  if (!parent) return;
  const QRect wanted = parent->rect().adjusted(margin_, margin_, -margin_, -margin_);
  const QRect target(wanted.topLeft(), wanted.size().expandedTo(QSize(0, 0)));
  // Re-placing sends another move/resize to this filter; an unchanged rectangle ends it.
  if (control_->geometry() != target) control_->setGeometry(target);
}

ui::DesignedWindow* open_context_window(const ResultList& list, std::size_t index,
                                        const Passage& passage, QWidget* parent) {
  const ResultItem& item = list.items.at(index);
  const std::u16string_view text = *list.texts.at(item.document);
  const std::u16string_view shown = text.substr(passage.start, passage.length);

  ui::DesignedWindow* window = ui::build_window(ui::WindowId::Context, parent);
  QPlainTextEdit* box = ui::resolve_controls<ui::ContextControls>(*window).passageBox;
  new MarginKeeper(box, kContextBoxMargin);
  // The context lengths come from the settings file and may be huge: a very long line is cut for
  // display as in the full-text view (copies still give it whole); every line is a block of its
  // own.
  DisplayText display = view_text_for_display(shown, 0);
  box->setPlainText(display.text);
  const LineBreakMap map(shown, std::move(display.displayBreaks));
  for (std::size_t position : map.displayBreakPositions())
    ui::TextBox::continueLine(box->document()->findBlock(static_cast<int>(position)));

  const std::size_t hit_start = item.hit_start - passage.start;
  const std::size_t from = map.toView(hit_start);
  QTextCursor cursor(box->document());
  cursor.setPosition(static_cast<int>(from));
  cursor.setPosition(static_cast<int>(std::max(from, map.toViewEnd(hit_start + item.hit_length))),
                     QTextCursor::KeepAnchor);
  box->setTextCursor(cursor);

  window->open();
  box->setFocus();
  box->ensureCursorVisible();
  return window;
}

}  // namespace lantaro
