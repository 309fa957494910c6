// The extraction panel on a real main window over a small library: panel and captions, the
// refusal without search results, runs that replace the result list, and the worker progress.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "cli/extract_command.h"
#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/extraction/extractor.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/extraction/extraction_controller.h"
#include "gui/retrieval/result_list_model.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace lantaro;

namespace {

const QString kNoResults = QStringLiteral("当前没有搜索结果可供提取！");

void write_gbk(const fs::path& path, std::u16string_view text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  const std::string bytes = encode_gbk(text);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Long enough to be cut into many chunks for the workers.
std::u16string long_text() {
  std::u16string t;
  for (int i = 0; i < 20000; ++i) {
    t += u"甲曰：“今日天晴。”乙答之，遂去；丙笑曰：“善哉！”\r\n";
  }
  return t;
}

}  // namespace

class ExtractionControllerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testing::TempFolder> temp_;
  fs::path root_;
  std::unique_ptr<ui::DesignedWindow> main_;
  CorpusController* corpus_ = nullptr;
  RetrievalController* retrieval_ = nullptr;
  ExtractionController* extraction_ = nullptr;

  QAbstractButton* button(const char* name) {
    return main_->control<QAbstractButton>(QString::fromUtf8(name));
  }
  QAbstractButton* toggle() { return button("超级按钮_句子提取"); }
  QWidget* panel() { return main_->control<QWidget>(QStringLiteral("外形框1")); }
  QString status() { return main_->control<QLabel>(QStringLiteral("透明标签_执行结果"))->text(); }
  QLineEdit* thread_box() {
    return main_->control<QLineEdit>(QStringLiteral("编辑框_线程执行信息"));
  }
  QList<QAbstractButton*> mode_buttons() {
    return {button("超级按钮_提取对话句"), button("超级按钮_提取叙述句"),
            button("超级按钮_提取全部句"), button("超级按钮_多线程提取全部句")};
  }
  QStringList shown_items() {
    QStringList items;
    ResultListModel* model = retrieval_->resultModel();
    for (int r = 0; r < model->rowCount(); ++r) items << model->index(r).data().toString();
    return items;
  }

  void search(const QString& keyword) {
    for (std::size_t i = 0; i < corpus_->model()->tree().size(); ++i)
      corpus_->model()->setTicked(i, true);
    main_->control<QLineEdit>(QStringLiteral("编辑框_关键词"))->setText(keyword);
    QSignalSpy done(retrieval_, &RetrievalController::searchFinished);
    retrieval_->search();
    QVERIFY(done.count() == 1 || done.wait(10000));
    QVERIFY(retrieval_->lastSearch());
  }

 private slots:
  void init() {
    temp_ = std::make_unique<testing::TempFolder>("extraction-gui");
    root_ = temp_->path();
    write_gbk(root_ / "corpus" / path_from_utf8("经部/论语.txt"),
              u"子曰：“学而时习之，不亦说乎？”\r\n有朋自远方来，不亦乐乎？");
    write_gbk(root_ / "corpus" / path_from_utf8("经部/孟子.txt"),
              u"孟子见梁惠王。王曰：“叟！不远千里而来。”");
    write_gbk(root_ / "corpus" / path_from_utf8("长篇/大文.txt"), long_text());
    const RunDirectory run(path_to_utf8(root_));
    main_.reset(ui::build_window(ui::WindowId::Main));
    corpus_ = new CorpusController(main_.get(), run);
    retrieval_ = new RetrievalController(main_.get(), run, *corpus_);
    extraction_ = new ExtractionController(main_.get(), *retrieval_);
    main_->open();
  }

  void cleanup() {
    main_.reset();
    temp_.reset();
  }

  void panelTogglesWithItsCaption() {
    QVERIFY(!panel()->isVisible());
    for (QAbstractButton* b : mode_buttons()) QVERIFY(!b->isVisible());
    QCOMPARE(toggle()->text(), QStringLiteral("文献语句提取"));

    toggle()->click();
    QVERIFY(panel()->isVisible());
    QCOMPARE(toggle()->text(), QStringLiteral("关闭提取"));
    // All four buttons in one row, none covering another, all inside the panel.
    const QList<QAbstractButton*> buttons = mode_buttons();
    for (int i = 0; i < buttons.size(); ++i) {
      QVERIFY(buttons[i]->isVisible());
      QVERIFY(panel()->rect().contains(buttons[i]->geometry()));
      for (int j = i + 1; j < buttons.size(); ++j) {
        QVERIFY(!buttons[i]->geometry().intersects(buttons[j]->geometry()));
      }
    }
    QVERIFY(main_->clientArea()->rect().contains(panel()->geometry()));

    toggle()->click();
    QVERIFY(!panel()->isVisible());
    QCOMPARE(toggle()->text(), QStringLiteral("文献语句提取"));
  }

