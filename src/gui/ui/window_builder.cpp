#include "gui/ui/window_builder.h"

#include <utility>

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include "gui/ui/artwork.h"
#include "gui/ui/balloon_tip.h"
#include "gui/ui/integer_input.h"
#include "gui/ui/kwic_delegate.h"
#include "gui/ui/picture_button.h"
#include "gui/ui/shape_box.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/text_box.h"

namespace lantaro::ui {

void install_font_substitutions() {
  static const bool installed = [] {
    const QStringList song = {
        QStringLiteral("SimSun"),           QStringLiteral("宋体"),
        QStringLiteral("NSimSun"),          QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    return true;
  }();
  (void)installed;
}

namespace {

// Qt asks for a few texts of its file dialogs under a context that its Chinese translation
// (Qt 6.4) does not carry yet; answered here, everything else goes on to the other translators.
class QtTextGaps : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source_text, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Folder", "文件夹"},     {"File Folder", "文件夹"}, {"Drive", "驱动器"},
        {"Shortcut", "快捷方式"}, {"Alias", "替身"},         {"Unknown", "未知"}};
    for (const auto& [english, chinese] : kTexts) {
      if (qstrcmp(source_text, english) == 0) return QString::fromUtf8(chinese);
    }
    return {};
  }
};

}  // namespace

bool install_qt_translation() {
  static QTranslator* translator = nullptr;
  if (translator) return true;
  // Chinese whatever the system's locale: the program's own texts are Chinese in any case, and
  // so are the file types and dates Qt's file dialogs take from the default locale.
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  // The Windows package ships the translation beside the program (qt.conf names the folder).
  auto* loaded = new QTranslator(QCoreApplication::instance());
  if (!loaded->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete loaded;
    return false;
  }
  QCoreApplication::installTranslator(loaded);
  // Installed last, so asked first.
  QCoreApplication::installTranslator(new QtTextGaps(QCoreApplication::instance()));
  translator = loaded;
  return true;
}

QFont font_for(const FontDefinition& definition, const QFont& base) {
  QFont font = base;
  if (!definition.family.isEmpty()) font.setFamilies({definition.family});
  if (definition.pixelSize > 0) {
    font.setPixelSize(definition.pixelSize);
  } else if (definition.pointSize > 0) {
    font.setPointSize(definition.pointSize);
  }
  if (definition.bold) font.setBold(true);
  return font;
}

namespace {

QString multi_line_text(const QString& text) {
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return plain;
}

void set_colour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  if (!colour.isValid()) return;
  QPalette colours = widget->palette();
  colours.setColor(role, colour);
  widget->setPalette(colours);
}

void set_selection_look(QWidget* widget, const ControlDefinition& d) {
  if (!d.keepSelectionVisible && !d.hideSelectionUnfocused) return;
  QPalette colours = widget->palette();
  if (d.keepSelectionVisible) {
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
      colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    }
  } else {
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::Text));
  }
  widget->setPalette(colours);
}

// Boxes drawn without a border take the window's colour, as the designed look has them.
void set_box_colours(QWidget* box, const ControlDefinition& d) {
  QPalette colours = box->palette();
  if (d.textColor.isValid()) colours.setColor(QPalette::Text, d.textColor);
  if (d.backgroundColor.isValid()) {
    colours.setColor(QPalette::Base, d.backgroundColor);
  } else if (d.noBorder) {
    // Transparent, so whatever lies beneath (the window, a group box) shows through.
    colours.setColor(QPalette::Base, Qt::transparent);
  }
  box->setPalette(colours);
}

// A read-only box without a border shows fixed text, like a label: all of it, without scroll
// bars or a caret. Where the font's lines are taller than the design's (CJK faces with a large
// line gap), the font is made just small enough for every line to fit.
void fit_like_label(QPlainTextEdit* edit, const ControlDefinition& d) {
  edit->setTextInteractionFlags(Qt::TextSelectableByMouse);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int lines = static_cast<int>(multi_line_text(d.text).count(u'\n')) + 1;
  QFont font = d.font.isDefault() ? edit->font() : font_for(d.font, edit->font());
  int pixels = QFontInfo(font).pixelSize();
  while (pixels > 8 && QFontMetrics(font).lineSpacing() * lines > d.geometry.height()) {
    font.setPixelSize(--pixels);
  }
  edit->setFont(font);
}

