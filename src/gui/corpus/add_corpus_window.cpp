#include "gui/corpus/add_corpus_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>

#include "engine/common/text.h"
#include "engine/corpus/library_edit.h"
#include "engine/corpus/library_tree.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/user_prompts.h"

namespace lantaro {
namespace {

constexpr int kLocationRole = Qt::UserRole + 1;  // the directory below the corpus folder

const QString kTopLevelKind = QStringLiteral("顶级目录");

// The location tree's root: the corpus folder, named as the user knows it.
const QString kCorpusFolderLabel = QStringLiteral("语料库");

}  // namespace

AddCorpusWindow::AddCorpusWindow(ui::DesignedWindow* window, const RunDirectory& run)
    : QObject(window),
      window_(window),
      run_(run),
      ui_(ui::resolve_controls<ui::AddCorpusControls>(*window)),
      locations_(new QStandardItemModel(this)) {
  // Only the program fills these two.
  ui_.fileBox->setReadOnly(true);
  ui_.targetBox->setReadOnly(true);
  ui_.locationTree->setModel(locations_);
  ui_.locationTree->setHeaderHidden(true);
  ui_.locationTree->setSelectionMode(QAbstractItemView::SingleSelection);
  // A second click on the selected item edits its label (the label only, see below).
  ui_.locationTree->setEditTriggers(QAbstractItemView::SelectedClicked |
                                    QAbstractItemView::EditKeyPressed);
  // The user's selection only: entering the empty tree with Tab makes its first item current
  // without selecting it, and that must not pick a location.
  connect(ui_.locationTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &AddCorpusWindow::onLocationChanged);
  connect(window, &ui::DesignedWindow::created, this, &AddCorpusWindow::fillLocations);
  connect(ui_.chooseFileButton, &QAbstractButton::clicked, this, &AddCorpusWindow::chooseFile);
  connect(ui_.importButton, &QAbstractButton::clicked, this, &AddCorpusWindow::importDocument);
  connect(ui_.createDirectoryButton, &QAbstractButton::clicked, this,
          &AddCorpusWindow::createDirectory);
}

void AddCorpusWindow::fillLocations() {
  const std::optional<std::string> keep = target_;
  LibraryTree tree = scan_library(run_.corpus_path());
  locations_->clear();
  auto* root = new QStandardItem(kCorpusFolderLabel);
  root->setData(QString(), kLocationRole);
  locations_->appendRow(root);
  // Items in pre-order: a directory's parent item is always made before it.
  std::vector<QStandardItem*> made(tree.size(), nullptr);
  QStandardItem* selected = keep && keep->empty() ? root : nullptr;
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const LibraryItem& entry = tree[i];
    if (!entry.is_directory) continue;
    auto* item = new QStandardItem(QString::fromStdU16String(entry.label));
    item->setData(QString::fromStdString(entry.relative_path), kLocationRole);
    QStandardItem* parent = entry.parent == kNoParent ? root : made[entry.parent];
    parent->appendRow(item);
    made[i] = item;
    if (keep && *keep == entry.relative_path) selected = item;
  }
  ui_.locationTree->expand(root->index());
  if (selected) {
    ui_.locationTree->scrollTo(selected->index());
    ui_.locationTree->setCurrentIndex(selected->index());
  }
  onLocationChanged();
}

void AddCorpusWindow::onLocationChanged() {
  const QModelIndexList chosen = ui_.locationTree->selectionModel()->selectedIndexes();
  const QModelIndex current = chosen.isEmpty() ? QModelIndex() : chosen.front();
  if (!current.isValid()) {
    target_.reset();
    ui_.targetBox->clear();
    return;
  }
  // Taken from the item's data, not its label: an edited label changes nothing on disk.
  QString location = current.data(kLocationRole).toString();
  target_ = location.toStdString();
  QString shown = kCorpusFolderLabel;
  if (!location.isEmpty()) shown += QLatin1Char('/') + location;
  ui_.targetBox->setText(QDir::toNativeSeparators(shown));
}

void AddCorpusWindow::chooseFile() {
  std::optional<QString> file = ui::ask_open_file(window_);
  if (!file) return;
  ui_.fileBox->setText(QDir::toNativeSeparators(*file));
  if (ui_.nameBox->text().isEmpty()) ui_.nameBox->setText(QFileInfo(*file).completeBaseName());
}

void AddCorpusWindow::importDocument() {
  ImportRequest request{QDir::fromNativeSeparators(ui_.fileBox->text()).toStdString(),
                        ui_.nameBox->text().toStdString(), target_};
  ImportOutcome outcome =
      import_document(run_.corpus_path(), request, [this](std::string_view name) {
        return ui::ask_yes_no(window_, QString::fromStdString(replace_document_question(name)));
      });
  if (outcome.declined) return;  // the user chose to keep the existing document
  if (outcome.succeeded()) {
    fillLocations();
    emit libraryChanged();
  }
  ui::show_message(window_, outcome.message);
}

void AddCorpusWindow::createDirectory() {
  std::optional<std::string> parent = ui_.directoryKindBox->currentText() == kTopLevelKind
                                          ? std::optional<std::string>("")
                                          : target_;
  Message outcome = create_library_directory(run_.corpus_path(),
                                             ui_.directoryNameBox->text().toStdString(), parent);
  if (outcome == Message::DirectoryCreated) {
    fillLocations();
    emit libraryChanged();
  }
  ui::show_message(window_, outcome);
}

}  // namespace lantaro