  void closeButtonHidesThePanelAndResetsTheCaption() {
    toggle()->click();
    button("按钮_关闭语句提取按钮面板")->click();
    QVERIFY(!panel()->isVisible());
    QCOMPARE(toggle()->text(), QStringLiteral("文献语句提取"));
    // The next toolbar click does what its caption says: it opens.
    toggle()->click();
    QVERIFY(panel()->isVisible());
  }

  void everyButtonRefusesWithoutSearchResults() {
    toggle()->click();
    const QString status_before = status();
    for (QAbstractButton* b : mode_buttons()) {
      ui::PromptCapture prompts;
      b->click();
      QCOMPARE(prompts.messages, QStringList{kNoResults});
      QVERIFY(!extraction_->running());
      QCOMPARE(retrieval_->resultModel()->rowCount(), 0);
      QCOMPARE(status(), status_before);
    }
    // A search without hits leaves nothing to extract either.
    search(QStringLiteral("没有这个词"));
    for (QAbstractButton* b : mode_buttons()) {
      ui::PromptCapture prompts;
      b->click();
      QCOMPARE(prompts.messages, QStringList{kNoResults});
    }
  }

  void runAfterSearchReplacesTheListAndReportsTheCount() {
    search(QStringLiteral("子曰"));
    QCOMPARE(retrieval_->lastSearch()->list.documents.size(), std::size_t{1});
    toggle()->click();
    ui::PromptCapture prompts;

    button("超级按钮_提取对话句")->click();
    QTRY_COMPARE(status(), QStringLiteral("共提取到对话语句1"));
    QCOMPARE(shown_items(), QStringList{QStringLiteral("“学而时习之，不亦说乎？”  （出处：论语)")});

    button("超级按钮_提取叙述句")->click();
    QTRY_COMPARE(status(), QStringLiteral("共提取到叙述语句2"));
    QCOMPARE(shown_items(),
             (QStringList{QStringLiteral("子曰：  （出处：论语)"),
                          QStringLiteral("有朋自远方来，不亦乐乎？  （出处：论语)")}));

    // The last search stays the input: all sentences of the same document.
    button("超级按钮_提取全部句")->click();
    QTRY_COMPARE(status(), QStringLiteral("共提取到语句3"));
    QCOMPARE(shown_items().size(), 3);
    QCOMPARE(prompts.messages, QStringList{});
  }

  void theCommandLineGivesTheSameItemsAsTheWindow() {
    search(QStringLiteral("曰"));
    toggle()->click();
    const std::pair<const char*, const char*> modes[] = {{"超级按钮_提取对话句", "dialogue"},
                                                         {"超级按钮_提取叙述句", "narrative"},
                                                         {"超级按钮_提取全部句", "all"},
                                                         {"超级按钮_多线程提取全部句", "all"}};
    for (const auto& [name, mode] : modes) {
      QSignalSpy finished(extraction_, &ExtractionController::extractionFinished);
      button(name)->click();
      QVERIFY(finished.count() == 1 || finished.wait(20000));
      std::ostringstream out, err;
      CliContext context{RunDirectory(path_to_utf8(root_)), out, err, nullptr};
      QCOMPARE(run_extract_command({"--mode", mode, "--keyword", "曰"}, context), 0);
      QStringList lines = QString::fromStdString(out.str()).split(QLatin1Char('\n'));
      QCOMPARE(lines.takeLast(), QString());
      QCOMPARE(lines.takeLast(), status());
      QCOMPARE(lines, shown_items());
    }
  }

