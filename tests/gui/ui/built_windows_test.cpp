// Every built window against its definition: class per kind, object names, parents, geometry,
// initial visibility and enabled state, texts, fonts and colours.

#include <memory>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include "gui/ui/artwork.h"
#include "gui/ui/balloon_tip.h"
#include "gui/ui/integer_input.h"
#include "gui/ui/picture_button.h"
#include "gui/ui/shape_box.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"

using namespace lantaro::ui;

Q_DECLARE_METATYPE(lantaro::ui::WindowId)

namespace {

const char* expected_class(const ControlDefinition& d) {
  switch (d.kind) {
    case ControlKind::GroupBox: return "QGroupBox";
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
    case ControlKind::PictureBox: return "QLabel";
    case ControlKind::EditBox: return d.multiLine ? "QPlainTextEdit" : "QLineEdit";
    case ControlKind::RichEditBox: return "QPlainTextEdit";
    case ControlKind::PushButton: return "QPushButton";
    case ControlKind::PictureButton: return "lantaro::ui::PictureButton";
    case ControlKind::ComboBox: return "QComboBox";
    case ControlKind::ListBox: return "QListView";
    case ControlKind::Grid: return "QTableView";
    case ControlKind::TreeBox: return "QTreeView";
    case ControlKind::TabControl: return "lantaro::ui::TabControl";
    case ControlKind::ProgressBar: return "QProgressBar";
    case ControlKind::ShapeBox: return "lantaro::ui::ShapeBox";
    case ControlKind::BalloonTip: return "lantaro::ui::BalloonTip";
    case ControlKind::Timer: return "QTimer";
    default: return nullptr;
  }
}

QString plain(const QString& text) {
  QString copy = text;
  return copy.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The text a widget shows, whatever its class.
QString shown_text(QObject* object) {
  if (auto* w = qobject_cast<QLabel*>(object)) return w->text();
  if (auto* w = qobject_cast<QLineEdit*>(object)) return w->text();
  if (auto* w = qobject_cast<QPlainTextEdit*>(object)) return w->toPlainText();
  if (auto* w = qobject_cast<QAbstractButton*>(object)) return w->text();
  if (auto* w = qobject_cast<QGroupBox*>(object)) return w->title();
  if (auto* w = qobject_cast<QComboBox*>(object)) return w->currentText();
  return QString();
}

}  // namespace

class BuiltWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlMatchesItsDefinition_data();
  void everyControlMatchesItsDefinition();
  void windowsMatchTheirDefinitions_data();
  void windowsMatchTheirDefinitions();
  void mainWindowInitialStates();
  void extractionPanelLayout();
  void textExportMenuAndClientArea();
  void comboBoxesStartWithTextButNoSelection();
  void fontsAndColours();
  void placeholderTree();
  void picturesExistForEveryControl();
  void typedControlsResolveOnTheirWindows();
};

void BuiltWindowsTest::everyControlMatchesItsDefinition_data() {
  QTest::addColumn<WindowId>("id");
  for (WindowId id : kAllWindows) {
    QTest::newRow(qPrintable(window_definition(id).objectName)) << id;
  }
}

