#pragma once
// The four information buttons of the main window's toolbar: the help window (help.txt of the
// run directory), the program-information window, the sponsor window, and the project's web site
// opened with the desktop shell. Each window exists at most once: a second click on its button
// brings the open window to the front.

#include <functional>
#include <string>

#include <QObject>
#include <QPointer>

#include "engine/common/run_directory.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/window_definitions.h"

namespace lantaro {

// The project's web site, opened by "更多信息".
inline constexpr char kWebSiteAddress[] = "https://lantaro.example.org";

class InfoController : public QObject {
  Q_OBJECT

 public:
  InfoController(ui::DesignedWindow* main, const RunDirectory& run);

  // How the web address is handed to the desktop; tests put a recorder here.
  using AddressOpener = std::function<bool(const std::string& address_utf8)>;
  void setAddressOpener(AddressOpener opener) { open_address_ = std::move(opener); }

  // The window open for each button now, or nullptr.
  ui::DesignedWindow* helpWindow() const { return help_; }
  ui::DesignedWindow* programInfoWindow() const { return program_info_; }
  ui::DesignedWindow* sponsorWindow() const { return sponsor_; }

 public slots:
  void openHelp();
  void openProgramInfo();
  void openSponsor();
  void openWebSite();

 private:
  // Brings the window in `slot` to the front, or builds it (letting `prepare` connect its
  // handlers before it opens) and remembers it until it closes.
  void openOnce(QPointer<ui::DesignedWindow>& slot, ui::WindowId id,
                const std::function<void(ui::DesignedWindow*)>& prepare);
  void fillHelp(ui::DesignedWindow* window) const;

  RunDirectory run_;
  AddressOpener open_address_;
  QPointer<ui::DesignedWindow> help_;
  QPointer<ui::DesignedWindow> program_info_;
  QPointer<ui::DesignedWindow> sponsor_;
};

}  // namespace lantaro
