// The information windows opened from the main window's toolbar, and the progress window.

#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "engine/common/codepage.h"
#include "engine/common/run_directory.h"
#include "gui/info/info_controller.h"
#include "gui/info/progress_window.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"

using lantaro::InfoController;
using lantaro::ProgressWindow;
using lantaro::RunDirectory;
using lantaro::ui::DesignedWindow;

namespace {

QList<QWidget*> open_windows(const QString& objectName) {
  QList<QWidget*> found;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == objectName && w->isVisible()) found << w;
  }
  return found;
}

void close_all_secondary_windows() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() != QLatin1String("mainWindow")) w->close();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class InfoWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void helpShowsTheGbkFileFromItsFirstLine();
  void helpIsEmptyAndSilentWithoutAFile();
  void helpBoxFollowsMaximizeAndRestore();
  void programInfoIsReadOnlyButTheNoteIsEditableAndForgotten();
  void secondClickBringsTheOpenWindowBack();
  void webSiteGoesToTheShellAndOpensNoWindow();
  void progressWindowHasNoCaptionAndClampsItsBars();
  void progressWindowClosesOnEscape();

 private:
  void writeHelp(const QByteArray& bytes) {
    QFile file(dir_->filePath(QStringLiteral("help.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  void click(const char16_t* button) {
    auto* b = main_->control<QAbstractButton>(QString::fromUtf16(button));
    QVERIFY(b);
    b->click();
  }

  std::unique_ptr<QTemporaryDir> dir_;
  DesignedWindow* main_ = nullptr;
  InfoController* info_ = nullptr;
  std::vector<std::string> opened_addresses_;
};

void InfoWindowsTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  main_ = lantaro::ui::build_window(lantaro::ui::WindowId::Main);
  info_ = new InfoController(main_, RunDirectory(dir_->path().toStdString()));
  opened_addresses_.clear();
  // Never start a real browser from a test.
  info_->setAddressOpener([this](const std::string& address) {
    opened_addresses_.push_back(address);
    return true;
  });
  main_->open();
}

void InfoWindowsTest::cleanup() {
  close_all_secondary_windows();
  delete main_;
  main_ = nullptr;
  dir_.reset();
}

void InfoWindowsTest::helpShowsTheGbkFileFromItsFirstLine() {
  // Long enough to need scrolling; a malformed byte must not lose the rest of the text.
  std::u16string text = u"Lantaro 操作帮助\r\n";
  for (int i = 1; i <= 200; ++i) {
    text.append(u"第").append(QString::number(i).toStdU16String()).append(u"行：检索说明\r\n");
  }
  QByteArray bytes = QByteArray::fromStdString(lantaro::encode_gbk(text));
  bytes.append("\x80", 1).append(QByteArray::fromStdString(lantaro::encode_gbk(u"末行")));
  writeHelp(bytes);

  lantaro::ui::PromptCapture prompts;
  click(u"超级按钮_操作帮助");
  DesignedWindow* help = info_->helpWindow();
  QVERIFY(help);
  QCOMPARE(help->objectName(), QStringLiteral("helpWindow"));
  QVERIFY(help->isVisible());
  auto* box = help->control<QPlainTextEdit>(QStringLiteral("编辑框1"));
  QVERIFY(box);
  QString expected = QString::fromStdU16String(text + u"\uFFFD末行");
  expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QCOMPARE(box->toPlainText(), expected);
  QCOMPARE(box->document()->blockCount(), 202);
  QCOMPARE(box->textCursor().position(), 0);
  QCOMPARE(box->verticalScrollBar()->value(), 0);
  // The line at the top of the visible area is the first one.
  QCOMPARE(box->cursorForPosition(QPoint(4, 4)).block().text(), QStringLiteral("Lantaro 操作帮助"));
  QVERIFY(prompts.messages.isEmpty());
}

void InfoWindowsTest::helpIsEmptyAndSilentWithoutAFile() {
  lantaro::ui::PromptCapture prompts;
  click(u"超级按钮_操作帮助");
  QVERIFY(info_->helpWindow());
  auto* box = info_->helpWindow()->control<QPlainTextEdit>(QStringLiteral("编辑框1"));
  QVERIFY(box);
  QCOMPARE(box->toPlainText(), QString());
  QVERIFY(prompts.messages.isEmpty());
  info_->helpWindow()->close();

  // A folder where the file should be cannot be read either.
  QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("help.txt")));
  click(u"超级按钮_操作帮助");
  QTRY_VERIFY(info_->helpWindow());
  box = info_->helpWindow()->control<QPlainTextEdit>(QStringLiteral("编辑框1"));
  QCOMPARE(box->toPlainText(), QString());
  QVERIFY(prompts.messages.isEmpty());
}

