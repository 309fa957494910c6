#pragma once
// Every window of the program and every control on it, as data: names, kinds, parents,
// geometry, initial state, texts, fonts and colours. The builder (window_builder.h) turns one of
// these definitions into widgets; tests compare the built windows against the same data.

#include <vector>

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <Qt>

namespace lantaro::ui {

enum class WindowId { Main, AddCorpus, TextExport, Context, Help, ProgramInfo, Progress, Sponsor };

inline constexpr WindowId kAllWindows[] = {
    WindowId::Main, WindowId::AddCorpus,   WindowId::TextExport, WindowId::Context,
    WindowId::Help, WindowId::ProgramInfo, WindowId::Progress,   WindowId::Sponsor};

enum class FrameKind {
  Sizable,  // normal frame the user can drag
  Fixed,    // normal frame, size fixed (a window with a maximize button can still be maximized)
  None,     // no frame and no caption: the window is its client area
};

// Caption buttons besides the close box (the system menu always brings the close box).
enum CaptionButton : unsigned {
  kSystemMenu = 1u << 0,
  kMinimize = 1u << 1,
  kMaximize = 1u << 2,
};

enum class ControlKind {
  GroupBox,          // QGroupBox
  Label,             // QLabel
  TransparentLabel,  // QLabel without background
  EditBox,           // QLineEdit, or QPlainTextEdit with ControlDefinition::multiLine
  RichEditBox,       // QPlainTextEdit
  PushButton,        // QPushButton
  PictureButton,     // ui::PictureButton
  ComboBox,          // QComboBox (editable drop-down)
  ListBox,           // QListView (the feature sets a model)
  Grid,              // QTableView (the feature sets a model)
  TreeBox,           // QTreeView (the feature sets a model)
  TabControl,        // ui::TabControl
  ProgressBar,       // QProgressBar
  ShapeBox,          // ui::ShapeBox
  PictureBox,        // QLabel holding a picture
  // Non-visual units: no geometry, never shown.
  BalloonTip,         // ui::BalloonTip (a QObject)
  Timer,              // QTimer, never started
  FileDialog,         // no object: dialogs go through ui/user_prompts.h
  SpreadsheetObject,  // no object: the export feature owns its spreadsheet component
};

bool is_non_visual(ControlKind kind);

struct FontDefinition {
  QString family;     // empty: the default GUI font
  int pointSize = 0;  // 0: not given
  int pixelSize = 0;  // 0: not given (character height in pixels)
  bool bold = false;
  bool isDefault() const { return family.isEmpty() && pointSize == 0 && pixelSize == 0 && !bold; }
};

// How a control follows its parent when the parent grows beyond its designed size: each edge moves
// by this fraction of the parent's growth in that direction (left/right of the width growth,
// top/bottom of the height growth). All zero: the control keeps its designed geometry.
struct Anchors {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Anchors&) const = default;
};

enum class PictureFit {
  Centre,   // shrunk to fit, proportions kept, centred
  Stretch,  // stretched to fill the box
};

struct ControlDefinition {
  QString name;
  ControlKind kind = ControlKind::Label;
  QString parent;  // empty: the window's client area; else a group box, shape box or tab control
  int page = 0;    // for controls on a tab control: the page, counted from 1
  QRect geometry;  // left, top, width, height relative to the parent (a tab control's whole rect)

  bool visible = true;
  bool enabled = true;
  bool tabStop = false;

  QString text;  // caption or initial text ("\r\n" separates lines of multi-line boxes)
  QStringList
      items;  // combo box items, tab captions; tree placeholder items ("\t" = one level down)
  FontDefinition font;
  QColor textColor;        // invalid: automatic
  QColor backgroundColor;  // invalid: the default colour of the kind

  bool readOnly = false;
  bool multiLine = false;
  bool wordWrap = false;
  bool integerOnly = false;  // typed characters other than 0-9 and '-' are ignored
  bool noBorder = false;
  bool keepSelectionVisible = false;  // selection stays highlighted without the focus
  bool hideSelectionUnfocused = false;
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;

  QString hint;       // tooltip
  QString picture;    // resource path of an SVG picture
  QSize pictureSize;  // size the picture is drawn at (buttons); boxes fit it to themselves
  PictureFit pictureFit = PictureFit::Centre;
  bool framed = false;  // picture boxes: sunken edge inside a raised frame

  int minimum = 0, maximum = 100, value = 0;  // progress bars

  // List boxes: valid = result items drawn as keyword in context (ui/kwic_delegate.h), the hits
  // on this colour.
  QColor hitHighlight;
  // Choices offered by a right click, one of them in force (the first at start); each is an
  // action named by its caption.
  QStringList contextMenu;

  Anchors anchors;

  bool nonVisual() const { return is_non_visual(kind); }
};

struct MenuEntryDefinition {
  int level = 0;  // 0: a menu-bar entry opening a drop-down; 1: a command in the last one
  QString caption;
};

struct WindowDefinition {
  WindowId id = WindowId::Main;
  QString objectName;
  QString title;
  QSize outerSize;  // frame and caption included
  // Sizable windows: the smallest outer size at which every control stays usable.
  QSize minimumSize;
  FrameKind frame = FrameKind::Sizable;
  unsigned captionButtons = kSystemMenu | kMinimize | kMaximize;
  QColor background;  // invalid: the default colour
  std::vector<MenuEntryDefinition> menu;
  std::vector<ControlDefinition> controls;  // parents come before their children

  // Nullptr when the window has no such control.
  const ControlDefinition* find(const QString& name) const;
};

const WindowDefinition& window_definition(WindowId id);

// Resource paths of the artwork the features use directly.
namespace art {
inline constexpr char kProgramIcon[] = ":/art/program_icon.svg";
inline constexpr char kTreeFolder[] = ":/art/tree/folder.svg";      // tree picture 0
inline constexpr char kTreeDocument[] = ":/art/tree/document.svg";  // tree picture 1
}  // namespace art

}  // namespace lantaro::ui
