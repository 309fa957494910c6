#pragma once
// The spreadsheet program as the export drives it: the operations of an automation client
// (create the application, show it, add a workbook, pick a sheet and a range, write, frame, fit
// the columns, close, quit, release). Every operation reports failure instead of throwing; a
// failed operation has no further effect. XlsxSpreadsheet is the implementation that writes a
// workbook file; tests put a recording one in its place.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lantaro {

// Zero-based, both corners included.
struct CellRange {
  std::uint32_t first_row = 0;
  std::uint32_t first_column = 0;
  std::uint32_t last_row = 0;
  std::uint32_t last_column = 0;

  std::uint32_t rows() const { return last_row - first_row + 1; }
  std::uint32_t columns() const { return last_column - first_column + 1; }
  friend bool operator==(const CellRange&, const CellRange&) = default;
};

// Empty, text or number.
using CellValue = std::variant<std::monostate, std::u16string, double>;

enum class BorderLine { Continuous, Dash, Dot, Double };
enum class BorderWeight { Thin, Medium, Thick };

struct BorderStyle {
  BorderLine line = BorderLine::Continuous;
  BorderWeight weight = BorderWeight::Thin;
  std::uint32_t colour = 0x000000;  // RGB
};

// The size of a sheet in the spreadsheet programs of today.
inline constexpr std::uint32_t kMaxSheetRows = 1048576;
inline constexpr std::uint32_t kMaxSheetColumns = 16384;

// General, under the name Chinese-language spreadsheet programs give it.
inline constexpr std::u16string_view kGeneralFormatLocal = u"G/通用格式";

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;

  // Starts (or connects to) the spreadsheet program; false when there is none to use.
  virtual bool create_application() = 0;
  // Makes the program and its workbooks visible to the user.
  virtual bool show_application() = 0;
  // Adds a new workbook; its first sheet becomes the current sheet.
  virtual bool new_workbook() = 0;
  // Makes the sheet at `index` of the new workbook current, adding sheets up to it, and names it.
  virtual bool select_sheet(std::uint32_t index, std::u16string_view name) = 0;
  // Later writes and formats act on this range of the current sheet.
  virtual bool select_range(const CellRange& range) = 0;
  // Fills the current range row by row (exactly its rows and columns) and gives its cells the
  // number format, named as the program's local language names it.
  virtual bool write(const std::vector<std::vector<CellValue>>& rows,
                     std::u16string_view number_format_local) = 0;
  // A border around the whole current range (its outer edges only).
  virtual bool frame_range(const BorderStyle& style) = 0;
  // Each column of the current range as wide as its content.
  virtual bool fit_columns() = 0;
  // Closes every workbook of the application without keeping it.
  virtual bool close_workbooks() = 0;
  // Ends the application.
  virtual bool quit() = 0;
  // Lets go of the application; whatever is shown stays with the user.
  virtual bool release() = 0;
};

}  // namespace lantaro