void BuiltWindowsTest::everyControlMatchesItsDefinition() {
  QFETCH(WindowId, id);
  const WindowDefinition& definition = window_definition(id);
  std::unique_ptr<DesignedWindow> window(build_window(id));
  QCOMPARE(window->objectName(), definition.objectName);

  for (const ControlDefinition& d : definition.controls) {
    const QByteArray where = (definition.objectName + "/" + d.name).toUtf8();
    QObject* object = window->control<QObject>(d.name);
    const char* class_name = expected_class(d);
    if (!class_name) {  // dialogs and spreadsheet objects build nothing
      QVERIFY2(!object, where.constData());
      continue;
    }
    QVERIFY2(object, where.constData());
    QCOMPARE(QByteArray(object->metaObject()->className()), QByteArray(class_name));
    QCOMPARE(window->findChildren<QObject*>(d.name).size(), 1);
    if (d.nonVisual()) continue;

    auto* widget = qobject_cast<QWidget*>(object);
    QVERIFY2(widget, where.constData());
    QVERIFY2(widget->geometry() == d.geometry, where.constData());
    QCOMPARE(widget->isEnabled(), d.enabled);
    if (d.parent.isEmpty()) {
      QVERIFY2(widget->parentWidget() == window->clientArea(), where.constData());
    } else {
      QCOMPARE(widget->parentWidget()->objectName(), d.parent);
    }
    // Controls on a tab control show only on their page; page 1 is selected at first.
    const bool on_hidden_page = d.page > 1;
    QVERIFY2(widget->isHidden() == (!d.visible || on_hidden_page), where.constData());
    if (!d.text.isEmpty()) QCOMPARE(shown_text(widget), plain(d.text));
    QCOMPARE(widget->toolTip(), d.hint);
    if (d.tabStop) QVERIFY2(widget->focusPolicy() & Qt::TabFocus, where.constData());
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      QCOMPARE(edit->isReadOnly(), d.readOnly);
      QCOMPARE(edit->hasFrame(), !d.noBorder);
      QCOMPARE(is_integer_only(edit), d.integerOnly);
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
      QCOMPARE(edit->isReadOnly(), d.readOnly);
      QCOMPARE(edit->lineWrapMode() == QPlainTextEdit::WidgetWidth, d.wordWrap);
    }
    if (auto* button = qobject_cast<PictureButton*>(widget)) {
      QCOMPARE(button->picture(), d.picture);
      QCOMPARE(button->pictureSize(), d.pictureSize);
    }
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
      QCOMPARE(bar->minimum(), d.minimum);
      QCOMPARE(bar->maximum(), d.maximum);
      QCOMPARE(bar->value(), d.value);
    }
    if (auto* tabs = qobject_cast<TabControl*>(widget)) {
      QCOMPARE(tabs->pageCount(), static_cast<int>(d.items.size()));
      for (int i = 0; i < tabs->pageCount(); ++i) QCOMPARE(tabs->tabBar()->tabText(i), d.items[i]);
      QCOMPARE(tabs->currentPage(), 1);
    }
  }
}

void BuiltWindowsTest::windowsMatchTheirDefinitions_data() {
  everyControlMatchesItsDefinition_data();
}

void BuiltWindowsTest::windowsMatchTheirDefinitions() {
  QFETCH(WindowId, id);
  const WindowDefinition& definition = window_definition(id);
  QPointer<DesignedWindow> window(build_window(id));
  QCOMPARE(window->windowTitle(), definition.title);
  QVERIFY(window->isWindow());
  // Offscreen there is no frame: the client takes the whole outer size.
  QCOMPARE(window->size(), definition.outerSize);
  QCOMPARE(window->testAttribute(Qt::WA_DeleteOnClose), id != WindowId::Main);

  const Qt::WindowFlags flags = window->windowFlags();
  QCOMPARE(bool(flags & Qt::FramelessWindowHint), definition.frame == FrameKind::None);
  if (definition.frame != FrameKind::None) {
    QCOMPARE(bool(flags & Qt::WindowMaximizeButtonHint),
             bool(definition.captionButtons & kMaximize));
    QCOMPARE(bool(flags & Qt::WindowMinimizeButtonHint),
             bool(definition.captionButtons & kMinimize));
  }
  const bool fixed = window->minimumSize() == window->maximumSize();
  QCOMPARE(fixed,
           definition.frame != FrameKind::Sizable && !(definition.captionButtons & kMaximize));
  if (definition.background.isValid()) {
    QCOMPARE(window->palette().color(QPalette::Window), definition.background);
    QVERIFY(window->autoFillBackground());
  }
  delete window;
}

