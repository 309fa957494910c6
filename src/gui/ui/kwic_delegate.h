#pragma once
// Draws a list of result items as a keyword-in-context view: every hit in one column, in a
// highlight colour, with its left context right-aligned before it and the rest after it. The
// model gives the pieces through the roles below; a row without a hit is drawn as a plain line.

#include <QColor>
#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

namespace lantaro::ui {

enum KwicRole {
  KwicLeftRole = Qt::UserRole + 1,  // QString; a null QVariant: the row has no hit
  KwicHitRole,
  KwicRightRole,  // right context and whatever follows it (the citation suffix)
  // int, the same for every row: the longest left context in characters, so that the hit column
  // sits no further right than the list needs.
  KwicLeftCharactersRole,
  KwicSuffixRole,  // QString: the end of KwicRightRole that names the document
};

// The text after the hit as it fits in `width` pixels: the right context is cut short ("…")
// before the suffix that ends it is, so that a narrow row still names its document.
QString fit_right_text(const QString& right, const QString& suffix, const QFontMetrics& metrics,
                       int width);

class KwicDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  KwicDelegate(const QColor& hit_background, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Where the hit column starts, from the row's left edge, for a row of that width.
  int hitColumn(const QStyleOptionViewItem& option, const QModelIndex& index) const;

 private:
  QColor hit_background_;
};

}  // namespace lantaro::ui
