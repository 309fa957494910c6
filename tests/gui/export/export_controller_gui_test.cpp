// The export buttons on a real main window over a small GBK library written at test time: the
// refusals, the text-export window and its save command, and the spreadsheet export with its
// progress window, driven through a spreadsheet program that writes into a scratch folder.

#include <memory>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "engine/common/codepage.h"
#include "engine/export/text_export.h"
#include "engine/export/xlsx_spreadsheet.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/export/export_controller.h"
#include "gui/info/progress_window.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/export_fixtures.h"

using namespace lantaro;

namespace {

QString msg(Message m) { return ui::text_of(m); }

class Library {
 public:
  Library() {
    std::filesystem::create_directories(folder / "corpus/经部");
    std::filesystem::create_directories(folder / "ini");
    testing::write_bytes(folder / "corpus/经部/论语.txt",
                         encode_gbk(u"子曰：学而时习之。\r\n有子曰：其为人也孝弟。"));
    testing::write_bytes(folder / "corpus/经部/孟子.txt", encode_gbk(u"王曰：叟不远千里而来。"));
    std::filesystem::create_directories(folder / "corpus/史部");
    std::u16string many;
    for (int i = 0; i < 5000; ++i) many += u"王曰：善。\r\n";
    testing::write_bytes(folder / "corpus/史部/长.txt", encode_gbk(many));
    testing::write_bytes(
        folder / "ini/sys.ini",
        encode_gbk(u"[上下文取字数配置]\r\n上下文上取字数=3\r\n上下文下取字数=2\r\n"));
    window.reset(ui::build_window(ui::WindowId::Main));
    corpus = new CorpusController(window.get(), run);
    retrieval = new RetrievalController(window.get(), run, *corpus);
    exporter = new ExportController(window.get(), *retrieval);
  }

  bool search(const QString& keyword, const char* folder_name = "经部") {
    auto item = corpus->model()->tree().find(folder_name);
    if (!item) return false;
    corpus->model()->setTicked(*item, true);
    window->control<QLineEdit>(QStringLiteral("编辑框_关键词"))->setText(keyword);
    QSignalSpy finished(retrieval, &RetrievalController::searchFinished);
    QTest::mouseClick(window->control<QPushButton>(QStringLiteral("按钮_搜索")), Qt::LeftButton);
    return retrieval->searchRunning() ? finished.wait(20000) : false;
  }
  void click(const char* name) {
    window->control<QAbstractButton>(QString::fromUtf8(name))->click();
  }
  QPlainTextEdit* box() const {
    auto* w = exporter->textExportWindow();
    return w ? w->control<QPlainTextEdit>(QStringLiteral("编辑框1")) : nullptr;
  }
  void save() { exporter->textExportWindow()->control<QAction>(QStringLiteral("保存"))->trigger(); }
  // Saves and waits for the outcome when a file was chosen.
  bool save_and_wait() {
    save();
    return exporter->textSaveRunning() &&
           QTest::qWaitFor([this] { return !exporter->textSaveRunning(); }, 20000);
  }

  testing::TempFolder folder;
  testing::TempFolder files;
  RunDirectory run{path_to_utf8(folder.path())};
  std::unique_ptr<ui::DesignedWindow> window;
  CorpusController* corpus = nullptr;
  RetrievalController* retrieval = nullptr;
  ExportController* exporter = nullptr;
};

}  // namespace

class ExportControllerTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutResultsNothingOpens() {
    Library lib;
    int spreadsheets = 0;
    lib.exporter->setSpreadsheetFactory([&] {
      ++spreadsheets;
      return std::unique_ptr<Spreadsheet>();
    });
    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到TXT");
    lib.click("超级按钮_提取到EXCEL");
    QCOMPARE(prompts.messages,
             (QStringList{msg(Message::NoResultsToExtract), msg(Message::NoResultsToExport)}));
    QVERIFY(!lib.exporter->textExportWindow());
    QVERIFY(!lib.exporter->progressWindow());
    QVERIFY(!lib.exporter->spreadsheetExportRunning());
    QCOMPARE(spreadsheets, 0);
  }

  void textWindowShowsTheResultsAndSavesTheBytesTheCommandLineWrites() {
    Library lib;
    QVERIFY(lib.search(QStringLiteral("曰")));
    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到TXT");
    ui::DesignedWindow* window = lib.exporter->textExportWindow();
    QVERIFY(window);
    QCOMPARE(window->objectName(), QStringLiteral("textExportWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("提取到TXT"));
    const QString shown = QString::fromStdU16String(result_text(lib.retrieval->shownResults()));
    QCOMPARE(lib.box()->toPlainText(),
             QString(shown).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(lib.box()->toPlainText().split(QLatin1Char('\n')).size(), 3);
    QVERIFY(lib.box()->toPlainText().startsWith(
        QStringLiteral("王曰：叟不远千里而来。  （出处：孟子)\n")));

    const auto target = lib.files / "结果.txt";
    prompts.saveFiles.push_back(QString::fromStdString(path_to_utf8(target)));
    QVERIFY(lib.save_and_wait());
    QCOMPARE(prompts.messages, QStringList{msg(Message::SaveSucceeded)});
    QCOMPARE(prompts.saveDialogs, 1);
    QCOMPARE(testing::read_bytes(target),
             text_file_bytes(result_text(lib.retrieval->shownResults())));
    QVERIFY(testing::read_bytes(target).find("\r\n") != std::string::npos);
    QVERIFY(window->isVisible());  // the window stays for another save

    // A second click refills and raises the same window.
    lib.box()->setPlainText(QStringLiteral("改过"));
    lib.click("超级按钮_提取到TXT");
    QCOMPARE(lib.exporter->textExportWindow(), window);
    QVERIFY(lib.box()->toPlainText().startsWith(QStringLiteral("王曰")));
    window->close();
  }

  void savingFollowsWhatTheBoxHolds() {
    Library lib;
    QVERIFY(lib.search(QStringLiteral("子曰")));
    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到TXT");
    QPlainTextEdit* box = lib.box();

    // Empty: a message and no dialog.
    box->clear();
    QVERIFY(!lib.save_and_wait());
    QCOMPARE(prompts.messages, QStringList{msg(Message::NothingToSave)});
    QCOMPARE(prompts.saveDialogs, 0);

    // Typed text with a typed line break (Enter and Shift+Enter) is saved with CR LF.
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("a"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, QStringLiteral("b"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("c"));
    box->insertPlainText(QStringLiteral("丁"));

    // Cancelled: nothing at all.
    prompts.saveFiles.push_back(std::nullopt);
    QVERIFY(!lib.save_and_wait());
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.saveDialogs, 1);

    // A folder that is not there: failure, the window and its text stay.
    prompts.saveFiles.push_back(QString::fromStdString(path_to_utf8(lib.files / "无此目录/a.txt")));
    QVERIFY(lib.save_and_wait());
    QCOMPARE(prompts.messages.last(), msg(Message::SaveFailed));
    QVERIFY(lib.exporter->textExportWindow()->isVisible());

    const auto target = lib.files / "a.txt";
    testing::write_bytes(target, "old");
    prompts.saveFiles.push_back(QString::fromStdString(path_to_utf8(target)));
    QVERIFY(lib.save_and_wait());
    QCOMPARE(prompts.messages.last(), msg(Message::SaveSucceeded));
    QCOMPARE(testing::read_bytes(target), std::string("a\r\nb\r\nc\xB6\xA1"));
    lib.exporter->textExportWindow()->close();
  }

  // A long list reaches the box a slice at a time; saving half-way still saves all of it.
  void longResultsFillTheBoxWithoutHoldingTheWindow() {
    Library lib;
    QVERIFY(lib.search(QStringLiteral("曰"), "史部"));
    QCOMPARE(lib.retrieval->shownResults().size(), std::size_t{5000});
    const std::string expected = text_file_bytes(result_text(lib.retrieval->shownResults()));

    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到TXT");
    QVERIFY(lib.exporter->textExportFilling());
    QVERIFY(lib.box()->isReadOnly());
    QVERIFY(lib.box()->blockCount() < 5000);
    const auto target = lib.files / "half.txt";
    prompts.saveFiles.push_back(QString::fromStdString(path_to_utf8(target)));
    QVERIFY(lib.save_and_wait());
    QCOMPARE(testing::read_bytes(target), expected);
    QVERIFY(!lib.exporter->textExportFilling());
    QVERIFY(!lib.box()->isReadOnly());

    // Left alone, the box fills up by itself; a second click starts over with the fresh text.
    QSignalSpy filled(lib.exporter, &ExportController::textExportFilled);
    lib.click("超级按钮_提取到TXT");
    QVERIFY(filled.wait(20000));
    QCOMPARE(lib.box()->blockCount(), 5000);
    QVERIFY(!lib.box()->isReadOnly());
    const auto again = lib.files / "full.txt";
    prompts.saveFiles.push_back(QString::fromStdString(path_to_utf8(again)));
    QVERIFY(lib.save_and_wait());
    QCOMPARE(testing::read_bytes(again), expected);
    lib.exporter->textExportWindow()->close();
  }

  void spreadsheetExportShowsProgressAndKeepsTheMainWindowFree() {
    if (!testing::python_available()) QSKIP("python3 is needed to read the workbook");
    Library lib;
    QVERIFY(lib.search(QStringLiteral("曰")));
    std::vector<std::filesystem::path> opened;
    lib.exporter->setSpreadsheetFactory([&] {
      XlsxSpreadsheetOptions options;
      options.folder = lib.files.path();
      options.has_handler = [] { return true; };
      options.open = [&](const std::filesystem::path& file) {
        opened.push_back(file);
        return true;
      };
      return std::unique_ptr<Spreadsheet>(std::make_unique<XlsxSpreadsheet>(options));
    });
    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到EXCEL");
    QVERIFY(lib.exporter->spreadsheetExportRunning());
    QVERIFY(lib.exporter->progressWindow() && lib.exporter->progressWindow()->isOpen());
    QVERIFY(QTest::qWaitFor([&] { return !lib.exporter->spreadsheetExportRunning(); }, 20000));
    QVERIFY(!lib.exporter->progressWindow());
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(opened.size(), std::size_t{1});

    auto book = testing::read_workbook(opened[0]);
    QVERIFY2(book.ok, book.error.c_str());
    QCOMPARE(book.sheets, (std::vector<std::string>{"检索结果", "命中统计"}));
    QCOMPARE(book.cells[0].at("C2").value, std::string("曰"));
    QCOMPARE(book.cells[0].at("E2").value, std::string("孟子"));
    QCOMPARE(book.cells[0].at("E4").value, std::string("论语"));
    QCOMPARE(book.cells[1].at("B3").value, std::string("论语"));
    QCOMPARE(book.cells[1].at("C3").value, std::string("2"));
  }

  void noSpreadsheetProgramGivesTheCreationMessage() {
    Library lib;
    QVERIFY(lib.search(QStringLiteral("曰")));
    lib.exporter->setSpreadsheetFactory([&] {
      XlsxSpreadsheetOptions options;
      options.folder = lib.files.path();
      options.has_handler = [] { return false; };
      options.open = [](const std::filesystem::path&) { return true; };
      return std::unique_ptr<Spreadsheet>(std::make_unique<XlsxSpreadsheet>(options));
    });
    ui::PromptCapture prompts;
    lib.click("超级按钮_提取到EXCEL");
    QVERIFY(lib.exporter->spreadsheetExportRunning());
    QVERIFY(QTest::qWaitFor([&] { return !lib.exporter->spreadsheetExportRunning(); }, 20000));
    QCOMPARE(prompts.messages, QStringList{msg(Message::SpreadsheetAppFailed)});
    QVERIFY(!lib.exporter->progressWindow());
    QVERIFY(lib.files.names().empty());
    QVERIFY(lib.window->isEnabled());
  }
};

QTEST_MAIN(ExportControllerTest)
#include "export_controller_gui_test.moc"
