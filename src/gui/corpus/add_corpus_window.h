#pragma once
// The add-corpus window's behaviour: a location tree of the library's directories, the choice
// of a file, importing it as a document and creating directories. Lives as long as its window.

#include <optional>
#include <string>

#include <QObject>

#include "engine/common/run_directory.h"
#include "gui/ui/window_controls.h"

class QComboBox;
class QLineEdit;
class QStandardItemModel;
class QTreeView;

namespace lantaro {

namespace ui {
class DesignedWindow;
}

class AddCorpusWindow : public QObject {
  Q_OBJECT

 public:
  // Fills the location tree when the window raises created.
  AddCorpusWindow(ui::DesignedWindow* window, const RunDirectory& run);

  ui::DesignedWindow* window() const { return window_; }
  QStandardItemModel* locationModel() const { return locations_; }
  // The directory selected in the location tree ("" for the corpus folder itself).
  const std::optional<std::string>& target() const { return target_; }

  // Rebuilds the location tree from the corpus folder, keeping the selected directory.
  void fillLocations();
  void chooseFile();
  void importDocument();
  void createDirectory();

 signals:
  // A document was imported or a directory created.
  void libraryChanged();

 private:
  void onLocationChanged();

  ui::DesignedWindow* window_;
  RunDirectory run_;
  const ui::AddCorpusControls ui_;
  QStandardItemModel* locations_;
  std::optional<std::string> target_;
};

}  // namespace lantaro
