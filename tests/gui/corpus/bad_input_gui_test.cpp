// The add-corpus window over a library it cannot change: a corpus folder on a read-only file
// system, and a corpus folder that is a file. Each attempt says it failed; nothing is written.

#include <cstdlib>
#include <memory>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "engine/common/messages.h"
#include "gui/corpus/add_corpus_window.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/temp_folder.h"

using lantaro::CorpusController;
using lantaro::testing::snapshot;
using lantaro::testing::TempFolder;

namespace {

// Main window, corpus controller and its add-corpus window over the run directory `run`.
struct Windows {
  explicit Windows(const std::filesystem::path& run) : run_directory(lantaro::path_to_utf8(run)) {
    main.reset(lantaro::ui::build_window(lantaro::ui::WindowId::Main));
    controller = new CorpusController(main.get(), run_directory);
    main->open();
    main->control<QAbstractButton>(QStringLiteral("超级按钮_加入语料"))->click();
    add = controller->addCorpusWindow();
  }
  template <class T>
  T* control(const char* name) const {
    return add->control<T>(QString::fromUtf8(name));
  }
  void click(const char* name) { control<QAbstractButton>(name)->click(); }
  // Selects the first location with this label, at any depth.
  bool select(const QString& label) {
    QTreeView* tree = control<QTreeView>("树型框1");
    const QModelIndexList found =
        tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, label, 1,
                             Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return false;
    tree->setCurrentIndex(found.first());
    return true;
  }
  // Tries an import and a new directory at the selected location; returns the messages shown.
  QStringList try_changes(const QString& source) {
    lantaro::ui::PromptCapture prompts;
    prompts.openFiles.push_back(source);
    prompts.answers = {true, true};
    click("按钮_选择语料");
    click("按钮_确定");
    control<QLineEdit>("编辑框_新目录名称")->setText(QStringLiteral("新目录"));
    click("按钮_创建新目录");
    return prompts.messages;
  }

  lantaro::RunDirectory run_directory;
  std::unique_ptr<lantaro::ui::DesignedWindow> main;
  CorpusController* controller = nullptr;
  lantaro::ui::DesignedWindow* add = nullptr;
};

const QStringList kBothFailed = {QStringLiteral("语料导入失败"),
                                 QStringLiteral("新目录创建失败！")};

}  // namespace

class BadInputAddCorpusTest : public QObject {
  Q_OBJECT

 private slots:
  void readOnlyFileSystem() {
    TempFolder temp;
    const std::filesystem::path mount_point = temp.dir("ro");
    const std::string at = std::string("'").append(lantaro::path_to_utf8(mount_point)).append("'");
    if (std::system(("mount -t tmpfs -o size=1m tmpfs " + at + " 2>/dev/null").c_str()) != 0)
      QSKIP("no right to mount a file system here");
    struct Unmount {
      std::string at;
      ~Unmount() { (void)std::system(("umount " + at).c_str()); }
    } unmount{at};
    std::filesystem::create_directories(mount_point / u8"run/corpus/经部");
    std::ofstream(mount_point / u8"run/corpus/经部/论语.txt", std::ios::binary) << "old";
    QCOMPARE(std::system(("mount -o remount,ro " + at).c_str()), 0);
    const QString source =
        QString::fromStdString(lantaro::path_to_utf8(temp.file("in/论语.txt", "new")));
    const auto before = snapshot(temp.path());

    Windows w(mount_point / "run");
    QVERIFY(w.add);
    QVERIFY(w.select(QStringLiteral("经部")));
    QCOMPARE(w.try_changes(source), kBothFailed);  // replacing the document included
    QVERIFY(w.select(QStringLiteral("语料库")));
    QCOMPARE(w.try_changes(source), kBothFailed);
    QCOMPARE(snapshot(temp.path()), before);
  }

  void corpusFolderThatIsAFile() {
    TempFolder temp;
    temp.file("run/corpus", "not a folder");
    const QString source =
        QString::fromStdString(lantaro::path_to_utf8(temp.file("in/书.txt", "x")));
    const auto before = snapshot(temp.path());
    lantaro::ui::PromptCapture start;
    Windows w(temp.path() / "run");
    QVERIFY(w.add);
    // Building the tree says why the library is empty instead of showing nothing at all.
    const QString unusable = QString::fromStdString(lantaro::corpus_folder_unusable_message(
        lantaro::RunDirectory(lantaro::path_to_utf8(temp.path() / "run")).corpus_folder()));
    QVERIFY(start.messages.contains(unusable));
    // The corpus folder is still offered as the location; using it fails cleanly.
    QVERIFY(w.select(QStringLiteral("语料库")));
    QCOMPARE(w.try_changes(source), kBothFailed);
    QCOMPARE(snapshot(temp.path()), before);
  }
};

QTEST_MAIN(BadInputAddCorpusTest)
#include "bad_input_gui_test.moc"
