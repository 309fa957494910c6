// The `lantaro` executable: finds its run directory, makes it the current directory and opens
// the main window.

#include <filesystem>
#include <iostream>
#include <system_error>

#include <QApplication>
#include <QFontDatabase>

#include "engine/common/run_directory.h"
#include "engine/common/text.h"
#include "gui/main_window.h"
#include "gui/ui/artwork.h"
#include "gui/ui/window_builder.h"

namespace {

// Without a display Qt aborts with a terse message; say clearly what is wrong instead.
bool display_reachable(int argc, char** argv) {
#if defined(_WIN32) || defined(__APPLE__)
  (void)argc;
  (void)argv;
  return true;
#else
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-platform" || arg == "--platform") return true;
  }
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  const bool needs_display = platform.isEmpty() || platform.startsWith(QLatin1String("xcb")) ||
                             platform.startsWith(QLatin1String("wayland"));
  if (!needs_display) return true;
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
}

void choose_default_font(QApplication& app) {
  const QStringList installed = QFontDatabase::families();
  for (const char* family : {"SimSun", "宋体", "Noto Sans CJK SC", "WenQuanYi Zen Hei"}) {
    const QString name = QString::fromUtf8(family);
    if (installed.contains(name, Qt::CaseInsensitive)) {
      QFont font(name);
      font.setPointSize(9);
      app.setFont(font);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!display_reachable(argc, argv)) {
    std::cerr << "错误：找不到可用的图形显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置），"
                 "无法打开 Lantaro 主窗口。请在图形桌面中运行，或使用 xvfb-run。\n"
                 "Error: no graphical display is available (neither DISPLAY nor WAYLAND_DISPLAY "
                 "is set), so the Lantaro main window cannot be opened. Run it in a desktop "
                 "session or under xvfb-run.\n";
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lantaro"));
  const lantaro::RunDirectory run = lantaro::RunDirectory::of_running_program();
  std::error_code ignored;
  std::filesystem::current_path(lantaro::path_from_utf8(run.path()), ignored);

  QApplication::setWindowIcon(lantaro::ui::program_icon());
  lantaro::ui::install_font_substitutions();
  // Qt's own texts (standard buttons, file dialogs) in Chinese like everything else.
  lantaro::ui::install_qt_translation();
  choose_default_font(app);

  lantaro::MainWindow main_window(run);
  main_window.open();
  return QApplication::exec();
}
