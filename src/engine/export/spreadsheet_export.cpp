#include "engine/export/spreadsheet_export.h"

#include <algorithm>

#include "engine/retrieval/searcher.h"

namespace lantaro {
namespace {

class ProgressReporter {
 public:
  ProgressReporter(const SpreadsheetProgressCallback& callback, std::size_t rows_total)
      : callback_(callback) {
    state_.rows_total = rows_total;
  }
  void rows(std::size_t count) {
    state_.rows_written += count;
    report();
  }
  void step(SpreadsheetStep finished) {
    state_.step = static_cast<std::size_t>(finished);
    report();
  }

 private:
  void report() {
    if (callback_) callback_(state_);
  }
  const SpreadsheetProgressCallback& callback_;
  SpreadsheetProgress state_;
};

struct WrittenBlock {
  std::uint32_t rows = 0;  // header included
  bool complete = false;
};

// Header and rows into one sheet, a block of rows per write; a failing write ends the block
// where it is. Rows past the end of a sheet cannot be written and make the block incomplete.
WrittenBlock write_block(Spreadsheet& spreadsheet, std::uint32_t sheet, std::u16string_view name,
                         const std::vector<std::u16string>& header, std::size_t row_count,
                         const std::function<std::vector<CellValue>(std::size_t)>& row,
                         ProgressReporter& reporter) {
  WrittenBlock block;
  if (!spreadsheet.select_sheet(sheet, name)) return block;
  const auto last_column = static_cast<std::uint32_t>(header.size() - 1);
  std::vector<std::vector<CellValue>> rows(1);
  for (const std::u16string& title : header) rows[0].emplace_back(title);
  if (!spreadsheet.select_range(CellRange{0, 0, 0, last_column}) ||
      !spreadsheet.write(rows, kGeneralFormatLocal))
    return block;
  block.rows = 1;
  reporter.rows(1);

  const std::size_t fitting = std::min<std::size_t>(row_count, kMaxSheetRows - 1);
  for (std::size_t first = 0; first < fitting; first += kRowsPerWrite) {
    const std::size_t count = std::min(kRowsPerWrite, fitting - first);
    rows.assign(count, {});
    for (std::size_t i = 0; i < count; ++i) rows[i] = row(first + i);
    const auto top = static_cast<std::uint32_t>(first + 1);
    if (!spreadsheet.select_range(
            CellRange{top, 0, top + static_cast<std::uint32_t>(count) - 1, last_column}) ||
        !spreadsheet.write(rows, kGeneralFormatLocal))
      return block;
    block.rows += static_cast<std::uint32_t>(count);
    reporter.rows(count);
  }
  block.complete = fitting == row_count;
  return block;
}

bool format_block(Spreadsheet& spreadsheet, const WrittenBlock& block, std::size_t columns) {
  if (block.rows == 0) return false;
  const CellRange range{0, 0, block.rows - 1, static_cast<std::uint32_t>(columns - 1)};
  bool framed = spreadsheet.select_range(range) && spreadsheet.frame_range(BorderStyle{});
  bool fitted = spreadsheet.select_range(range) && spreadsheet.fit_columns();
  return framed && fitted;
}

}  // namespace

std::vector<HitGridRow> hit_grid_rows(const SearchResults& results) {
  std::vector<HitGridRow> rows;
  const auto count = std::min(results.hit_counts.size(), results.list.documents.size());
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    rows.push_back(HitGridRow{results.list.documents[i].display_name, results.hit_counts[i]});
  return rows;
}

std::vector<std::u16string> result_sheet_header(ResultKind kind) {
  if (kind == ResultKind::Sentences) return {u"序号", u"语句", u"出处"};
  return {u"序号", u"左侧上下文", u"关键词", u"右侧上下文", u"出处"};
}

std::vector<CellValue> result_sheet_row(const ResultList& results, std::size_t index) {
  const double serial = static_cast<double>(index + 1);
  const std::u16string& source =
      results.documents.at(results.items.at(index).document).display_name;
  if (results.kind == ResultKind::Sentences)
    return {serial, std::u16string(results.span_text(index)), source};
  return {serial, std::u16string(results.left_context(index)),
          std::u16string(results.hit_text(index)), std::u16string(results.right_context(index)),
          source};
}

SpreadsheetExportResult export_to_spreadsheet(Spreadsheet& spreadsheet, const ResultList& results,
                                              const std::vector<HitGridRow>& hit_grid,
                                              const SpreadsheetProgressCallback& progress) {
  if (results.empty()) return {Message::NoResultsToExport, false};
  ProgressReporter reporter(progress, results.size() + hit_grid.size() + 2);

  if (!spreadsheet.create_application()) {
    spreadsheet.release();
    return {Message::SpreadsheetAppFailed, false};
  }
  reporter.step(SpreadsheetStep::CreateApplication);
  const bool shown = spreadsheet.show_application();
  reporter.step(SpreadsheetStep::ShowApplication);
  const bool workbook = spreadsheet.new_workbook();
  reporter.step(SpreadsheetStep::NewWorkbook);
  if (!shown || !workbook) {
    // Nothing the user could see or work in: leave no hidden program or file behind.
    spreadsheet.close_workbooks();
    spreadsheet.quit();
    spreadsheet.release();
    reporter.step(SpreadsheetStep::Release);
    return {std::nullopt, false};
  }

  const std::vector<std::u16string> header = result_sheet_header(results.kind);
  WrittenBlock result_block = write_block(
      spreadsheet, 0, kResultSheetName, header, results.size(),
      [&](std::size_t i) { return result_sheet_row(results, i); }, reporter);
  reporter.step(SpreadsheetStep::WriteResults);
  const bool results_formatted = format_block(spreadsheet, result_block, header.size());
  reporter.step(SpreadsheetStep::FormatResults);

  const std::vector<std::u16string> grid_header(kHitGridHeader.begin(), kHitGridHeader.end());
  WrittenBlock grid_block = write_block(
      spreadsheet, 1, kHitSheetName, grid_header, hit_grid.size(),
      [&](std::size_t i) -> std::vector<CellValue> {
        return {static_cast<double>(i + 1), hit_grid[i].document,
                static_cast<double>(hit_grid[i].hits)};
      },
      reporter);
  reporter.step(SpreadsheetStep::WriteHitGrid);
  const bool grid_formatted = format_block(spreadsheet, grid_block, grid_header.size());
  reporter.step(SpreadsheetStep::FormatHitGrid);

  const bool released = spreadsheet.release();
  reporter.step(SpreadsheetStep::Release);
  return {std::nullopt, result_block.complete && results_formatted && grid_block.complete &&
                            grid_formatted && released};
}

}  // namespace lantaro
