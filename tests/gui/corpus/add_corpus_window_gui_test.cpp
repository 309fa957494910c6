// The add-corpus window: location tree, the checks and messages of import and directory
// creation, and what reaches the disk and the corpus tree.

#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include "gui/corpus/add_corpus_window.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/gui_library.h"

using lantaro::AddCorpusWindow;
using lantaro::CorpusController;
using lantaro::testing::GuiLibrary;
using lantaro::testing::read_bytes;
using lantaro::testing::snapshot;

class AddCorpusWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<GuiLibrary> library;
  std::unique_ptr<lantaro::ui::DesignedWindow> main;
  CorpusController* controller = nullptr;
  lantaro::ui::DesignedWindow* window = nullptr;
  AddCorpusWindow* add = nullptr;
  QString source;  // a file outside the library to import

  template <class T>
  T* control(const char* name) const {
    return window->control<T>(QString::fromUtf8(name));
  }
  void click(const char* name) { control<QAbstractButton>(name)->click(); }
  QTreeView* locations() const { return control<QTreeView>("树型框1"); }
  // The location item with this label path ("语料库", "语料库/蒙学", ...).
  QModelIndex location(const QString& labels) const {
    QModelIndex at;
    QAbstractItemModel* model = locations()->model();
    for (const QString& label : labels.split(QLatin1Char('/'))) {
      QModelIndex found;
      for (int r = 0; r < model->rowCount(at); ++r)
        if (model->index(r, 0, at).data().toString() == label) found = model->index(r, 0, at);
      if (!found.isValid()) return {};
      at = found;
    }
    return at;
  }
  void select(const QString& labels) {
    QModelIndex index = location(labels);
    QVERIFY2(index.isValid(), qPrintable(labels));
    locations()->setCurrentIndex(index);
  }
  // Every label of the location tree in pre-order, indented by depth.
  QStringList locationOutline(const QModelIndex& parent = {}, int depth = 0) const {
    QStringList lines;
    QAbstractItemModel* model = locations()->model();
    for (int r = 0; r < model->rowCount(parent); ++r) {
      QModelIndex i = model->index(r, 0, parent);
      lines << QString(depth * 2, QLatin1Char(' ')) + i.data().toString();
      lines << locationOutline(i, depth + 1);
    }
    return lines;
  }
  QStringList corpusTreeLabels() const {
    QStringList labels;
    for (const auto& item : controller->model()->tree().items())
      labels << QString::fromStdU16String(item.label);
    return labels;
  }

 private slots:
  void init() {
    library = std::make_unique<GuiLibrary>();
    source = QString::fromStdString(lantaro::path_to_utf8(library->folder.file(
        "incoming/大学章句.txt", std::string("\xB4\xF3\xD1\xA7\r\n\x00\xFF", 8))));
    main.reset(lantaro::ui::build_window(lantaro::ui::WindowId::Main));
    controller = new CorpusController(main.get(), library->run);
    main->open();
    main->control<QAbstractButton>(QStringLiteral("超级按钮_加入语料"))->click();
    window = controller->addCorpusWindow();
    QVERIFY(window);
    add = window->findChild<AddCorpusWindow*>();
    QVERIFY(add);
  }
  void cleanup() {
    main.reset();  // takes the add-corpus window with it
    library.reset();
  }

  void opensOnceAndListsTheCorpusFolderAndItsDirectories() {
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("加入语料"));
    main->control<QAbstractButton>(QStringLiteral("超级按钮_加入语料"))->click();
    QCOMPARE(controller->addCorpusWindow(), window);
    int open_windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      open_windows += w->isVisible() && w->findChild<AddCorpusWindow*>() ? 1 : 0;
    QCOMPARE(open_windows, 1);

    QCOMPARE(locationOutline(), (QStringList{"语料库", "  经部", "  蒙学", "    深"}));
    QVERIFY(!add->target());
    QCOMPARE(control<QLineEdit>("编辑框_目标位置")->text(), QString());
    // Entering the tree with Tab makes an item current but chooses no location.
    window->activateWindow();
    locations()->setFocus(Qt::TabFocusReason);
    QVERIFY(!add->target());
    select("语料库");
    QCOMPARE(*add->target(), std::string());
    QCOMPARE(control<QLineEdit>("编辑框_目标位置")->text(), QStringLiteral("语料库"));
    select("语料库/蒙学/深");
    QCOMPARE(*add->target(), std::string("蒙学/深"));
    QCOMPARE(control<QLineEdit>("编辑框_目标位置")->text(),
             QDir::toNativeSeparators(QStringLiteral("语料库/蒙学/深")));
    QVERIFY(control<QLineEdit>("编辑框_语料文件")->isReadOnly());
    QVERIFY(control<QLineEdit>("编辑框_目标位置")->isReadOnly());
  }

  void importChecksComeInOrderWithOnlyTheFirstMessage() {
    auto before = snapshot(library->folder.path());
    lantaro::ui::PromptCapture prompts;
    click("按钮_确定");
    QCOMPARE(prompts.messages, QStringList{"请选择TXT格式的语料文件！"});

    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    QCOMPARE(control<QLineEdit>("编辑框_语料文件")->text(), QDir::toNativeSeparators(source));
    QCOMPARE(control<QLineEdit>("编辑框_显示名称")->text(), QStringLiteral("大学章句"));
    control<QLineEdit>("编辑框_显示名称")->clear();
    click("按钮_确定");
    control<QLineEdit>("编辑框_显示名称")->setText(QStringLiteral("大学"));
    click("按钮_确定");
    QCOMPARE(prompts.messages,
             (QStringList{"请选择TXT格式的语料文件！", "请输入要显示的语料文档名称！",
                          "请选择要将语料存放到的位置！"}));
    // A cancelled dialog changes nothing; a typed name is not replaced by the next file's.
    prompts.openFiles.push_back(std::nullopt);
    click("按钮_选择语料");
    QCOMPARE(control<QLineEdit>("编辑框_语料文件")->text(), QDir::toNativeSeparators(source));
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    QCOMPARE(control<QLineEdit>("编辑框_显示名称")->text(), QStringLiteral("大学"));
    QCOMPARE(snapshot(library->folder.path()), before);
  }

  void importedDocumentAppearsInTheCorpusTreeAtOnceWithTheRightBytes() {
    lantaro::ui::PromptCapture prompts;
    for (const char* ticked : {"经部/论语", "序"})
      controller->model()->setTicked(*controller->model()->tree().find(ticked), true);
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    select("语料库/蒙学/深");
    click("按钮_确定");
    QCOMPARE(prompts.messages, QStringList{"语料导入成功"});
    QCOMPARE(read_bytes(library->corpus() / u8"蒙学" / u8"深" / u8"大学章句.txt"),
             std::string("\xB4\xF3\xD1\xA7\r\n\x00\xFF", 8));
    QVERIFY(corpusTreeLabels().contains(QStringLiteral("大学章句")));
    QVERIFY(window->isVisible());
    // Ticks survive the change; the new document comes unticked.
    const auto& tree = controller->model()->tree();
    QVERIFY(controller->model()->isTicked(*tree.find("经部/论语")));
    QVERIFY(controller->model()->isTicked(*tree.find("序")));
    QVERIFY(!controller->model()->isTicked(*tree.find("蒙学/深/大学章句")));
    QVERIFY(!controller->model()->isTicked(*tree.find("经部/孟子")));
    // The location tree was rebuilt and still points at the same directory.
    QCOMPARE(*add->target(), std::string("蒙学/深"));
    QCOMPARE(locations()->currentIndex(), location(QStringLiteral("语料库/蒙学/深")));
  }

  void existingDocumentIsReplacedOnlyWhenTheUserSaysYes() {
    lantaro::ui::PromptCapture prompts;
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    control<QLineEdit>("编辑框_显示名称")->setText(QStringLiteral("论语"));
    select("语料库/经部");
    auto before = snapshot(library->folder.path());
    prompts.answers = {false};
    click("按钮_确定");
    QCOMPARE(prompts.questions,
             QStringList{QString::fromStdString(lantaro::replace_document_question("论语"))});
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(snapshot(library->folder.path()), before);

    prompts.answers = {true};
    click("按钮_确定");
    QCOMPARE(prompts.questions.size(), 2);
    QCOMPARE(prompts.messages, QStringList{"语料导入成功"});
    QCOMPARE(read_bytes(library->corpus() / u8"经部" / u8"论语.txt"),
             read_bytes(std::filesystem::path(source.toStdU16String())));
  }

  void namesThatWouldLeaveTheLibraryWriteNothing() {
    lantaro::ui::PromptCapture prompts;
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    select("语料库/经部");
    auto before = snapshot(library->folder.path());
    for (const char* name : {"../../逃", "..", "a/b", "a\\b", "  "}) {
      control<QLineEdit>("编辑框_显示名称")->setText(QString::fromUtf8(name));
      click("按钮_确定");
      control<QLineEdit>("编辑框_新目录名称")->setText(QString::fromUtf8(name));
      click("按钮_创建新目录");
    }
    QCOMPARE(prompts.messages.count(QStringLiteral("语料导入失败")), 5);
    QCOMPARE(prompts.messages.count(QStringLiteral("新目录创建失败！")), 5);
    QCOMPARE(snapshot(library->folder.path()), before);
  }

  void directoryCreationOfBothKindsAndItsMessages() {
    lantaro::ui::PromptCapture prompts;
    auto* kind = control<QComboBox>("组合框_目录类型");
    QCOMPARE(kind->currentText(), QStringLiteral("顶级目录"));
    click("按钮_创建新目录");
    kind->setCurrentIndex(1);  // 子目录
    click("按钮_创建新目录");
    control<QLineEdit>("编辑框_新目录名称")->setText(QStringLiteral("注疏"));
    click("按钮_创建新目录");  // no directory selected
    QCOMPARE(prompts.messages, (QStringList{"请输入新目录名称！", "请输入新目录名称！",
                                            "请先选择新子目录所属的上级目录！"}));
    QVERIFY(!std::filesystem::exists(library->corpus() / u8"注疏"));

    prompts.messages.clear();
    select("语料库/经部");
    click("按钮_创建新目录");
    QVERIFY(std::filesystem::is_directory(library->corpus() / u8"经部" / u8"注疏"));
    click("按钮_创建新目录");  // exists now
    kind->setEditText(QStringLiteral("顶级目录"));
    click("按钮_创建新目录");  // top level: no selection needed, the selection is ignored
    QCOMPARE(prompts.messages,
             (QStringList{"新目录创建成功！", "新目录创建失败！", "新目录创建成功！"}));
    QVERIFY(std::filesystem::is_directory(library->corpus() / u8"注疏"));
    QCOMPARE(locationOutline(),
             (QStringList{"语料库", "  注疏", "  经部", "    注疏", "  蒙学", "    深"}));
    QVERIFY(corpusTreeLabels().count(QStringLiteral("注疏")) == 2);
  }

  void editingALocationLabelTouchesNothingOnDisk() {
    select("语料库/蒙学");
    auto before = snapshot(library->folder.path());
    QModelIndex index = location(QStringLiteral("语料库/蒙学"));
    // The tree's edit key opens the in-place edit field on the selected item.
    window->open();
    locations()->setFocus();
    QTest::keyClick(locations(), Qt::Key_F2);
    QLineEdit* editor = nullptr;
    QTRY_VERIFY((editor = locations()->viewport()->findChild<QLineEdit*>()) && editor->isVisible());
    editor->setText(QStringLiteral("童蒙"));  // keyClicks types Latin-1 only
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(index.data().toString(), QStringLiteral("童蒙"));  // committed as a queued call
    QCOMPARE(snapshot(library->folder.path()), before);
    QCOMPARE(*add->target(), std::string("蒙学"));
    QCOMPARE(control<QLineEdit>("编辑框_目标位置")->text(),
             QDir::toNativeSeparators(QStringLiteral("语料库/蒙学")));

    // An import goes to the directory, whatever its label says now.
    lantaro::ui::PromptCapture prompts;
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    click("按钮_确定");
    QCOMPARE(prompts.messages, QStringList{"语料导入成功"});
    QVERIFY(std::filesystem::exists(library->corpus() / u8"蒙学" / u8"大学章句.txt"));
  }

  void missingCorpusFolderIsCreatedByTheFirstImport() {
    std::filesystem::remove_all(library->corpus());
    add->fillLocations();
    QCOMPARE(locationOutline(), QStringList{"语料库"});
    lantaro::ui::PromptCapture prompts;
    prompts.openFiles.push_back(source);
    click("按钮_选择语料");
    select("语料库");
    click("按钮_确定");
    QCOMPARE(prompts.messages, QStringList{"语料导入成功"});
    QCOMPARE(corpusTreeLabels(), QStringList{"大学章句"});
  }
};

QTEST_MAIN(AddCorpusWindowTest)
#include "add_corpus_window_gui_test.moc"