void BuiltWindowsTest::mainWindowInitialStates() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  QCOMPARE(window->windowTitle(), QStringLiteral("Lantaro"));
  // Hidden at start: the extraction panel (with its buttons), the multi-threaded button, the
  // hidden rich edit box and the search progress bar.
  QVERIFY(window->control<QWidget>("外形框1")->isHidden());
  QVERIFY(!window->control<QWidget>("超级按钮_提取对话句")->isVisibleTo(window.get()));
  QVERIFY(window->control<QWidget>("超级按钮_多线程提取全部句")->isHidden());
  QVERIFY(window->control<QWidget>("超级编辑框3")->isHidden());
  QVERIFY(window->control<QWidget>("进度条1")->isHidden());
  QVERIFY(window->control<QWidget>("列表框1")->isVisibleTo(window.get()));
  QVERIFY(!window->control<QWidget>("超级编辑框1")->isVisibleTo(window.get()));
  QVERIFY(!window->control<QWidget>("按钮1")->isVisibleTo(window.get()));
  // The next-hit button sits over the tab strip, so it must be above it.
  auto* tabs = window->control<TabControl>("高级选择夹1");
  const QList<QObject*> children = tabs->children();
  QVERIFY(children.indexOf(window->control<QWidget>("按钮1")) > children.indexOf(tabs->tabBar()));
  // The timer never fires.
  auto* timer = window->control<QTimer>("时钟1");
  QVERIFY(!timer->isActive());
  QCOMPARE(timer->interval(), 0);
  QVERIFY(window->control<BalloonTip>("气球提示框1"));
  // The tree, grid and list give whole-item selection and no in-place editing.
  QCOMPARE(window->control<QTableView>("高级表格1")->selectionBehavior(),
           QAbstractItemView::SelectRows);
  QCOMPARE(window->control<QListView>("列表框1")->editTriggers(),
           QAbstractItemView::NoEditTriggers);
}

void BuiltWindowsTest::extractionPanelLayout() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::Main));
  auto* panel = window->control<QWidget>("外形框1");
  // Inside the window at the design size.
  QVERIFY(window->rect().contains(panel->geometry()));
  const QStringList buttons = {"超级按钮_提取对话句", "超级按钮_提取叙述句", "超级按钮_提取全部句",
                               "超级按钮_多线程提取全部句"};
  QList<QRect> rects;
  for (const QString& name : buttons) {
    auto* button = window->control<PictureButton>(name);
    QCOMPARE(button->parentWidget(), panel);
    QVERIFY2(panel->rect().contains(button->geometry()), qPrintable(name));
    for (const QRect& other : rects)
      QVERIFY2(!other.intersects(button->geometry()), qPrintable(name));
    rects << button->geometry();
    QCOMPARE(button->geometry().top(), rects.first().top());  // one row
  }
  // The close button keeps the top-right corner and covers none of the picture buttons.
  auto* close = window->control<QPushButton>("按钮_关闭语句提取按钮面板");
  QCOMPARE(close->geometry().right(), panel->width() - 2);
  QCOMPARE(close->geometry().top(), 1);
  for (const QRect& rect : rects) QVERIFY(!rect.intersects(close->geometry()));
  // Drawn over the work area.
  const QList<QObject*> top_level = window->clientArea()->children();
  QVERIFY(top_level.indexOf(panel) > top_level.indexOf(window->control<QWidget>("分组框3")));
}

void BuiltWindowsTest::textExportMenuAndClientArea() {
  std::unique_ptr<DesignedWindow> window(build_window(WindowId::TextExport));
  QMenuBar* bar = window->menuBar();
  QVERIFY(bar);
  auto* file_menu = window->control<QMenu>("文件");
  QVERIFY(file_menu);
  QCOMPARE(file_menu->title(), QStringLiteral("文件"));
  auto* save = window->control<QAction>("保存");
  QVERIFY(save);
  QCOMPARE(save->text(), QStringLiteral("保存"));
  QCOMPARE(file_menu->actions(), QList<QAction*>{save});
  QCOMPARE(bar->actions().size(), 1);
  // The text box is placed below the menu bar.
  auto* box = window->control<QPlainTextEdit>("编辑框1");
  QCOMPARE(box->parentWidget(), window->clientArea());
  QCOMPARE(window->clientArea()->y(), bar->height());
  QCOMPARE(box->mapTo(window.get(), QPoint(0, 0)), QPoint(7, 2 + bar->height()));
}

