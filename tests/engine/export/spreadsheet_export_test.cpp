#include "engine/export/spreadsheet_export.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/export/xlsx_spreadsheet.h"
#include "support/export_fixtures.h"

namespace lantaro {
namespace {

using testing::TempFolder;

// Records every operation; chosen operations fail.
class RecordingSpreadsheet : public Spreadsheet {
 public:
  std::vector<std::string> calls;
  std::vector<std::vector<std::vector<CellValue>>> writes;
  std::vector<CellRange> frames;
  bool fail_create = false;
  bool fail_workbook = false;
  int fail_write = -1;  // index of the write that fails
  bool keep_writes = true;
  CellRange range;

  bool create_application() override { return log("create", !fail_create); }
  bool show_application() override { return log("show", true); }
  bool new_workbook() override { return log("workbook", !fail_workbook); }
  bool select_sheet(std::uint32_t index, std::u16string_view name) override {
    return log("sheet " + std::to_string(index) + " " + utf16_to_utf8(name), true);
  }
  bool select_range(const CellRange& r) override {
    range = r;
    return log("range " + std::to_string(r.first_row) + "," + std::to_string(r.first_column) + ":" +
                   std::to_string(r.last_row) + "," + std::to_string(r.last_column),
               true);
  }
  bool write(const std::vector<std::vector<CellValue>>& rows, std::u16string_view format) override {
    EXPECT_EQ(format, u"G/通用格式");
    EXPECT_EQ(rows.size(), range.rows());
    bool ok = static_cast<int>(write_count++) != fail_write;
    if (keep_writes) writes.push_back(rows);
    return log("write", ok);
  }
  bool frame_range(const BorderStyle&) override {
    frames.push_back(range);
    return log("frame", true);
  }
  bool fit_columns() override { return log("fit", true); }
  bool close_workbooks() override { return log("close", true); }
  bool quit() override { return log("quit", true); }
  bool release() override { return log("release", true); }

  std::size_t write_count = 0;

