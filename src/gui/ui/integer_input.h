#pragma once
// Integer-only typing for an edit box: typed characters other than 0-9 and '-' are dropped.
// Pasted text is not filtered (the box's users check the value when they read it), which is why
// this is a key filter and not a validator.

#include <QObject>

class QLineEdit;

namespace lantaro::ui {

class IntegerInputFilter : public QObject {
  Q_OBJECT

 public:
  explicit IntegerInputFilter(QObject* parent = nullptr);

  static bool isAllowed(const QString& typed);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the filter on the box (owned by the box).
void make_integer_only(QLineEdit* box);
bool is_integer_only(const QLineEdit* box);

}  // namespace lantaro::ui