void BuiltWindowsTest::comboBoxesStartWithTextButNoSelection() {
  std::unique_ptr<DesignedWindow> main(build_window(WindowId::Main));
  auto* mode = main->control<QComboBox>("组合框_组合模式");
  QVERIFY(mode->isEditable());
  QCOMPARE(mode->currentIndex(), -1);
  QCOMPARE(mode->currentText(), QStringLiteral("两关键词间隔字符数"));
  QCOMPARE(mode->count(), 2);
  QCOMPARE(mode->itemText(1), QStringLiteral("第二词在字符数范围"));
  // The search bar's numbers start as the search form's, which lantaro-cli also falls back on.
  QCOMPARE(main->control<QLineEdit>("编辑框_左字数")->text(), QStringLiteral("20"));
  QCOMPARE(main->control<QLineEdit>("编辑框_右字数")->text(), QStringLiteral("20"));
  QCOMPARE(main->control<QLineEdit>("编辑框_字数")->text(), QStringLiteral("2"));

  QPointer<DesignedWindow> add(build_window(WindowId::AddCorpus));
  auto* kind = add->control<QComboBox>("组合框_目录类型");
  QCOMPARE(kind->currentIndex(), -1);
  QCOMPARE(kind->currentText(), QStringLiteral("顶级目录"));
  QCOMPARE(kind->itemText(0), QStringLiteral("顶级目录"));
  QCOMPARE(kind->itemText(1), QStringLiteral("子目录"));
  delete add;
}