 private:
  bool log(std::string call, bool ok) {
    calls.push_back(ok ? call : call + " failed");
    return ok;
  }
};

const std::vector<HitGridRow> kGrid = {{u"论语", 2}, {u"孟子", 1}};

TEST(SpreadsheetExport, RefusalsComeBeforeAnythingElse) {
  RecordingSpreadsheet none;
  auto result = export_to_spreadsheet(none, ResultList{}, kGrid);
  EXPECT_EQ(result.message, Message::NoResultsToExport);
  EXPECT_TRUE(none.calls.empty());

  RecordingSpreadsheet missing;
  missing.fail_create = true;
  result = export_to_spreadsheet(missing, testing::sample_search_results(), kGrid);
  EXPECT_EQ(result.message, Message::SpreadsheetAppFailed);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(missing.calls, (std::vector<std::string>{"create failed", "release"}));
}

TEST(SpreadsheetExport, StepsInOrderWithBothSheets) {
  RecordingSpreadsheet sheet;
  std::vector<SpreadsheetProgress> progress;
  auto result = export_to_spreadsheet(sheet, testing::sample_search_results(), kGrid,
                                      [&](const SpreadsheetProgress& p) { progress.push_back(p); });
  EXPECT_FALSE(result.message);
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(sheet.calls, (std::vector<std::string>{"create",
                                                   "show",
                                                   "workbook",
                                                   "sheet 0 检索结果",
                                                   "range 0,0:0,4",
                                                   "write",
                                                   "range 1,0:3,4",
                                                   "write",
                                                   "range 0,0:3,4",
                                                   "frame",
                                                   "range 0,0:3,4",
                                                   "fit",
                                                   "sheet 1 命中统计",
                                                   "range 0,0:0,2",
                                                   "write",
                                                   "range 1,0:2,2",
                                                   "write",
                                                   "range 0,0:2,2",
                                                   "frame",
                                                   "range 0,0:2,2",
                                                   "fit",
                                                   "release"}));
  ASSERT_EQ(sheet.writes.size(), 4u);
  EXPECT_EQ(sheet.writes[1][2], (std::vector<CellValue>{3.0, u"孟子见梁惠王。", u"王曰",
                                                        u"：叟不远千里而来。", u"孟子"}));
  EXPECT_EQ(sheet.writes[3][0], (std::vector<CellValue>{1.0, u"论语", 2.0}));

  // Rows count up to all of them (two headers included), the steps up to the last.
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().rows_written, 7u);
  EXPECT_EQ(progress.back().rows_total, 7u);
  EXPECT_EQ(progress.back().step, kSpreadsheetSteps);
  for (std::size_t i = 1; i < progress.size(); ++i) {
    EXPECT_GE(progress[i].rows_written, progress[i - 1].rows_written);
    EXPECT_GE(progress[i].step, progress[i - 1].step);
  }
}

TEST(SpreadsheetExport, LongListsAreWrittenInBlocksAndAFailedWriteEndsOnlyThatStep) {
  ResultList many = testing::sample_search_results();
  many.items.assign(2 * kRowsPerWrite + 5, many.items[0]);

  RecordingSpreadsheet full;
  EXPECT_TRUE(export_to_spreadsheet(full, many, kGrid).complete);
  ASSERT_EQ(full.writes.size(), 1u + 3u + 2u);
  EXPECT_EQ(full.writes[3].size(), 5u);
  EXPECT_EQ(std::get<double>(full.writes[3][4][0]), 2.0 * kRowsPerWrite + 5);
  EXPECT_EQ(full.frames[0],
            (CellRange{0, 0, static_cast<std::uint32_t>(2 * kRowsPerWrite + 5), 4}));

  // The second block fails: the block written so far is framed, the hit grid still follows,
  // no message is given, and the export is not complete.
  RecordingSpreadsheet broken;
  broken.fail_write = 2;
  auto result = export_to_spreadsheet(broken, many, kGrid);
  EXPECT_FALSE(result.message);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(broken.frames[0], (CellRange{0, 0, static_cast<std::uint32_t>(kRowsPerWrite), 4}));
  EXPECT_EQ(broken.frames.size(), 2u);
  EXPECT_EQ(broken.calls.back(), "release");
}

TEST(SpreadsheetExport, RowsBeyondTheEndOfASheetAreLeftOutAndReported) {
  ResultList many = testing::sample_search_results();
  many.items.assign(kMaxSheetRows, many.items[0]);  // one more than fits under the header
  RecordingSpreadsheet sheet;
  sheet.keep_writes = false;
  auto result = export_to_spreadsheet(sheet, many, kGrid);
  EXPECT_FALSE(result.message);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(sheet.frames[0], (CellRange{0, 0, kMaxSheetRows - 1, 4}));
  EXPECT_EQ(std::count(sheet.calls.begin(), sheet.calls.end(), "write failed"), 0);
  EXPECT_EQ(sheet.calls.back(), "release");
}

TEST(SpreadsheetExport, AWorkbookThatCannotBeAddedIsTidiedAway) {
  RecordingSpreadsheet sheet;
  sheet.fail_workbook = true;
  auto result = export_to_spreadsheet(sheet, testing::sample_search_results(), kGrid);
  EXPECT_FALSE(result.message);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(sheet.calls, (std::vector<std::string>{"create", "show", "workbook failed", "close",
                                                   "quit", "release"}));
}

TEST(SpreadsheetExport, SentencesHaveTheirOwnColumns) {
  RecordingSpreadsheet sheet;
  export_to_spreadsheet(sheet, testing::sample_sentences(), {});
  ASSERT_GE(sheet.writes.size(), 2u);
  EXPECT_EQ(sheet.writes[0][0], (std::vector<CellValue>{u"序号", u"语句", u"出处"}));
  EXPECT_EQ(sheet.writes[1][1], (std::vector<CellValue>{2.0, u"太史公曰。", u"史记"}));
  // An empty hit grid still gets its header, framed.
  EXPECT_EQ(sheet.frames.back(), (CellRange{0, 0, 0, 2}));
}

TEST(DisplayWidth, WideCharactersCountTwo) {
  EXPECT_EQ(display_width(u"abc"), 3u);
  EXPECT_EQ(display_width(u"左侧上下文"), 10u);
  EXPECT_EQ(display_width(u"“王”，ＡＢ"), 12u);
  EXPECT_EQ(display_width(u"\U00020BB7x"), 3u);  // one character beyond the basic plane
  EXPECT_EQ(general_number_text(12), u"12");
  EXPECT_EQ(general_number_text(1048575), u"1048575");
  EXPECT_EQ(general_number_text(0.5), u"0.5");
}

// --- The workbook file, read back by an independent reader. ---

class XlsxExport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::python_available()) GTEST_SKIP() << "python3 is needed to read the workbook";
  }
  XlsxSpreadsheetOptions options() {
    XlsxSpreadsheetOptions o;
    o.folder = folder.path();
    o.has_handler = [this] { return registered; };
    o.open = [this](const std::filesystem::path& file) {
      opened.push_back(file);
      return open_works;
    };
    // 2026-12-09 08:30:12 local time.
    o.clock = [] {
      std::tm t{};
      t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 9, t.tm_hour = 8, t.tm_min = 30, t.tm_sec = 12;
      t.tm_isdst = -1;
      return std::chrono::system_clock::from_time_t(std::mktime(&t));
    };
    return o;
  }
  TempFolder folder;
  bool registered = true;
  bool open_works = true;
  std::vector<std::filesystem::path> opened;
};