void InfoWindowsTest::helpBoxFollowsMaximizeAndRestore() {
  writeHelp(QByteArray::fromStdString(lantaro::encode_gbk(u"帮助")));
  click(u"超级按钮_操作帮助");
  DesignedWindow* help = info_->helpWindow();
  QVERIFY(help);
  auto* box = help->control<QPlainTextEdit>(QStringLiteral("编辑框1"));
  const QRect designed = box->geometry();
  QCOMPARE(designed, QRect(8, 8, 568, 560));
  const QSize designed_window_size = help->size();
  const int right_margin = help->width() - designed.right();
  const int bottom_margin = help->height() - designed.bottom();

  QSignalSpy size_changed(help, &DesignedWindow::sizeChanged);
  help->showMaximized();
  QTRY_VERIFY(help->isMaximized());
  QTRY_VERIFY(help->size() != designed_window_size);
  QVERIFY(size_changed.count() >= 1);
  // The box keeps filling the window with the same margins on every side.
  QCOMPARE(box->x(), 8);
  QCOMPARE(box->y(), 8);
  QCOMPARE(help->width() - box->geometry().right(), right_margin);
  QCOMPARE(help->height() - box->geometry().bottom(), bottom_margin);

  help->showNormal();
  QTRY_VERIFY(!help->isMaximized());
  QTRY_COMPARE(box->geometry(), designed);
}

void InfoWindowsTest::programInfoIsReadOnlyButTheNoteIsEditableAndForgotten() {
  click(u"超级按钮_程序信息");
  DesignedWindow* window = info_->programInfoWindow();
  QVERIFY(window);
  QCOMPARE(window->objectName(), QStringLiteral("programInfoWindow"));
  auto* text = window->control<QPlainTextEdit>(QStringLiteral("编辑框1"));
  auto* note = window->control<QPlainTextEdit>(QStringLiteral("编辑框2"));
  QVERIFY(text && note);

  const QStringList lines = text->toPlainText().split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 7);
  QCOMPARE(lines[0], QString());
  QCOMPARE(lines[1], QStringLiteral("程序名称：Lantaro"));
  QCOMPARE(lines[2], QStringLiteral("版本号：V1.0"));
  QCOMPARE(lines[3], QStringLiteral("软件作者：Lantaro 开发组"));
  QCOMPARE(lines[4], QString());

  const QString info_before = text->toPlainText();
  text->setFocus();
  QTest::keyClicks(text, QStringLiteral("abc"));
  QTest::keyClick(text, Qt::Key_Backspace);
  QCOMPARE(text->toPlainText(), info_before);

  const QString note_before = note->toPlainText();
  QVERIFY(!note_before.isEmpty());
  note->setFocus();
  note->moveCursor(QTextCursor::End);
  QTest::keyClicks(note, QStringLiteral("xyz"));
  QCOMPARE(note->toPlainText(), note_before + QStringLiteral("xyz"));

  window->close();
  QTRY_VERIFY(!info_->programInfoWindow());
  click(u"超级按钮_程序信息");
  QVERIFY(info_->programInfoWindow());
  note = info_->programInfoWindow()->control<QPlainTextEdit>(QStringLiteral("编辑框2"));
  QCOMPARE(note->toPlainText(), note_before);
}