void BuiltWindowsTest::fontsAndColours() {
  std::unique_ptr<DesignedWindow> main(build_window(WindowId::Main));
  QCOMPARE(main->control<QLabel>("标签5")->palette().color(QPalette::WindowText),
           QColor("#FF0000"));
  QCOMPARE(main->control<QLabel>("透明标签_执行结果")->palette().color(QPalette::WindowText),
           QColor("#FF00FF"));
  QVERIFY(!main->control<QLabel>("透明标签_执行结果")->autoFillBackground());
  auto* thread_box = main->control<QLineEdit>("编辑框_线程执行信息");
  QCOMPARE(thread_box->palette().color(QPalette::Text), QColor("#FF0000"));
  // No border: the default colour beneath shows through, no white box.
  QCOMPARE(thread_box->palette().color(QPalette::Base).alpha(), 0);
  QVERIFY(!thread_box->hasFrame());
  QCOMPARE(main->control<TabControl>("高级选择夹1")->tabBar()->font().pixelSize(), 12);
  QCOMPARE(main->control<QPlainTextEdit>("超级编辑框1")->font().pointSize(), 9);
  QCOMPARE(main->control<QPlainTextEdit>("超级编辑框1")->font().families().value(0),
           QStringLiteral("宋体"));
  // The full-text view keeps its selection highlighted while the next-hit button has the focus.
  const QPalette view = main->control<QPlainTextEdit>("超级编辑框1")->palette();
  QCOMPARE(view.color(QPalette::Inactive, QPalette::Highlight),
           view.color(QPalette::Active, QPalette::Highlight));

  QPointer<DesignedWindow> progress(build_window(WindowId::Progress));
  auto* label = progress->control<QLabel>("透明标签1");
  QCOMPARE(label->font().pixelSize(), 24);
  QCOMPARE(label->palette().color(QPalette::WindowText), QColor("#FF00FF"));
  delete progress;

  QPointer<DesignedWindow> sponsor(build_window(WindowId::Sponsor));
  auto* note = sponsor->control<QLabel>("透明标签1");
  QVERIFY(note->font().bold());
  QCOMPARE(note->font().pixelSize(), 21);
  QCOMPARE(note->palette().color(QPalette::WindowText), QColor("#C06000"));
  QVERIFY(note->wordWrap());
  QCOMPARE(note->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
  auto* divider = sponsor->control<QLabel>("标签4");
  QVERIFY(divider->autoFillBackground());
  QCOMPARE(divider->palette().color(QPalette::Window), QColor("#80E000"));
  delete sponsor;

  QPointer<DesignedWindow> info(build_window(WindowId::ProgramInfo));
  const QStringList lines = info->control<QPlainTextEdit>("编辑框1")->toPlainText().split('\n');
  QCOMPARE(lines.size(), 7);
  QCOMPARE(lines[0], QString());
  QCOMPARE(lines[1], QStringLiteral("程序名称：Lantaro"));
  QCOMPARE(lines[2], QStringLiteral("版本号：V1.0"));
  QVERIFY(lines[3].startsWith(QStringLiteral("软件作者：")));
  QCOMPARE(lines[4], QString());
  QVERIFY(lines[5].startsWith(QStringLiteral("联系电话：")));
  QVERIFY(lines[6].startsWith(QStringLiteral("联系QQ：")));
  delete info;
}

void BuiltWindowsTest::placeholderTree() {
  std::unique_ptr<DesignedWindow> main(build_window(WindowId::Main));
  auto* tree = main->control<QTreeView>("树型框1");
  QAbstractItemModel* model = tree->model();
  QVERIFY(model);
  QCOMPARE(model->rowCount(), 1);
  const QModelIndex top = model->index(0, 0);
  QCOMPARE(top.data().toString(), QStringLiteral("项目1"));
  QCOMPARE(model->rowCount(top), 2);
  QCOMPARE(model->index(0, 0, top).data().toString(), QStringLiteral("子项目1"));
  QCOMPARE(model->index(1, 0, top).data().toString(), QStringLiteral("子项目2"));
  QCOMPARE(model->index(1, 0, top).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QVERIFY(tree->isExpanded(top));
  QCOMPARE(tree->currentIndex(), top);

  QPointer<DesignedWindow> add(build_window(WindowId::AddCorpus));
  auto* location = add->control<QTreeView>("树型框1");
  QVERIFY(!location->model() || location->model()->rowCount() == 0);
  delete add;
}

void BuiltWindowsTest::picturesExistForEveryControl() {
  for (WindowId id : kAllWindows) {
    QPointer<DesignedWindow> window(build_window(id));
    for (const ControlDefinition& d : window_definition(id).controls) {
      if (d.picture.isEmpty()) continue;
      const QSize size = d.pictureSize.isValid() ? d.pictureSize : d.geometry.size();
      QVERIFY2(!render_picture(d.picture, size).isNull(), qPrintable(d.picture));
      if (d.kind == ControlKind::PictureBox) {
        QVERIFY2(!window->control<QLabel>(d.name)->pixmap().isNull(), qPrintable(d.name));
      }
    }
    delete window;
  }
  for (const char* resource : {art::kProgramIcon, art::kTreeFolder, art::kTreeDocument}) {
    QVERIFY2(!render_picture(QString::fromLatin1(resource), QSize(16, 15)).isNull(), resource);
  }
  QVERIFY(!program_icon().isNull());
}

// Every field of every controls struct names a control of its window, of the field's class.
void BuiltWindowsTest::typedControlsResolveOnTheirWindows() {
  auto missing = [](WindowId id, auto controls) {
    std::unique_ptr<DesignedWindow> window(build_window(id));
    return missing_controls<decltype(controls)>(*window);
  };
  QCOMPARE(missing(WindowId::Main, MainWindowControls{}), QStringList{});
  QCOMPARE(missing(WindowId::AddCorpus, AddCorpusControls{}), QStringList{});
  QCOMPARE(missing(WindowId::TextExport, TextExportControls{}), QStringList{});
  QCOMPARE(missing(WindowId::Context, ContextControls{}), QStringList{});
  QCOMPARE(missing(WindowId::Help, HelpControls{}), QStringList{});
  QCOMPARE(missing(WindowId::Progress, ProgressControls{}), QStringList{});
  // A struct is checked against the window it is resolved on: the help window has no tree.
  QCOMPARE(missing(WindowId::Help, AddCorpusControls{}).size(), 9);
}

QTEST_MAIN(BuiltWindowsTest)
#include "built_windows_test.moc"