  void workersReportProgressAndTheReportFollowsTheirEnd() {
    search(QStringLiteral("曰"));
    QCOMPARE(retrieval_->lastSearch()->list.documents.size(), std::size_t{3});
    toggle()->click();
    button("超级按钮_提取全部句")->click();
    QTRY_VERIFY(status().startsWith(QStringLiteral("共提取到语句")));
    const QString single_status = status();
    const QStringList single_items = shown_items();

    QSignalSpy messages(extraction_, &ExtractionController::workerMessage);
    QSignalSpy finished(extraction_, &ExtractionController::extractionFinished);
    QStringList seen_at_finish;
    connect(extraction_, &ExtractionController::extractionFinished, this, [&] {
      for (const auto& m : messages) seen_at_finish << m.at(0).toString();
    });
    button("超级按钮_多线程提取全部句")->click();
    // Off the UI thread: the window goes on while the buttons wait.
    QVERIFY(extraction_->running());
    for (QAbstractButton* b : mode_buttons()) QVERIFY(!b->isEnabled());
    QVERIFY(finished.wait(20000));
    QVERIFY(!extraction_->running());
    for (QAbstractButton* b : mode_buttons()) QVERIFY(b->isEnabled());

    // Every worker started, ran and ended before the report was written.
    QVERIFY(seen_at_finish.contains(QStringLiteral("成功启动线程1")));
    QVERIFY(seen_at_finish.contains(QStringLiteral("成功启动线程2")));
    QVERIFY(seen_at_finish.contains(QStringLiteral("结束线程1")));
    QVERIFY(seen_at_finish.contains(QStringLiteral("结束线程2")));
    QVERIFY(std::any_of(seen_at_finish.begin(), seen_at_finish.end(), [](const QString& m) {
      return m.startsWith(QStringLiteral("线程")) && m.endsWith(QStringLiteral("正在执行"));
    }));
    QVERIFY(thread_box()->text().startsWith(QStringLiteral("结束线程")));
    QCOMPARE(status(), single_status);
    QCOMPARE(shown_items(), single_items);
  }

  void largeInputLeavesTheUiThreadEvenOnOneThread() {
    // A document larger than what is cut on the UI thread.
    std::u16string big;
    while (big.size() <= kForegroundExtractionLimit) big += u"甲曰：“今日天晴。”乙答之，遂去。\n";
    write_gbk(root_ / "corpus" / path_from_utf8("长篇/巨著.txt"), big);
    corpus_->rebuild();
    search(QStringLiteral("乙答之"));
    QCOMPARE(retrieval_->lastSearch()->list.documents.size(), std::size_t{2});
    const ExtractionResult expected =
        extract_sentences(retrieval_->lastSearch()->list, ExtractionMode::Narrative);

    toggle()->click();
    QSignalSpy messages(extraction_, &ExtractionController::workerMessage);
    QSignalSpy finished(extraction_, &ExtractionController::extractionFinished);
    button("超级按钮_提取叙述句")->click();
    QVERIFY(extraction_->running());
    QVERIFY(finished.wait(20000));
    QCOMPARE(messages.count(), 0);  // one thread: no worker texts
    QCOMPARE(status(), QString::fromStdU16String(expected.report));
    QCOMPARE(retrieval_->resultModel()->results().items, expected.list.items);
  }

  void resultsThatChangedDuringARunAreNotOverwritten() {
    search(QStringLiteral("曰"));
    toggle()->click();
    button("超级按钮_多线程提取全部句")->click();
    QVERIFY(extraction_->running());
    // Something else fills the list before the workers' result comes back.
    retrieval_->showResults(retrieval_->lastSearch()->list, QStringLiteral("别的结果"));
    const int rows = retrieval_->resultModel()->rowCount();
    QSignalSpy finished(extraction_, &ExtractionController::extractionFinished);
    QVERIFY(finished.wait(20000));
    QCOMPARE(status(), QStringLiteral("别的结果"));
    QCOMPARE(retrieval_->resultModel()->rowCount(), rows);
  }

  void closingTheWindowDuringARunWaitsForTheWorkers() {
    search(QStringLiteral("曰"));
    toggle()->click();
    button("超级按钮_多线程提取全部句")->click();
    QVERIFY(extraction_->running());
    main_.reset();  // must neither crash nor leave workers touching freed widgets
    QTest::qWait(0);
  }
};

QTEST_MAIN(ExtractionControllerTest)
#include "extraction_controller_gui_test.moc"
