#pragma once
// Every message box, yes/no question and file dialog goes through here, so that tests can
// capture what the user would have been told and script the answers, without a display.

#include <deque>
#include <optional>
#include <string_view>

#include <QString>
#include <QStringList>

#include "engine/common/messages.h"

class QWidget;

namespace lantaro::ui {

QString text_of(Message message);

// A box with the exact text and an OK button (title: the program's name).
void show_message(QWidget* parent, const QString& text);
void show_message(QWidget* parent, Message message);

// A yes/no question; true only for "yes".
bool ask_yes_no(QWidget* parent, const QString& text);

struct FileDialogOptions {
  QString filter = QStringLiteral("文本文件 (*.txt)");  // "文本文件|*.txt"
  QString defaultSuffix = QStringLiteral("txt");
};
// The open-file dialog: the chosen existing file, or nothing on cancel.
std::optional<QString> ask_open_file(QWidget* parent, const FileDialogOptions& options = {});
// The save-file dialog (confirms before replacing; the folder must exist): the path, or nothing.
std::optional<QString> ask_save_file(QWidget* parent, const FileDialogOptions& options = {});

// While one exists, nothing is shown: messages and questions are recorded, questions are answered
// from `answers` (no when it runs out), file dialogs from `openFiles` / `saveFiles` (cancel when
// they run out).
class PromptCapture {
 public:
  PromptCapture();
  ~PromptCapture();
  PromptCapture(const PromptCapture&) = delete;
  PromptCapture& operator=(const PromptCapture&) = delete;

  QStringList messages;   // in the order shown
  QStringList questions;  // in the order asked
  std::deque<bool> answers;
  std::deque<std::optional<QString>> openFiles;
  std::deque<std::optional<QString>> saveFiles;
  int openDialogs = 0;  // how many file dialogs would have been shown
  int saveDialogs = 0;

  static PromptCapture* active();

 private:
  PromptCapture* previous_;
};

}  // namespace lantaro::ui