TEST_F(XlsxExport, SearchResultsAndHitGridReadBackCellByCell) {
  XlsxSpreadsheet sheet(options());
  auto result = export_to_spreadsheet(sheet, testing::sample_search_results(), kGrid);
  ASSERT_TRUE(result.complete);
  const auto file = folder / "lantaro-检索结果-20261209-083012.xlsx";
  EXPECT_EQ(opened, std::vector<std::filesystem::path>{file});
  EXPECT_EQ(folder.names(), std::vector<std::string>{"lantaro-检索结果-20261209-083012.xlsx"});

  auto book = testing::read_workbook(file);
  ASSERT_TRUE(book.ok) << book.error;
  EXPECT_EQ(book.sheets, (std::vector<std::string>{"检索结果", "命中统计"}));

  const std::vector<std::vector<std::string>> expected = {
      {"序号", "左侧上下文", "关键词", "右侧上下文", "出处"},
      {"1", "学而时习之。", "子曰", "：不亦说乎？", "论语"},
      {"2", "", "子曰", "：温故而知新。", "论语"},
      {"3", "孟子见梁惠王。", "王曰", "：叟不远千里而来。", "孟子"}};
  const std::string columns = "ABCDE";
  for (std::size_t r = 0; r < expected.size(); ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      std::string ref = columns.substr(c, 1) + std::to_string(r + 1);
      SCOPED_TRACE(ref);
      const auto found = book.cells[0].find(ref);
      // An empty cell inside the block is simply absent.
      const auto cell = found != book.cells[0].end()
                            ? found->second
                            : testing::ReadCell{"blank", "", "-", "General"};
      if (r > 0 && c == 0) {
        EXPECT_EQ(cell.type, "n");
      }
      EXPECT_EQ(cell.value, expected[r][c]);
      EXPECT_EQ(cell.format, "General");
      // The frame: outer edges of the block only.
      std::string edges;
      if (r == 0) edges += "t";
      if (r == expected.size() - 1) edges += "b";
      if (c == 0) edges += "l";
      if (c == columns.size() - 1) edges += "r";
      EXPECT_EQ(cell.borders, edges.empty() ? "-" : edges);
    }
  }
  EXPECT_EQ(book.cells[0].size(), 19u);

  // Fitted: widest content in units (a CJK character is two) plus two; the file stores a
  // column's width with the cell padding added (less than one unit).
  const std::map<int, double> fitted{{1, 6}, {2, 16}, {3, 8}, {4, 20}, {5, 6}};
  ASSERT_EQ(book.widths[0].size(), fitted.size());
  for (const auto& [column, width] : fitted)
    EXPECT_NEAR(book.widths[0].at(column), width + 0.71, 0.01);

  EXPECT_EQ(book.cells[1].at("A1").value, "序号");
  EXPECT_EQ(book.cells[1].at("B1").value, "文献");
  EXPECT_EQ(book.cells[1].at("C1").value, "命中次数");
  EXPECT_EQ(book.cells[1].at("B2").value, "论语");
  EXPECT_EQ(book.cells[1].at("C2").value, "2");
  EXPECT_EQ(book.cells[1].at("C2").type, "n");
  EXPECT_EQ(book.cells[1].at("C3").value, "1");
  EXPECT_EQ(book.cells[1].at("C3").borders, "br");
  EXPECT_EQ(book.cells[1].size(), 9u);
}

TEST_F(XlsxExport, NoRegisteredProgramMeansNoApplicationAndNoFile) {
  registered = false;
  XlsxSpreadsheet sheet(options());
  auto result = export_to_spreadsheet(sheet, testing::sample_search_results(), kGrid);
  EXPECT_EQ(result.message, Message::SpreadsheetAppFailed);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(folder.names().empty());

  // Nor when the temporary folder cannot take a file.
  registered = true;
  auto o = options();
  o.folder = folder / "gone";
  XlsxSpreadsheet nowhere(o);
  EXPECT_EQ(export_to_spreadsheet(nowhere, testing::sample_search_results(), kGrid).message,
            Message::SpreadsheetAppFailed);
}

