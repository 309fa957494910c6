#pragma once
// The spreadsheet export: the result list (and the hit grid) written into a new workbook of the
// spreadsheet program, step by step in a fixed order. Sheet "检索结果" holds a header row and one
// row per result item; sheet "命中统计" the hit grid. Each written block is framed and its
// columns fitted.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/messages.h"
#include "engine/export/spreadsheet.h"
#include "engine/retrieval/result_list.h"

namespace lantaro {

struct SearchResults;

// A row of the hit grid: a document and how often it was hit.
struct HitGridRow {
  std::u16string document;
  std::size_t hits = 0;
};

std::vector<HitGridRow> hit_grid_rows(const SearchResults& results);

// The hit grid's column headers, as the window, the workbook and lantaro-cli show them.
inline constexpr std::array<std::u16string_view, 3> kHitGridHeader = {u"序号", u"文献",
                                                                      u"命中次数"};

inline constexpr std::u16string_view kResultSheetName = u"检索结果";
inline constexpr std::u16string_view kHitSheetName = u"命中统计";

// The steps of the export, in order, for the progress display.
enum class SpreadsheetStep {
  CreateApplication = 1,
  ShowApplication,
  NewWorkbook,
  WriteResults,
  FormatResults,
  WriteHitGrid,
  FormatHitGrid,
  Release,
};
inline constexpr std::size_t kSpreadsheetSteps = 8;

struct SpreadsheetProgress {
  std::size_t rows_written = 0;  // header rows included
  std::size_t rows_total = 0;
  std::size_t step = 0;  // steps finished so far, 0..kSpreadsheetSteps
  std::size_t steps = kSpreadsheetSteps;
};
// Called on the exporting thread after each block of rows and each step.
using SpreadsheetProgressCallback = std::function<void(const SpreadsheetProgress&)>;

struct SpreadsheetExportResult {
  // NoResultsToExport or SpreadsheetAppFailed; nothing when the export went ahead (whatever
  // later step failed is not reported to the user).
  std::optional<Message> message;
  bool complete = false;  // every step succeeded
};

// The header and values of the rows the result sheet gets (without the header).
std::vector<std::u16string> result_sheet_header(ResultKind kind);
std::vector<CellValue> result_sheet_row(const ResultList& results, std::size_t index);

// Rows are written in blocks of this many, so a long list shows progress as it goes.
inline constexpr std::size_t kRowsPerWrite = 1000;

SpreadsheetExportResult export_to_spreadsheet(Spreadsheet& spreadsheet, const ResultList& results,
                                              const std::vector<HitGridRow>& hit_grid,
                                              const SpreadsheetProgressCallback& progress = {});

}  // namespace lantaro