void InfoWindowsTest::secondClickBringsTheOpenWindowBack() {
  const struct {
    const char16_t* button;
    const char* objectName;
    DesignedWindow* (InfoController::*window)() const;
  } cases[] = {
      {u"超级按钮_操作帮助", "helpWindow", &InfoController::helpWindow},
      {u"超级按钮_程序信息", "programInfoWindow", &InfoController::programInfoWindow},
      {u"超级按钮_赞助支持", "sponsorWindow", &InfoController::sponsorWindow},
  };
  for (const auto& c : cases) {
    click(c.button);
    DesignedWindow* first = (info_->*c.window)();
    QVERIFY(first);
    first->showMinimized();
    QTRY_VERIFY(first->isMinimized());

    click(c.button);
    QCOMPARE((info_->*c.window)(), first);
    QCOMPARE(open_windows(QLatin1String(c.objectName)).size(), 1);
    QTRY_VERIFY(!first->isMinimized());
    QVERIFY(first->isVisible());
  }
  // Three windows in all, one per button.
  QCOMPARE(open_windows(QStringLiteral("helpWindow")).size() +
               open_windows(QStringLiteral("programInfoWindow")).size() +
               open_windows(QStringLiteral("sponsorWindow")).size(),
           3);

  // Once closed, the next click opens a fresh window.
  DesignedWindow* sponsor = info_->sponsorWindow();
  sponsor->close();
  QTRY_VERIFY(!info_->sponsorWindow());
  click(u"超级按钮_赞助支持");
  QVERIFY(info_->sponsorWindow());
  QCOMPARE(open_windows(QStringLiteral("sponsorWindow")).size(), 1);
}

void InfoWindowsTest::webSiteGoesToTheShellAndOpensNoWindow() {
  lantaro::ui::PromptCapture prompts;
  const int windows_before = QApplication::topLevelWidgets().size();
  click(u"超级按钮_更多信息");
  QCOMPARE(opened_addresses_, std::vector<std::string>{lantaro::kWebSiteAddress});
  QCOMPARE(QApplication::topLevelWidgets().size(), windows_before);

  // A shell that refuses shows nothing either.
  info_->setAddressOpener([](const std::string&) { return false; });
  click(u"超级按钮_更多信息");
  QVERIFY(prompts.messages.isEmpty());
  QCOMPARE(QApplication::topLevelWidgets().size(), windows_before);
}

void InfoWindowsTest::progressWindowHasNoCaptionAndClampsItsBars() {
  ProgressWindow progress(main_);
  QVERIFY(!progress.isOpen());
  progress.setUpper(50);  // before opening: nothing to move, nothing breaks
  progress.open();
  QVERIFY(progress.isOpen());
  DesignedWindow* window = progress.window();
  QCOMPARE(window->objectName(), QStringLiteral("progressWindow"));
  QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
  QCOMPARE(window->palette().color(QPalette::Window), QColor(QStringLiteral("#008000")));

  auto* upper = window->control<QProgressBar>(QStringLiteral("进度条1"));
  auto* lower = window->control<QProgressBar>(QStringLiteral("进度条2"));
  QVERIFY(upper && lower);
  QCOMPARE(upper->minimum(), 0);
  QCOMPARE(upper->maximum(), 100);
  QCOMPARE(upper->value(), 0);
  QCOMPARE(lower->value(), 0);

  progress.setUpper(40);
  progress.setLower(7);
  QCOMPARE(upper->value(), 40);
  QCOMPARE(lower->value(), 7);
  QCOMPARE(progress.upper(), 40);
  progress.setUpper(250);
  progress.setLower(-3);
  QCOMPARE(upper->value(), 100);
  QCOMPARE(lower->value(), 0);

  QSignalSpy closed(&progress, &ProgressWindow::closed);
  progress.close();
  QTRY_VERIFY(!progress.isOpen());
  QCOMPARE(closed.count(), 1);
  progress.setUpper(10);  // after closing: ignored
  QCOMPARE(progress.upper(), 0);

  // Opened again, it starts from zero.
  progress.open();
  QCOMPARE(progress.upper(), 0);
  QCOMPARE(progress.lower(), 0);
}

void InfoWindowsTest::progressWindowClosesOnEscape() {
  auto progress = std::make_unique<ProgressWindow>(main_);
  progress->open();
  QSignalSpy closed(progress.get(), &ProgressWindow::closed);
  QTest::keyClick(progress->window(), Qt::Key_Escape);
  QTRY_VERIFY(!progress->isOpen());
  QCOMPARE(closed.count(), 1);
  QCOMPARE(open_windows(QStringLiteral("progressWindow")).size(), 0);

  // Destroying the owner closes a window that is still open.
  progress->open();
  QPointer<DesignedWindow> window = progress->window();
  progress.reset();
  QTRY_VERIFY(!window);
}

QTEST_MAIN(InfoWindowsTest)
#include "info_windows_test.moc"
