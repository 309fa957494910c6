#pragma once
// The spreadsheet program on a desktop without an automation server: the operations build a
// workbook in memory, and releasing the application writes it as a real .xlsx file and, once the
// application was shown, opens it with the desktop's program for .xlsx files.
//
// By default the workbook goes to a fresh file in the user's temporary folder named with the
// date and time (an existing file is never overwritten); with a target it replaces that file
// only once the new one is complete.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/export/replacing_file.h"
#include "engine/export/spreadsheet.h"

namespace lantaro {

struct XlsxSpreadsheetOptions {
  // Folder for a fresh workbook file; the user's temporary folder when empty.
  std::filesystem::path folder;
  // When set, the workbook replaces this file instead of going to a fresh one.
  std::filesystem::path target;
  // Whether a program is registered for .xlsx files; no check when empty.
  std::function<bool()> has_handler;
  // Opens the finished file for the user; nothing is opened when empty.
  std::function<bool(const std::filesystem::path&)> open;
  // The moment that names a fresh file; the system clock when empty.
  std::function<std::chrono::system_clock::time_point()> clock;
  // Sheets longer than this are streamed row by row to keep memory flat.
  std::uint32_t streaming_rows = 100000;
};

// The desktop's own program: registration check and opener from the platform layer.
XlsxSpreadsheetOptions desktop_spreadsheet_options();
// Writes `target` and opens nothing (batch use).
XlsxSpreadsheetOptions file_spreadsheet_options(const std::filesystem::path& target);

// "lantaro-检索结果-YYYYMMDD-HHMMSS" for the local time of `moment`.
std::u16string workbook_file_stem(std::chrono::system_clock::time_point moment);

// How wide a text is in column units: a wide (CJK, full-width) character counts two.
std::size_t display_width(std::u16string_view text);
// The number as the General format shows it.
std::u16string general_number_text(double value);

inline constexpr std::size_t kMaxCellCharacters = 32767;
inline constexpr double kMaxColumnWidth = 80;

class XlsxSpreadsheet final : public Spreadsheet {
 public:
  explicit XlsxSpreadsheet(XlsxSpreadsheetOptions options);
  ~XlsxSpreadsheet() override;
  XlsxSpreadsheet(const XlsxSpreadsheet&) = delete;
  XlsxSpreadsheet& operator=(const XlsxSpreadsheet&) = delete;

  bool create_application() override;
  bool show_application() override;
  bool new_workbook() override;
  bool select_sheet(std::uint32_t index, std::u16string_view name) override;
  bool select_range(const CellRange& range) override;
  bool write(const std::vector<std::vector<CellValue>>& rows,
             std::u16string_view number_format_local) override;
  bool frame_range(const BorderStyle& style) override;
  bool fit_columns() override;
  bool close_workbooks() override;
  bool quit() override;
  bool release() override;

  // The workbook file: chosen by create_application, written by release.
  const std::filesystem::path& file() const { return file_; }

 private:
  struct Cell {
    std::string text;  // UTF-8
    double number = 0;
    std::uint32_t width = 0;   // display units, for fitting the column
    std::uint8_t kind = 0;     // 0 empty, 1 text, 2 number
    std::uint16_t format = 0;  // index into the workbook's number formats
  };
  struct Frame {
    CellRange range;
    BorderStyle style;
  };
  struct Sheet {
    std::string name;  // UTF-8
    std::vector<std::vector<Cell>> rows;
    std::vector<Frame> frames;
    std::map<std::uint32_t, double> widths;
  };

  bool write_workbook(const std::filesystem::path& path) const;
  void drop_file();

  XlsxSpreadsheetOptions options_;
  bool application_ = false;
  bool visible_ = false;
  bool released_ = false;
  std::filesystem::path file_;
  std::unique_ptr<ReplacingFile> replacement_;  // with a target
  // The open workbook: its sheets and its number formats (index 0 is General).
  std::optional<std::vector<Sheet>> sheets_;
  std::vector<std::string> number_formats_;
  std::uint32_t current_sheet_ = 0;
  std::optional<CellRange> range_;
};

}  // namespace lantaro
