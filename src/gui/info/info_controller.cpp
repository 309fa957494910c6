#include "gui/info/info_controller.h"

#include <string_view>

#include <QAbstractButton>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "engine/common/codepage.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"
#include "platform/platform.h"

namespace lantaro {
namespace {

// The help file as text: GBK like the corpus (a UTF-8 file edited by hand is read as such).
// Empty when the file is missing or cannot be read; the help window then stays empty.
QString read_help_text(const RunDirectory& run) {
  QFile file(QString::fromStdString(run.help_file()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return {};
  QString text = QString::fromStdU16String(
      decode_document(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
  // The file has CR LF line ends; the box wants one break per line.
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void bring_to_front(QWidget* window) {
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

InfoController::InfoController(ui::DesignedWindow* main, const RunDirectory& run)
    : QObject(main), run_(run), open_address_(&platform::open_with_shell) {
  const auto controls = ui::resolve_controls<ui::MainWindowControls>(*main);
  const struct {
    QAbstractButton* button;
    void (InfoController::*open)();
  } buttons[] = {
      {controls.helpButton, &InfoController::openHelp},
      {controls.programInfoButton, &InfoController::openProgramInfo},
      {controls.sponsorButton, &InfoController::openSponsor},
      {controls.moreInfoButton, &InfoController::openWebSite},
  };
  for (const auto& b : buttons) connect(b.button, &QAbstractButton::clicked, this, b.open);
}

void InfoController::openOnce(QPointer<ui::DesignedWindow>& slot, ui::WindowId id,
                              const std::function<void(ui::DesignedWindow*)>& prepare) {
  if (slot) {
    bring_to_front(slot);
    return;
  }
  // Top-level without a parent, so each window has its own taskbar entry and outlives nothing.
  ui::DesignedWindow* window = ui::build_window(id);
  if (prepare) prepare(window);
  slot = window;  // QPointer: cleared when the window deletes itself on closing
  window->open();
}

void InfoController::openHelp() {
  openOnce(help_, ui::WindowId::Help, [this](ui::DesignedWindow* window) {
    connect(window, &ui::DesignedWindow::created, window, [this, window] { fillHelp(window); });
  });
}

void InfoController::fillHelp(ui::DesignedWindow* window) const {
  QPlainTextEdit* box = ui::resolve_controls<ui::HelpControls>(*window).helpBox;
  box->setPlainText(read_help_text(run_));
  // Shown from its first line, with the caret there rather than after the last line.
  box->moveCursor(QTextCursor::Start);
  box->verticalScrollBar()->setValue(0);
}

void InfoController::openProgramInfo() { openOnce(program_info_, ui::WindowId::ProgramInfo, {}); }

void InfoController::openSponsor() { openOnce(sponsor_, ui::WindowId::Sponsor, {}); }

void InfoController::openWebSite() {
  // A shell that cannot open the address has no visible effect, by design.
  if (open_address_) open_address_(kWebSiteAddress);
}

}  // namespace lantaro
