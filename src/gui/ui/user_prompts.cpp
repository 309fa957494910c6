#include "gui/ui/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace lantaro::ui {
namespace {
PromptCapture* g_active_capture = nullptr;
const QString kBoxTitle = QStringLiteral("Lantaro");
}  // namespace

QString text_of(Message message) {
  std::string_view text = message_text(message);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

PromptCapture::PromptCapture() : previous_(g_active_capture) { g_active_capture = this; }
PromptCapture::~PromptCapture() { g_active_capture = previous_; }
PromptCapture* PromptCapture::active() { return g_active_capture; }

void show_message(QWidget* parent, const QString& text) {
  if (auto* capture = PromptCapture::active()) {
    capture->messages << text;
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, kBoxTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

void show_message(QWidget* parent, Message message) { show_message(parent, text_of(message)); }

bool ask_yes_no(QWidget* parent, const QString& text) {
  if (auto* capture = PromptCapture::active()) {
    capture->questions << text;
    if (capture->answers.empty()) return false;
    bool answer = capture->answers.front();
    capture->answers.pop_front();
    return answer;
  }
  QMessageBox box(QMessageBox::Question, kBoxTitle, text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

namespace {
std::optional<QString> scripted(std::deque<std::optional<QString>>& queue) {
  if (queue.empty()) return std::nullopt;
  // Moved out through a plain QString: GCC 12 misreads a copied optional as uninitialised.
  const bool chosen = queue.front().has_value();
  QString path = chosen ? *queue.front() : QString();
  queue.pop_front();
  if (!chosen) return std::nullopt;
  return path;
}
}  // namespace

std::optional<QString> ask_open_file(QWidget* parent, const FileDialogOptions& options) {
  if (auto* capture = PromptCapture::active()) {
    ++capture->openDialogs;
    return scripted(capture->openFiles);
  }
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(options.filter);
  dialog.setDefaultSuffix(options.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> ask_save_file(QWidget* parent, const FileDialogOptions& options) {
  if (auto* capture = PromptCapture::active()) {
    ++capture->saveDialogs;
    return scripted(capture->saveFiles);
  }
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(options.filter);
  dialog.setDefaultSuffix(options.defaultSuffix);
  // Qt asks before replacing unless told not to; the folder must exist for the dialog to accept.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace lantaro::ui
