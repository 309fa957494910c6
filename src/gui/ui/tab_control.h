#pragma once
// A tab control whose pages are not widgets of their own: the controls of every page are direct
// children placed at their designed coordinates (the whole rectangle, strip included), and
// selecting a page shows its controls and hides the others'. A control kept hidden stays hidden
// whatever page is selected.

#include <vector>

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QTabBar;

namespace lantaro::ui {

class TabControl : public QWidget {
  Q_OBJECT

 public:
  explicit TabControl(QWidget* parent = nullptr);

  void setPages(const QStringList& captions);
  int pageCount() const;
  QTabBar* tabBar() const { return bar_; }

  // Pages are counted from 1.
  void addPageControl(int page, QWidget* control, bool shown);
  // Whether the control shows while its page is selected.
  void setControlShown(QWidget* control, bool shown);
  bool isControlShown(const QWidget* control) const;

  int currentPage() const;
  void setCurrentPage(int page);

 signals:
  void pageChanged(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct PageControl {
    QPointer<QWidget> widget;
    int page;
    bool shown;
  };
  void updateVisibility();

  QTabBar* bar_;
  std::vector<PageControl> controls_;
};

}  // namespace lantaro::ui