QStandardItemModel* placeholder_tree(const QStringList& items, QObject* parent) {
  auto* model = new QStandardItemModel(parent);
  std::vector<QStandardItem*> last_at_level;
  const QIcon folder = tree_picture(0);
  for (const QString& entry : items) {
    int level = 0;
    while (level < entry.size() && entry.at(level) == u'\t') ++level;
    auto* item = new QStandardItem(folder, entry.mid(level));
    item->setCheckable(true);
    item->setCheckState(Qt::Unchecked);
    item->setEditable(false);
    if (level == 0 || static_cast<std::size_t>(level) > last_at_level.size()) {
      model->appendRow(item);
      level = 0;
    } else {
      last_at_level[static_cast<std::size_t>(level - 1)]->appendRow(item);
    }
    last_at_level.resize(static_cast<std::size_t>(level));
    last_at_level.push_back(item);
  }
  return model;
}

QWidget* create_widget(const ControlDefinition& d, QWidget* parent) {
  switch (d.kind) {
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(d.text, parent);
      set_colour(box, QPalette::WindowText, d.textColor);
      return box;
    }
    case ControlKind::Label:
    case ControlKind::TransparentLabel: {
      auto* label = new QLabel(d.text, parent);
      label->setAlignment(d.alignment);
      label->setWordWrap(d.wordWrap);
      label->setTextFormat(Qt::PlainText);
      set_colour(label, QPalette::WindowText, d.textColor);
      if (d.kind == ControlKind::Label && d.backgroundColor.isValid()) {
        set_colour(label, QPalette::Window, d.backgroundColor);
        label->setAutoFillBackground(true);
      }
      return label;
    }
    case ControlKind::EditBox:
      if (!d.multiLine) {
        auto* edit = new QLineEdit(d.text, parent);
        edit->setReadOnly(d.readOnly);
        edit->setFrame(!d.noBorder);
        edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        set_box_colours(edit, d);
        set_selection_look(edit, d);
        if (d.integerOnly) make_integer_only(edit);
        edit->setCursorPosition(0);
        return edit;
      }
      [[fallthrough]];
    case ControlKind::RichEditBox: {
      auto* edit = new TextBox(parent);
      edit->setPlainText(multi_line_text(d.text));
      edit->setReadOnly(d.readOnly);
      if (d.readOnly) {
        // Read-only boxes still let the user select and copy with the keyboard.
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      }
      edit->setLineWrapMode(d.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
      if (d.noBorder) {
        // Borderless boxes read like labels: text starts at the box's edge.
        edit->setFrameShape(QFrame::NoFrame);
        edit->document()->setDocumentMargin(0);
      }
      if (d.noBorder && d.readOnly) fit_like_label(edit, d);
      set_box_colours(edit, d);
      set_selection_look(edit, d);
      return edit;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton(d.text, parent);
      button->setAutoDefault(false);
      button->setDefault(false);
      set_colour(button, QPalette::ButtonText, d.textColor);
      return button;
    }
    case ControlKind::PictureButton: {
      auto* button = new PictureButton(parent);
      button->setText(d.text);
      button->setPicture(d.picture, d.pictureSize);
      return button;
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->addItems(d.items);
      combo->setCurrentIndex(-1);
      combo->setEditText(d.text);
      return combo;
    }
    case ControlKind::ListBox: {
      auto* list = new QListView(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      // Every row has the same height: keeps a list of a million items fast.
      list->setUniformItemSizes(true);
      list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      if (d.hitHighlight.isValid()) list->setItemDelegate(new KwicDelegate(d.hitHighlight, list));
      return list;
    }
    case ControlKind::Grid: {
      auto* grid = new QTableView(parent);
      grid->setSelectionBehavior(QAbstractItemView::SelectRows);
      grid->setSelectionMode(QAbstractItemView::SingleSelection);
      grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
      grid->verticalHeader()->setVisible(false);
      return grid;
    }
    case ControlKind::TreeBox: {
      auto* tree = new QTreeView(parent);
      tree->setHeaderHidden(true);
      tree->setSelectionMode(QAbstractItemView::SingleSelection);
      tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
      tree->setRootIsDecorated(true);
      tree->setIconSize(QSize(16, 15));
      set_selection_look(tree, d);
      if (!d.items.isEmpty()) {
        auto* model = placeholder_tree(d.items, tree);
        tree->setModel(model);
        tree->expand(model->index(0, 0));
        tree->setCurrentIndex(model->index(0, 0));
      }
      return tree;
    }
    case ControlKind::TabControl: {
      auto* tabs = new TabControl(parent);
      tabs->setPages(d.items);
      return tabs;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(d.minimum, d.maximum);
      bar->setValue(d.value);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::ShapeBox: return new ShapeBox(parent);
    case ControlKind::PictureBox: {
      auto* box = new QLabel(parent);
      box->setAlignment(Qt::AlignCenter);
      if (d.framed) {
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(2);
      }
      return box;
    }
    default: return nullptr;
  }
}

// Pictures are drawn for the box's inner size once the frame is known.
void fill_picture_box(QLabel* box, const ControlDefinition& d) {
  if (d.picture.isEmpty()) return;
  const QSize inner = d.geometry.size() - QSize(2 * box->frameWidth(), 2 * box->frameWidth());
  box->setPixmap(d.pictureFit == PictureFit::Stretch
                     ? render_picture_stretched(d.picture, inner, box->devicePixelRatioF())
                     : render_picture(d.picture, inner, box->devicePixelRatioF()));
}

void add_context_menu(QWidget* widget, const QStringList& captions) {
  auto* choices = new QActionGroup(widget);
  choices->setExclusive(true);
  for (const QString& caption : captions) {
    auto* action = new QAction(caption, widget);
    action->setObjectName(caption);
    action->setCheckable(true);
    action->setChecked(caption == captions.front());
    choices->addAction(action);
    widget->addAction(action);
  }
  widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

bool takes_focus(ControlKind kind) {
  switch (kind) {
    case ControlKind::EditBox:
    case ControlKind::RichEditBox:
    case ControlKind::PushButton:
    case ControlKind::PictureButton:
    case ControlKind::ComboBox:
    case ControlKind::ListBox:
    case ControlKind::Grid:
    case ControlKind::TreeBox: return true;
    default: return false;
  }
}

}  // namespace

DesignedWindow* build_window(WindowId id, QWidget* parent) {
  install_font_substitutions();
  load_artwork();
  const WindowDefinition& definition = window_definition(id);
  // A framed window is a window of its own: the program ends only when the last of them closes,
  // and closing the window that opened it leaves it (and what the user typed into it) alone.
  // Qt counts only windows without a parent window towards that, so the opener only ends its
  // life when the opener itself is destroyed. The frameless progress window stays over its opener.
  QWidget* owner = parent;
  if (definition.frame != FrameKind::None) parent = nullptr;
  auto* window = new DesignedWindow(definition, parent);
  if (id != WindowId::Main) window->setAttribute(Qt::WA_DeleteOnClose);
  if (owner && !parent)
    QObject::connect(owner, &QObject::destroyed, window, [window] { delete window; });

  if (!definition.menu.empty()) {
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu* current = nullptr;
    for (const MenuEntryDefinition& entry : definition.menu) {
      if (entry.level == 0 || !current) {
        current = bar->addMenu(entry.caption);
        current->setObjectName(entry.caption);
      } else {
        QAction* action = current->addAction(entry.caption);
        action->setObjectName(entry.caption);
      }
    }
    auto* client = new QWidget(window);
    client->setObjectName(QStringLiteral("clientArea"));
    window->setMenuBar(bar);
    window->setClientArea(client);
  }

  QHash<QString, QWidget*> widgets;
  for (const ControlDefinition& d : definition.controls) {
    if (d.nonVisual()) {
      QObject* object = nullptr;
      if (d.kind == ControlKind::BalloonTip) object = new BalloonTip(window);
      if (d.kind == ControlKind::Timer) {
        auto* timer = new QTimer(window);
        timer->setInterval(0);  // never started
        object = timer;
      }
      if (object) object->setObjectName(d.name);
      continue;
    }

    QWidget* parent_widget = window->clientArea();
    if (!d.parent.isEmpty()) {
      parent_widget = widgets.value(d.parent);
      Q_ASSERT_X(parent_widget, "build_window", "a parent must be defined before its children");
      if (!parent_widget) parent_widget = window->clientArea();
    }
    QWidget* widget = create_widget(d, parent_widget);
    if (!widget) continue;
    widget->setObjectName(d.name);
    if (!d.font.isDefault()) widget->setFont(font_for(d.font, widget->font()));
    widget->setGeometry(d.geometry);
    widget->setEnabled(d.enabled);
    if (takes_focus(d.kind)) widget->setFocusPolicy(d.tabStop ? Qt::StrongFocus : Qt::NoFocus);
    if (!d.hint.isEmpty()) widget->setToolTip(d.hint);
    if (!d.contextMenu.isEmpty()) add_context_menu(widget, d.contextMenu);
    if (d.kind == ControlKind::PictureBox) fill_picture_box(static_cast<QLabel*>(widget), d);

    if (auto* tabs = qobject_cast<TabControl*>(parent_widget); tabs && d.page > 0) {
      tabs->addPageControl(d.page, widget, d.visible);
    } else if (!d.visible) {
      widget->setVisible(false);
    }
    window->addPlacement(widget, parent_widget, d.geometry, d.anchors);
    widgets.insert(d.name, widget);
  }
  window->applyLayout();
  return window;
}

}  // namespace lantaro::ui