TEST_F(XlsxExport, AFreshFileNeverOverwritesAndAFailedOpenLeavesNothing) {
  testing::write_bytes(folder / "lantaro-检索结果-20261209-083012.xlsx", "mine");
  {
    XlsxSpreadsheet sheet(options());
    ASSERT_TRUE(export_to_spreadsheet(sheet, testing::sample_sentences(), {}).complete);
  }
  EXPECT_EQ(testing::read_bytes(folder / "lantaro-检索结果-20261209-083012.xlsx"), "mine");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], folder / "lantaro-检索结果-20261209-083012-2.xlsx");
  auto book = testing::read_workbook(opened[0]);
  ASSERT_TRUE(book.ok) << book.error;
  EXPECT_EQ(book.cells[0].at("B2").value, "“王侯将相宁有种乎！”");
  EXPECT_EQ(book.cells[0].at("C3").value, "史记");
  EXPECT_NEAR(book.widths[0].at(2), 24.71, 0.01);

  open_works = false;
  std::filesystem::remove(opened[0]);
  XlsxSpreadsheet sheet(options());
  auto result = export_to_spreadsheet(sheet, testing::sample_sentences(), {});
  EXPECT_FALSE(result.message);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"lantaro-检索结果-20261209-083012.xlsx"});
}

TEST_F(XlsxExport, ATargetFileIsReplacedOnlyByACompleteWorkbook) {
  const auto target = folder / "导出.xlsx";
  testing::write_bytes(target, "old");
  XlsxSpreadsheet sheet(file_spreadsheet_options(target));
  ASSERT_TRUE(export_to_spreadsheet(sheet, testing::sample_search_results(), kGrid).complete);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"导出.xlsx"});
  auto book = testing::read_workbook(target);
  ASSERT_TRUE(book.ok) << book.error;
  EXPECT_EQ(book.cells[0].at("E4").value, "孟子");

  // Abandoned half-way (no release): the old file stays, the temporary one goes.
  testing::write_bytes(target, "old");
  {
    XlsxSpreadsheet abandoned(file_spreadsheet_options(target));
    ASSERT_TRUE(abandoned.create_application());
    ASSERT_TRUE(abandoned.new_workbook());
    EXPECT_EQ(folder.names().size(), 2u);
  }
  EXPECT_EQ(testing::read_bytes(target), "old");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"导出.xlsx"});

  std::filesystem::permissions(target, std::filesystem::perms::owner_read);
  XlsxSpreadsheet locked(file_spreadsheet_options(target));
  EXPECT_FALSE(locked.create_application());
  EXPECT_EQ(testing::read_bytes(target), "old");
}

TEST_F(XlsxExport, AwkwardTextStaysReadableAndLongSheetsAreStreamed) {
  ResultList list = testing::sample_sentences();
  std::u16string awkward =
      u"a\x01"
      u"b<&>\"\U00020BB7";
  std::u16string long_text(40000, u'长');
  list.texts = {std::make_shared<const std::u16string>(awkward + long_text)};
  list.items = {ResultItem{0, 0, awkward.size(), 0, awkward.size()},
                ResultItem{0, awkward.size(), long_text.size(), awkward.size(), long_text.size()}};
  auto o = options();
  o.streaming_rows = 1;  // every sheet streamed: strings are written inline
  XlsxSpreadsheet sheet(o);
  ASSERT_TRUE(export_to_spreadsheet(sheet, list, kGrid).complete);
  auto book = testing::read_workbook(opened.at(0));
  ASSERT_TRUE(book.ok) << book.error;
  EXPECT_EQ(book.cells[0].at("B2").value, "a b<&>\"\xF0\xA0\xAE\xB7");
  // A cell holds at most 32767 characters; the column stops at a readable width.
  EXPECT_EQ(utf8_to_utf16(book.cells[0].at("B3").value), std::u16string(32767, u'长'));
  EXPECT_NEAR(book.widths[0].at(2), kMaxColumnWidth + 0.71, 0.01);
  EXPECT_EQ(book.cells[0].at("B3").borders, "b");
  EXPECT_EQ(book.cells[1].at("B3").value, "孟子");
}

}  // namespace
}  // namespace lantaro
