#include "gui/ui/integer_input.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace lantaro::ui {

IntegerInputFilter::IntegerInputFilter(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("integerInputFilter"));
}

bool IntegerInputFilter::isAllowed(const QString& typed) {
  for (QChar c : typed) {
    if (!((c >= u'0' && c <= u'9') || c == u'-')) return false;
  }
  return true;
}

bool IntegerInputFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts (paste, copy, undo...) and editing keys carry no printable text and pass.
    const Qt::KeyboardModifiers chord = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    const QString text = key->text();
    if (chord == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint() && !isAllowed(text)) {
      return true;
    }
  } else if (event->type() == QEvent::InputMethod) {
    auto* input = static_cast<QInputMethodEvent*>(event);
    if (!isAllowed(input->commitString())) {
      // Keep the composition out of the box but let the input method finish cleanly.
      QInputMethodEvent cleared;
      watched->event(&cleared);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void make_integer_only(QLineEdit* box) {
  if (is_integer_only(box)) return;
  box->installEventFilter(new IntegerInputFilter(box));
}

bool is_integer_only(const QLineEdit* box) {
  return box->findChild<IntegerInputFilter*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

}  // namespace lantaro::ui
