#include "gui/ui/kwic_delegate.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace lantaro::ui {
namespace {

constexpr int kMargin = 4;
// The hit column never lies right of this share of the row, so the right context stays readable.
constexpr double kMaxHitColumnShare = 0.5;

// One line per item: line breaks and tabs inside a context would break the columns.
QString one_line(QString text) {
  for (QChar& c : text)
    if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar(0x2028) || c == QChar(0x2029))
      c = u' ';
  return text;
}

}  // namespace

QString fit_right_text(const QString& right, const QString& suffix, const QFontMetrics& metrics,
                       int width) {
  if (metrics.horizontalAdvance(right) <= width) return right;
  const int suffix_width = metrics.horizontalAdvance(suffix);
  if (suffix.isEmpty() || !right.endsWith(suffix) || suffix_width >= width)
    return metrics.elidedText(right, Qt::ElideRight, width);
  const QString context = right.left(right.size() - suffix.size());
  return metrics.elidedText(context, Qt::ElideRight, width - suffix_width) + suffix;
}

KwicDelegate::KwicDelegate(const QColor& hit_background, QObject* parent)
    : QStyledItemDelegate(parent), hit_background_(hit_background) {}

int KwicDelegate::hitColumn(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QFontMetrics metrics(option.font);
  const int characters = index.data(KwicLeftCharactersRole).toInt();
  const int wanted = kMargin + characters * metrics.horizontalAdvance(QChar(0x4E2D)) + kMargin;
  return std::min(wanted, static_cast<int>(option.rect.width() * kMaxHitColumnShare));
}

void KwicDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QVariant left_value = index.data(KwicLeftRole);
  if (!left_value.isValid()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  opt.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
  const QColor text_colour =
      option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

  const QString left = one_line(left_value.toString());
  const QString hit = one_line(index.data(KwicHitRole).toString());
  const QString right = one_line(index.data(KwicRightRole).toString());
  const QFontMetrics metrics(option.font);
  const QRect row = option.rect;
  const int column = row.left() + hitColumn(option, index);

  painter->save();
  painter->setFont(option.font);
  painter->setClipRect(row);
  painter->setPen(text_colour);
  const QRect left_area(row.left() + kMargin, row.top(), column - row.left() - kMargin,
                        row.height());
  painter->drawText(left_area, Qt::AlignRight | Qt::AlignVCenter,
                    metrics.elidedText(left, Qt::ElideLeft, left_area.width()));

  const int hit_width = metrics.horizontalAdvance(hit);
  const QRect hit_area(column, row.top(), hit_width, row.height());
  painter->fillRect(hit_area.adjusted(0, 1, 0, -1), hit_background_);
  painter->setPen(option.palette.color(QPalette::Active, QPalette::Text));
  painter->drawText(hit_area, Qt::AlignLeft | Qt::AlignVCenter, hit);

  painter->setPen(text_colour);
  const QRect right_area(column + hit_width, row.top(), row.right() - column - hit_width,
                         row.height());
  const QString suffix = one_line(index.data(KwicSuffixRole).toString());
  painter->drawText(right_area, Qt::AlignLeft | Qt::AlignVCenter,
                    fit_right_text(right, suffix, metrics, right_area.width()));
  painter->restore();
}

}  // namespace lantaro::ui
