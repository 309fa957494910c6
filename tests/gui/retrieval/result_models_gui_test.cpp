// The result list and hit grid models: checked by Qt's model tester and against what the list and
// grid must show.

#include <QAbstractItemModelTester>
#include <QDir>
#include <QListView>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include "engine/common/text.h"
#include "engine/retrieval/searcher.h"
#include "gui/retrieval/hit_grid_model.h"
#include "gui/retrieval/result_list_model.h"

using namespace lantaro;

namespace {

Document doc(const char* relative, std::u16string name) {
  Document d;
  d.path = std::filesystem::path("/lib/corpus") / path_from_utf8(relative);
  d.relative_path = relative;
  d.display_name = std::move(name);
  return d;
}

// Two documents, three items; the second document holds a CR LF and a character outside the
// basic plane, so the texts must come through unchanged.
ResultList sample_list() {
  ResultList list;
  list.documents = {doc("经部/论语.txt", u"论语"), doc("蒙学/三字经.txt", u"三字经")};
  list.texts = {std::make_shared<const std::u16string>(u"学而时习之，不亦说乎"),
                std::make_shared<const std::u16string>(u"人之初\r\n性本善𠀀相近")};
  list.items = {ResultItem{0, 0, 5, 0, 1}, ResultItem{0, 2, 3, 3, 1}, ResultItem{1, 5, 6, 5, 3}};
  return list;
}

}  // namespace

class ResultModelsTest : public QObject {
  Q_OBJECT

 private slots:
  void resultListShowsItemTextsWithCitation() {
    ResultList shown;
    ResultListModel model([&]() -> const ResultList& { return shown; });
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    shown = sample_list();
    model.refresh();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(static_cast<QAbstractItemModel&>(model).columnCount(), 1);
    QCOMPARE(model.data(model.index(0)).toString(), QStringLiteral("学而时习之  （出处：论语)"));
    QCOMPARE(model.data(model.index(1)).toString(), QStringLiteral("时习之  （出处：论语)"));
    QCOMPARE(model.data(model.index(2)).toString(), QStringLiteral("性本善𠀀相  （出处：三字经)"));
    QVERIFY(!model.data(model.index(3)).isValid());
    QVERIFY(!(model.flags(model.index(0)) & Qt::ItemIsEditable));

    shown = ResultList{};
    model.refresh();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.results().empty());
  }

  // Items are built on demand: a million rows must cost nothing until they are looked at, and a
  // view over them must not lay out every row.
  void resultListHoldsAMillionItems() {
    ResultList list;
    list.documents = {doc("a.txt", u"甲")};
    list.texts = {std::make_shared<const std::u16string>(u"一二三四五六七八九十")};
    list.items.assign(1'000'000, ResultItem{0, 1, 3, 2, 1});
    ResultListModel model([&]() -> const ResultList& { return list; });
    model.refresh();
    QCOMPARE(model.rowCount(), 1'000'000);
    QCOMPARE(model.data(model.index(999'999)).toString(), QStringLiteral("二三四  （出处：甲)"));

    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    QVERIFY(view.indexAt(QPoint(5, 5)).row() > 900'000);
  }

  void hitGridHasThreeReadOnlyColumns() {
    HitGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("文献"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("命中次数"));

    SearchResults results;
    results.list = sample_list();
    results.hit_counts = {2, 1};
    model.setResults(results);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("论语"));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("2"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("2"));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("三字经"));
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("1"));
    // Two documents can share a display name; the tooltip tells them apart.
    QCOMPARE(model.data(model.index(1, 1), Qt::ToolTipRole).toString(),
             QDir::toNativeSeparators(QStringLiteral("/lib/corpus/蒙学/三字经.txt")));
    for (int column = 0; column < 3; ++column)
      QVERIFY(!(model.flags(model.index(0, column)) & Qt::ItemIsEditable));

    model.clear();
    QCOMPARE(model.rowCount(), 0);
  }

  void hitGridRejectsMismatchedCounts() {
    HitGridModel model;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             model.setRows({doc("a.txt", u"甲")}, std::vector<std::size_t>{}));
    QCOMPARE(model.rowCount(), 0);
  }
};

QTEST_MAIN(ResultModelsTest)
#include "result_models_gui_test.moc"
