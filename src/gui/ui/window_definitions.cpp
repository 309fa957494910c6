#include "gui/ui/window_definitions.h"

#include <array>
#include <string_view>

#include "engine/retrieval/search_request.h"
#include "gui/ui/qt_text.h"

namespace lantaro::ui {

bool is_non_visual(ControlKind kind) {
  switch (kind) {
    case ControlKind::BalloonTip:
    case ControlKind::Timer:
    case ControlKind::FileDialog:
    case ControlKind::SpreadsheetObject: return true;
    default: return false;
  }
}

const ControlDefinition* WindowDefinition::find(const QString& name) const {
  for (const ControlDefinition& control : controls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

// The search bar starts with the values a search form has when nothing is entered, which are
// also what lantaro-cli uses for options left out.
const SearchForm kSearchBarStart;

// Keeps the tables below readable: one line per control, modifiers chained.
class C {
 public:
  C(ControlKind kind, const char* name, int left, int top, int width, int height) {
    d_.kind = kind;
    d_.name = u8(name);
    d_.geometry = QRect(left, top, width, height);
  }
  C(ControlKind kind, const char* name) {  // non-visual
    d_.kind = kind;
    d_.name = u8(name);
    d_.visible = false;
  }
  C&& in(const char* parent, int page = 0) && {
    d_.parent = u8(parent);
    d_.page = page;
    return std::move(*this);
  }
  C&& text(const char* value) && {
    d_.text = u8(value);
    return std::move(*this);
  }
  C&& text(std::u16string_view value) && {
    d_.text = to_qstring(value);
    return std::move(*this);
  }
  C&& items(std::initializer_list<const char*> values) && {
    for (const char* value : values) d_.items << u8(value);
    return std::move(*this);
  }
  C&& items(std::initializer_list<std::u16string_view> values) && {
    for (std::u16string_view value : values) d_.items << to_qstring(value);
    return std::move(*this);
  }
  C&& hidden() && {
    d_.visible = false;
    return std::move(*this);
  }
  C&& tab() && {
    d_.tabStop = true;
    return std::move(*this);
  }
  C&& font(const char* family, int points, int pixels = 0, bool bold = false) && {
    d_.font = FontDefinition{u8(family), points, pixels, bold};
    return std::move(*this);
  }
  C&& color(const char* text_rgb, const char* background_rgb = nullptr) && {
    if (text_rgb) d_.textColor = QColor(QLatin1String(text_rgb));
    if (background_rgb) d_.backgroundColor = QColor(QLatin1String(background_rgb));
    return std::move(*this);
  }
  C&& readOnly() && {
    d_.readOnly = true;
    return std::move(*this);
  }
  C&& multiLine(bool wrap) && {
    d_.multiLine = true;
    d_.wordWrap = wrap;
    return std::move(*this);
  }
  C&& wrap() && {
    d_.wordWrap = true;
    return std::move(*this);
  }
  C&& integerOnly() && {
    d_.integerOnly = true;
    return std::move(*this);
  }
  C&& noBorder() && {
    d_.noBorder = true;
    return std::move(*this);
  }
  C&& keepSelection() && {
    d_.keepSelectionVisible = true;
    return std::move(*this);
  }
  C&& hideSelection() && {
    d_.hideSelectionUnfocused = true;
    return std::move(*this);
  }
  C&& align(Qt::Alignment alignment) && {
    d_.alignment = alignment;
    return std::move(*this);
  }
  C&& picture(const char* resource, int width, int height, const char* hint = nullptr) && {
    d_.picture = u8(resource);
    d_.pictureSize = QSize(width, height);
    if (hint) d_.hint = u8(hint);
    return std::move(*this);
  }
  C&& boxPicture(const char* resource, PictureFit fit, bool framed) && {
    d_.picture = u8(resource);
    d_.pictureFit = fit;
    d_.framed = framed;
    return std::move(*this);
  }
  C&& range(int minimum, int maximum, int value) && {
    d_.minimum = minimum;
    d_.maximum = maximum;
    d_.value = value;
    return std::move(*this);
  }
  C&& kwic(const char* hit_rgb) && {
    d_.hitHighlight = QColor(QLatin1String(hit_rgb));
    return std::move(*this);
  }
  C&& contextMenu(std::initializer_list<const char*> captions) && {
    for (const char* caption : captions) d_.contextMenu << u8(caption);
    return std::move(*this);
  }
  C&& anchors(double left, double top, double right, double bottom) && {
    d_.anchors = Anchors{left, top, right, bottom};
    return std::move(*this);
  }
  operator ControlDefinition() && { return std::move(d_); }

 private:
  ControlDefinition d_;
};

using K = ControlKind;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// Share of the work area's extra width that goes to the results group; the rest goes to the
// document list, which therefore moves right by this share.
constexpr double kResultsShare = 2.0 / 3.0;
// Share of the window's extra height that goes to the work area; the bottom panel takes the rest.
constexpr double kWorkAreaShare = 0.75;
// Share of the document list's extra height that goes to the corpus tree, the hit grid taking
// the rest: the tree has room to spare at the designed size, the grid only five rows, so a
// window shrunk to a small screen takes its height mostly from the tree.
constexpr double kCorpusTreeShare = 0.75;

WindowDefinition main_window() {
  WindowDefinition w;
  w.id = WindowId::Main;
  w.objectName = "mainWindow";
  w.title = "Lantaro";
  w.outerSize = QSize(1153, 821);
  // The toolbar and the search bar keep their designed width; below this height the hit grid
  // and the bottom panel would lose their last readable lines.
  w.minimumSize = QSize(1153, 700);
  w.frame = FrameKind::Sizable;
  w.captionButtons = kSystemMenu | kMinimize | kMaximize;

  const double r = kResultsShare;
  const double v = kWorkAreaShare;
  const double t = kCorpusTreeShare;
  w.controls = {
      // Regions placed on the window.
      C(K::GroupBox, "分组框1", 8, 4, 1136, 100).anchors(0, 0, 1, 0),
      C(K::GroupBox, "分组框2", 8, 103, 1136, 73).anchors(0, 0, 1, 0),
      C(K::GroupBox, "分组框3", 8, 183, 1136, 480).anchors(0, 0, 1, v),
      C(K::GroupBox, "分组框6", 8, 664, 1136, 128).anchors(0, v, 1, 1),

      // Toolbar.
      C(K::PictureButton, "超级按钮_加入语料", 14, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("加入语料")
          .picture(":/art/toolbar/add_corpus.svg", 70, 50),
      C(K::PictureButton, "超级按钮_刷新文献", 130, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("刷新文献")
          .picture(":/art/toolbar/refresh.svg", 70, 50),
      C(K::PictureButton, "超级按钮_提取到EXCEL", 246, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("结果导出到EXCEL")
          .picture(":/art/toolbar/export_excel.svg", 70, 50),
      C(K::PictureButton, "超级按钮_提取到TXT", 362, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("结果导出到TXT")
          .picture(":/art/toolbar/export_txt.svg", 70, 50),
      C(K::PictureButton, "超级按钮_句子提取", 480, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("文献语句提取")
          .picture(":/art/toolbar/extraction.svg", 70, 50),
      C(K::PictureButton, "超级按钮_操作帮助", 602, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("操作帮助")
          .picture(":/art/toolbar/help.svg", 70, 50),
      C(K::PictureButton, "超级按钮_赞助支持", 823, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("赞助支持")
          .picture(":/art/toolbar/sponsor.svg", 70, 50),
      C(K::PictureButton, "超级按钮_程序信息", 936, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("程序信息")
          .picture(":/art/toolbar/program_info.svg", 70, 50),
      C(K::PictureButton, "超级按钮_更多信息", 1041, 11, 80, 80)
          .in("分组框1")
          .tab()
          .text("更多信息")
          .picture(":/art/toolbar/more_info.svg", 70, 50),

      // Search bar.
      C(K::Label, "标签1", 8, 23, 40, 24).in("分组框2").text("关键词"),
      C(K::EditBox, "编辑框_关键词", 64, 21, 400, 28).in("分组框2").tab(),
      C(K::BalloonTip, "气球提示框1").in("分组框2"),
      C(K::PushButton, "按钮_搜索", 472, 19, 56, 32).in("分组框2").tab().text("检索"),
      C(K::Label, "标签5", 560, 35, 136, 24)
          .in("分组框2")
          .text("双关键词模式请设置此项")
          .color("#FF0000"),
      C(K::Label, "标签2", 620, 9, 48, 24).in("分组框2").text("显示字数"),
      C(K::Label, "标签3", 675, 13, 16, 15).in("分组框2").text("左"),
      C(K::EditBox, "编辑框_左字数", 696, 11, 43, 20)
          .in("分组框2")
          .tab()
          .text(kSearchBarStart.left_text)
          .integerOnly(),
      C(K::Label, "标签4", 747, 14, 16, 15).in("分组框2").text("右"),
      C(K::EditBox, "编辑框_右字数", 768, 11, 43, 20)
          .in("分组框2")
          .tab()
          .text(kSearchBarStart.right_text)
          .integerOnly(),
      C(K::ComboBox, "组合框_组合模式", 696, 35, 136, 20)
          .in("分组框2")
          .tab()
          .text(kSearchBarStart.mode_text)
          .items({kExactGapModeText, kWithinRangeModeText}),
      C(K::EditBox, "编辑框_字数", 837, 35, 27, 20)
          .in("分组框2")
          .tab()
          .text(kSearchBarStart.n_text),
      C(K::EditBox, "编辑框_线程执行信息", 936, 24, 184, 24)
          .in("分组框2")
          .tab()
          .noBorder()
          .color("#FF0000"),
      C(K::ProgressBar, "进度条1", 8, 59, 1120, 10)
          .in("分组框2")
          .hidden()
          .range(0, 100, 0)
          .anchors(0, 0, 1, 0),

      // Work area: results group and document-list group.
      C(K::GroupBox, "分组框4", 8, 16, 736, 448).in("分组框3").anchors(0, 0, r, 1),
      C(K::GroupBox, "分组框5", 752, 16, 360, 448)
          .in("分组框3")
          .text("文献列表")
          .anchors(r, 0, 1, 1),

      C(K::TabControl, "高级选择夹1", 8, 17, 720, 400)
          .in("分组框4")
          .items({"搜索提取语句", "单个文献全文"})
          .font("SimSun", 9, 12)
          .anchors(0, 0, 1, 1),
      C(K::ListBox, "列表框1", 8, 32, 704, 352)
          .in("高级选择夹1", 1)
          .tab()
          .kwic("#FFE066")
          .contextMenu({"按出处顺序", "按左侧排序", "按右侧排序"})
          .anchors(0, 0, 1, 1),
      C(K::RichEditBox, "超级编辑框3", 32, 240, 136, 120)
          .in("高级选择夹1", 1)
          .hidden()
          .tab()
          .text("你好w")
          .multiLine(true)
          .font("宋体", 9),
      C(K::RichEditBox, "超级编辑框1", 8, 32, 704, 368)
          .in("高级选择夹1", 2)
          .tab()
          .readOnly()
          .multiLine(true)
          .keepSelection()
          .font("宋体", 9)
          .anchors(0, 0, 1, 1),
      C(K::PushButton, "按钮1", 592, 0, 88, 20)
          .in("高级选择夹1", 2)
          .tab()
          .text("下一条")
          .anchors(1, 0, 1, 0),
      C(K::TransparentLabel, "透明标签_执行结果", 40, 423, 640, 18)
          .in("分组框4")
          .text("结果状态")
          .color("#FF00FF")
          .anchors(0, 1, 1, 1),

      C(K::TreeBox, "树型框1", 8, 24, 344, 265)
          .in("分组框5")
          .tab()
          .items({"项目1", "\t子项目1", "\t子项目2"})
          .keepSelection()
          .anchors(0, 0, 1, t),
      C(K::TransparentLabel, "透明标签1", 8, 289, 344, 24)
          .in("分组框5")
          .color("#FF00FF")
          .anchors(0, t, 1, t),
      C(K::Grid, "高级表格1", 8, 313, 344, 128).in("分组框5").tab().anchors(0, t, 1, 1),
      C(K::Timer, "时钟1").in("分组框5"),
      C(K::SpreadsheetObject, "Excel程序1").in("分组框5"),
      C(K::SpreadsheetObject, "Excel工作簿1").in("分组框5"),

      // Bottom text panel.
      C(K::RichEditBox, "超级编辑框2", 8, 16, 1120, 96)
          .in("分组框6")
          .tab()
          .readOnly()
          .multiLine(true)
          .hideSelection()
          .font("宋体", 9)
          .anchors(0, 0, 1, 1),

      // Extraction panel: wide enough for all four picture buttons in one row; it moves with the
      // document list it covers.
      C(K::ShapeBox, "外形框1", 740, 208, 394, 96).hidden().anchors(r, 0, r, 0),
      C(K::PictureButton, "超级按钮_提取对话句", 10, 8, 80, 80)
          .in("外形框1")
          .tab()
          .text("提取对话句")
          .picture(":/art/panel/dialogue.svg", 50, 50, "提取中文双引号及其中的内容"),
      C(K::PictureButton, "超级按钮_提取叙述句", 104, 8, 80, 80)
          .in("外形框1")
          .tab()
          .text("提取叙述句")
          .picture(":/art/panel/narrative.svg", 50, 50, "提取文献中的叙述部分语句"),
      C(K::PictureButton, "超级按钮_提取全部句", 200, 8, 80, 80)
          .in("外形框1")
          .tab()
          .text("取所有语句")
          .picture(":/art/panel/all_sentences.svg", 50, 50,
                   "以单线程方式提取全部语句，不分叙述和对话，适合小型文献"),
      C(K::PictureButton, "超级按钮_多线程提取全部句", 296, 8, 80, 80)
          .in("外形框1")
          .hidden()
          .tab()
          .text("多线程取语句")
          .picture(":/art/panel/multi_threaded.svg", 50, 50,
                   "以多线程方式提取全部语句，不分叙述和对话，适合大型文献"),
      C(K::PushButton, "按钮_关闭语句提取按钮面板", 377, 1, 16, 16).in("外形框1").tab().text("X"),
  };
  return w;
}

WindowDefinition add_corpus_window() {
  WindowDefinition w;
  w.id = WindowId::AddCorpus;
  w.objectName = "addCorpusWindow";
  w.title = u8("加入语料");
  w.outerSize = QSize(596, 398);
  w.frame = FrameKind::Fixed;
  w.captionButtons = kSystemMenu | kMinimize;
  w.controls = {
      C(K::Label, "标签1", 15, 12, 48, 24).text("语料文件"),
      C(K::EditBox, "编辑框_语料文件", 71, 12, 448, 24)
          .tab()
          .readOnly()
          .color("#000000", "#FFFFFF"),
      C(K::PushButton, "按钮_选择语料", 522, 12, 56, 24).tab().text("选择语料"),
      C(K::FileDialog, "通用对话框1"),
      C(K::Label, "标签3", 13, 43, 48, 24).text("显示名称"),
      C(K::EditBox, "编辑框_显示名称", 72, 43, 504, 24).tab().color("#000000", "#FFFFFF"),
      C(K::Label, "标签2", 11, 77, 205, 24).text("在下方树形框中选择语料存放目标位置"),
      C(K::EditBox, "编辑框_目标位置", 224, 78, 352, 24)
          .tab()
          .readOnly()
          .color("#000000", "#FFFFFF"),
      C(K::Label, "标签4", 13, 107, 67, 24).text("创建新目录"),
      C(K::ComboBox, "组合框_目录类型", 80, 111, 80, 20)
          .tab()
          .text("顶级目录")
          .items({"顶级目录", "子目录"}),
      C(K::EditBox, "编辑框_新目录名称", 166, 109, 362, 24).tab().color("#000000", "#FFFFFF"),
      C(K::PushButton, "按钮_创建新目录", 530, 110, 48, 24).tab().text("创建"),
      C(K::TreeBox, "树型框1", 16, 139, 560, 173).tab().keepSelection(),
      C(K::PushButton, "按钮_确定", 256, 323, 72, 32).tab().text("确定"),
  };
  return w;
}

WindowDefinition text_export_window() {
  WindowDefinition w;
  w.id = WindowId::TextExport;
  w.objectName = "textExportWindow";
  w.title = u8("提取到TXT");
  w.outerSize = QSize(844, 563);
  w.frame = FrameKind::Fixed;
  w.captionButtons = kSystemMenu | kMinimize;
  w.menu = {{0, u8("文件")}, {1, u8("保存")}};
  w.controls = {
      C(K::EditBox, "编辑框1", 7, 2, 824, 504)
          .tab()
          .multiLine(false)
          .hideSelection()
          .color("#000000", "#FFFFFF"),
      C(K::FileDialog, "通用对话框1"),
  };
  return w;
}

WindowDefinition context_window() {
  WindowDefinition w;
  w.id = WindowId::Context;
  w.objectName = "contextWindow";
  w.title = u8("查看上下文");
  w.outerSize = QSize(864, 659);
  w.minimumSize = QSize(320, 240);
  w.frame = FrameKind::Sizable;
  w.captionButtons = kSystemMenu | kMinimize | kMaximize;
  w.controls = {
      C(K::RichEditBox, "超级编辑框1", 16, 16, 832, 600)
          .tab()
          .multiLine(true)
          .hideSelection()
          .font("宋体", 9)
          .anchors(0, 0, 1, 1),
  };
  return w;
}

WindowDefinition help_window() {
  WindowDefinition w;
  w.id = WindowId::Help;
  w.objectName = "helpWindow";
  w.title = u8("帮助");
  w.outerSize = QSize(587, 607);
  w.frame = FrameKind::Fixed;
  w.captionButtons = kSystemMenu | kMinimize | kMaximize;
  w.controls = {
      C(K::EditBox, "编辑框1", 8, 8, 568, 560)
          .tab()
          .multiLine(true)
          .color("#000000", "#FFFFFF")
          .anchors(0, 0, 1, 1),
  };
  return w;
}

WindowDefinition program_info_window() {
  WindowDefinition w;
  w.id = WindowId::ProgramInfo;
  w.objectName = "programInfoWindow";
  w.title = u8("程序信息");
  w.outerSize = QSize(280, 215);
  w.frame = FrameKind::Fixed;
  w.captionButtons = kSystemMenu | kMinimize;
  w.controls = {
      C(K::PictureBox, "图片框1", 8, 11, 88, 104)
          .boxPicture(":/art/program_info.svg", PictureFit::Centre, false),
      C(K::EditBox, "编辑框1", 98, 8, 168, 104)
          .tab()
          .multiLine(true)
          .readOnly()
          .noBorder()
          .color("#000000")
          .text("\r\n程序名称：Lantaro\r\n版本号：V1.0\r\n软件作者：Lantaro 开发组\r\n\r\n"
                "联系电话：暂无\r\n联系QQ：暂无"),
      C(K::EditBox, "编辑框2", 16, 120, 248, 64)
          .tab()
          .multiLine(true)
          .noBorder()
          .color("#000000")
          .text("Lantaro 由一个小型开发组编写，组员平日研读古籍，也整理现代汉语语料。")};
  return w;
}

WindowDefinition progress_window() {
  WindowDefinition w;
  w.id = WindowId::Progress;
  w.objectName = "progressWindow";
  w.title = QString();
  w.outerSize = QSize(562, 117);
  w.frame = FrameKind::None;
  w.captionButtons = 0;
  w.background = QColor(QLatin1String("#008000"));
  w.controls = {
      C(K::TransparentLabel, "透明标签1", 32, 10, 512, 38)
          .text("正在努力导出数据，请稍候哈....")
          .color("#FF00FF")
          .font("", 0, 24),
      C(K::ProgressBar, "进度条1", 16, 64, 536, 16).range(0, 100, 0),
      C(K::ProgressBar, "进度条2", 16, 88, 536, 16).range(0, 100, 0),
  };
  return w;
}

WindowDefinition sponsor_window() {
  WindowDefinition w;
  w.id = WindowId::Sponsor;
  w.objectName = "sponsorWindow";
  w.title = u8("赞助支持");
  w.outerSize = QSize(763, 561);
  w.frame = FrameKind::Fixed;
  w.captionButtons = kSystemMenu | kMinimize;
  w.controls = {
      C(K::Label, "标签1", 8, 8, 736, 24)
          .text("本软件应用完全免费，您的赞助将促进软件的完善，谢谢您！")
          .color("#000000"),
      C(K::TransparentLabel, "透明标签1", 8, 40, 744, 56)
          .text("感谢您对Lantaro的支持！赞助金额不限，多少都是心意。"
                "付款时请在备注中写上“Lantaro”，让我们知道这份支持来自本软件的用户。")
          .color("#C06000")
          .font("", 0, 21, true)
          .align(kCentred)
          .wrap(),
      C(K::Label, "标签2", 12, 112, 332, 48)
          .text("1.可用手机支付应用扫描以下图片付款，或转账到本软件维护者公布的账户")
          .color("#0000FF")
          .wrap(),
      C(K::Label, "标签3", 413, 112, 323, 48)
          .text("2.手机微信直接扫描以下二维码进入微信付款界面")
          .color("#0000FF")
          .wrap(),
      C(K::Label, "标签4", 376, 104, 8, 424).color(nullptr, "#80E000"),
      C(K::PictureBox, "图片框1", 8, 168, 360, 360)
          .boxPicture(":/art/sponsor_left.svg", PictureFit::Stretch, true),
      C(K::PictureBox, "图片框2", 389, 168, 360, 360)
          .boxPicture(":/art/sponsor_right.svg", PictureFit::Stretch, true),
  };
  return w;
}

}  // namespace

const WindowDefinition& window_definition(WindowId id) {
  static const std::array<WindowDefinition, 8> definitions = {
      main_window(), add_corpus_window(),   text_export_window(), context_window(),
      help_window(), program_info_window(), progress_window(),    sponsor_window()};
  return definitions[static_cast<std::size_t>(id)];
}

}  // namespace lantaro::ui
