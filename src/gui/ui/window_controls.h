#pragma once
// Typed access to the controls a feature works with, one struct per window, resolved once right
// after the window is built. Each struct lists its fields with their design names in bind(), so
// a name that is missing from the window or a control of another class is reported by
// missing_controls() (the built-windows test checks every struct) instead of turning up as a null
// pointer in the middle of a click.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QTreeView>

#include "gui/ui/balloon_tip.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/tab_control.h"

namespace lantaro::ui {

struct MainWindowControls {
  // Corpus tree and toolbar.
  QTreeView* corpusTree = nullptr;
  QAbstractButton* refreshButton = nullptr;
  QAbstractButton* addCorpusButton = nullptr;
  QAbstractButton* exportTxtButton = nullptr;
  QAbstractButton* exportExcelButton = nullptr;
  QAbstractButton* helpButton = nullptr;
  QAbstractButton* programInfoButton = nullptr;
  QAbstractButton* sponsorButton = nullptr;
  QAbstractButton* moreInfoButton = nullptr;
  // Search bar.
  QLineEdit* keywordBox = nullptr;
  QComboBox* modeBox = nullptr;
  QLineEdit* countBox = nullptr;
  QLineEdit* leftCountBox = nullptr;
  QLineEdit* rightCountBox = nullptr;
  QPushButton* searchButton = nullptr;
  QProgressBar* progressBar = nullptr;
  BalloonTip* keywordHint = nullptr;
  QLineEdit* threadInfoBox = nullptr;
  // Results and the full-text view.
  TabControl* tabs = nullptr;
  QListView* resultList = nullptr;
  QTableView* hitGrid = nullptr;
  QLabel* statusLine = nullptr;
  QLabel* hitLine = nullptr;
  QPlainTextEdit* fullText = nullptr;
  QPushButton* nextHitButton = nullptr;
  QPlainTextEdit* bottomPanel = nullptr;
  // Sentence-extraction panel.
  QWidget* extractionPanel = nullptr;
  QAbstractButton* extractionButton = nullptr;
  QAbstractButton* closeExtractionPanelButton = nullptr;
  QAbstractButton* dialogueButton = nullptr;
  QAbstractButton* narrativeButton = nullptr;
  QAbstractButton* allSentencesButton = nullptr;
  QAbstractButton* threadedAllSentencesButton = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(corpusTree, "树型框1");
    b(refreshButton, "超级按钮_刷新文献");
    b(addCorpusButton, "超级按钮_加入语料");
    b(exportTxtButton, "超级按钮_提取到TXT");
    b(exportExcelButton, "超级按钮_提取到EXCEL");
    b(helpButton, "超级按钮_操作帮助");
    b(programInfoButton, "超级按钮_程序信息");
    b(sponsorButton, "超级按钮_赞助支持");
    b(moreInfoButton, "超级按钮_更多信息");
    b(keywordBox, "编辑框_关键词");
    b(modeBox, "组合框_组合模式");
    b(countBox, "编辑框_字数");
    b(leftCountBox, "编辑框_左字数");
    b(rightCountBox, "编辑框_右字数");
    b(searchButton, "按钮_搜索");
    b(progressBar, "进度条1");
    b(keywordHint, "气球提示框1");
    b(threadInfoBox, "编辑框_线程执行信息");
    b(tabs, "高级选择夹1");
    b(resultList, "列表框1");
    b(hitGrid, "高级表格1");
    b(statusLine, "透明标签_执行结果");
    b(hitLine, "透明标签1");
    b(fullText, "超级编辑框1");
    b(nextHitButton, "按钮1");
    b(bottomPanel, "超级编辑框2");
    b(extractionPanel, "外形框1");
    b(extractionButton, "超级按钮_句子提取");
    b(closeExtractionPanelButton, "按钮_关闭语句提取按钮面板");
    b(dialogueButton, "超级按钮_提取对话句");
    b(narrativeButton, "超级按钮_提取叙述句");
    b(allSentencesButton, "超级按钮_提取全部句");
    b(threadedAllSentencesButton, "超级按钮_多线程提取全部句");
  }
};

struct AddCorpusControls {
  QLineEdit* fileBox = nullptr;
  QLineEdit* nameBox = nullptr;
  QLineEdit* targetBox = nullptr;
  QComboBox* directoryKindBox = nullptr;
  QLineEdit* directoryNameBox = nullptr;
  QTreeView* locationTree = nullptr;
  QAbstractButton* chooseFileButton = nullptr;
  QAbstractButton* importButton = nullptr;
  QAbstractButton* createDirectoryButton = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(fileBox, "编辑框_语料文件");
    b(nameBox, "编辑框_显示名称");
    b(targetBox, "编辑框_目标位置");
    b(directoryKindBox, "组合框_目录类型");
    b(directoryNameBox, "编辑框_新目录名称");
    b(locationTree, "树型框1");
    b(chooseFileButton, "按钮_选择语料");
    b(importButton, "按钮_确定");
    b(createDirectoryButton, "按钮_创建新目录");
  }
};

struct TextExportControls {
  QPlainTextEdit* textBox = nullptr;
  QAction* saveCommand = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(textBox, "编辑框1");
    b(saveCommand, "保存");
  }
};

struct ContextControls {
  QPlainTextEdit* passageBox = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(passageBox, "超级编辑框1");
  }
};

struct HelpControls {
  QPlainTextEdit* helpBox = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(helpBox, "编辑框1");
  }
};

struct ProgressControls {
  QProgressBar* upperBar = nullptr;
  QProgressBar* lowerBar = nullptr;

  template <class Binder>
  void bind(Binder& b) {
    b(upperBar, "进度条1");
    b(lowerBar, "进度条2");
  }
};

namespace detail {
struct ControlBinder {
  const DesignedWindow& window;
  QStringList missing;

  template <class T>
  void operator()(T*& field, const char* name) {
    field = window.control<T>(QString::fromUtf8(name));
    if (!field) missing << QString::fromUtf8(name);
  }
};
}  // namespace detail

// The design names of the struct's controls that `window` lacks or has with another class.
template <class Controls>
QStringList missing_controls(const DesignedWindow& window) {
  Controls controls;
  detail::ControlBinder binder{window, {}};
  controls.bind(binder);
  return binder.missing;
}

// Every control of the struct, found once. A window without one of them is a programming error
// (the built-windows test catches it), so this stops the program rather than run half-wired.
template <class Controls>
Controls resolve_controls(const DesignedWindow& window) {
  Controls controls;
  detail::ControlBinder binder{window, {}};
  controls.bind(binder);
  if (!binder.missing.isEmpty())
    qFatal("window %s lacks controls: %s", qPrintable(window.objectName()),
           qPrintable(binder.missing.join(QStringLiteral(", "))));
  return controls;
}

}  // namespace lantaro::ui
