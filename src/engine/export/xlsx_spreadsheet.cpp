#include "engine/export/xlsx_spreadsheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>
#include <xlsxwriter.h>

#include "engine/common/text.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace lantaro {
namespace {

constexpr std::string_view kXlsxMime =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

bool is_wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2014 && c <= 0x2026) ||
         (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xA000 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

// A cell holds at most so many characters; longer texts are cut, never split inside a pair.
std::u16string_view clip_to_cell(std::u16string_view text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (characters == kMaxCellCharacters) return text.substr(0, i);
    if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) ++i;
    ++characters;
  }
  return text;
}

// Characters XML cannot carry at all; they would make the whole workbook unreadable.
std::u16string without_xml_controls(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
      c = u' ';
  }
  return out;
}

std::string number_format_code(std::u16string_view local) {
  if (local.empty() || local == kGeneralFormatLocal || local == u"General") return "General";
  return utf16_to_utf8(local);
}

bool valid_sheet_name(std::u16string_view name) {
  if (name.empty() || name.size() > 31) return false;
  if (name.front() == u'\'' || name.back() == u'\'') return false;
  return name.find_first_of(u"[]:*?/\\") == std::u16string_view::npos;
}

std::uint8_t border_code(const BorderStyle& style) {
  switch (style.line) {
    case BorderLine::Dash:
      return style.weight == BorderWeight::Thin ? LXW_BORDER_DASHED : LXW_BORDER_MEDIUM_DASHED;
    case BorderLine::Dot: return LXW_BORDER_DOTTED;
    case BorderLine::Double: return LXW_BORDER_DOUBLE;
    case BorderLine::Continuous: break;
  }
  switch (style.weight) {
    case BorderWeight::Medium: return LXW_BORDER_MEDIUM;
    case BorderWeight::Thick: return LXW_BORDER_THICK;
    case BorderWeight::Thin: break;
  }
  return LXW_BORDER_THIN;
}

// Owns a workbook until it is written; an abandoned one is freed without writing anything.
class XlsxWorkbook {
 public:
  XlsxWorkbook(const std::string& path_utf8, bool streaming) {
    lxw_workbook_options options{};
    options.constant_memory = streaming ? LXW_TRUE : LXW_FALSE;
    options.use_zip64 = streaming ? LXW_TRUE : LXW_FALSE;
    workbook_ = workbook_new_opt(path_utf8.c_str(), &options);
  }
  ~XlsxWorkbook() {
    if (workbook_) lxw_workbook_free(workbook_);
  }
  XlsxWorkbook(const XlsxWorkbook&) = delete;
  XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

  lxw_workbook* get() const { return workbook_; }
  bool close() {
    lxw_error error = workbook_close(workbook_);  // frees the workbook in any case
    workbook_ = nullptr;
    return error == LXW_NO_ERROR;
  }

 private:
  lxw_workbook* workbook_ = nullptr;
};

}  // namespace

std::size_t display_width(std::u16string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    width += is_wide(c) ? 2 : 1;
  }
  return width;
}

std::u16string general_number_text(double value) {
  char buffer[32];
  if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e11)
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  else
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
  return utf8_to_utf16(buffer);
}

std::u16string workbook_file_stem(std::chrono::system_clock::time_point moment) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  // Not std::localtime: its buffer is shared with gmtime, which libxlsxwriter calls too.
  const std::tm local = platform::local_time(seconds);
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return u"lantaro-检索结果" + utf8_to_utf16(stamp);
}

XlsxSpreadsheetOptions desktop_spreadsheet_options() {
  XlsxSpreadsheetOptions options;
  options.has_handler = [] { return platform::has_handler_for(".xlsx", kXlsxMime); };
  options.open = [](const fs::path& file) { return platform::open_with_shell(path_to_utf8(file)); };
  return options;
}

XlsxSpreadsheetOptions file_spreadsheet_options(const fs::path& target) {
  XlsxSpreadsheetOptions options;
  options.target = target;
  return options;
}

XlsxSpreadsheet::XlsxSpreadsheet(XlsxSpreadsheetOptions options) : options_(std::move(options)) {}

XlsxSpreadsheet::~XlsxSpreadsheet() {
  if (application_) {
    sheets_.reset();
    drop_file();
  }
}

bool XlsxSpreadsheet::create_application() {
  if (application_) return true;
  if (options_.has_handler && !options_.has_handler()) return false;
  std::error_code ec;
  if (!options_.target.empty()) {
    auto replacement = std::make_unique<ReplacingFile>(options_.target);
    if (!replacement->ok() || !replacement->close_stream()) return false;
    file_ = replacement->target();
    replacement_ = std::move(replacement);
  } else {
    fs::path folder = options_.folder.empty() ? fs::temp_directory_path(ec) : options_.folder;
    if (ec || folder.empty()) return false;
    auto now = options_.clock ? options_.clock() : std::chrono::system_clock::now();
    fs::path file = unused_file_name(folder, workbook_file_stem(now), u".xlsx");
    if (file.empty()) return false;
    // Claim the name at once so that a second export in the same second picks another.
    std::ofstream claim(file, std::ios::binary);
    if (!claim.is_open()) return false;
    file_ = file;
  }
  application_ = true;
  visible_ = false;
  return true;
}

bool XlsxSpreadsheet::show_application() {
  if (!application_) return false;
  visible_ = true;
  return true;
}

bool XlsxSpreadsheet::new_workbook() {
  if (!application_ || sheets_) return false;
  sheets_.emplace(1);
  sheets_->front().name = "Sheet1";
  number_formats_ = {"General"};
  current_sheet_ = 0;
  range_.reset();
  return true;
}

bool XlsxSpreadsheet::select_sheet(std::uint32_t index, std::u16string_view name) {
  if (!sheets_ || !valid_sheet_name(name) || index > 255) return false;
  std::string name_utf8 = utf16_to_utf8(name);
  for (std::uint32_t i = 0; i < sheets_->size(); ++i)
    if (i != index && (*sheets_)[i].name == name_utf8) return false;
  while (sheets_->size() <= index) {
    Sheet sheet;
    sheet.name = "Sheet" + std::to_string(sheets_->size() + 1);
    sheets_->push_back(std::move(sheet));
  }
  (*sheets_)[index].name = name_utf8;
  current_sheet_ = index;
  range_.reset();
  return true;
}

bool XlsxSpreadsheet::select_range(const CellRange& range) {
  if (!sheets_) return false;
  if (range.first_row > range.last_row || range.first_column > range.last_column ||
      range.last_row >= kMaxSheetRows || range.last_column >= kMaxSheetColumns)
    return false;
  range_ = range;
  return true;
}

bool XlsxSpreadsheet::write(const std::vector<std::vector<CellValue>>& rows,
                            std::u16string_view number_format_local) {
  if (!sheets_ || !range_) return false;
  const CellRange range = *range_;
  if (rows.size() != range.rows()) return false;
  for (const auto& row : rows)
    if (row.size() != range.columns()) return false;

  std::string code = number_format_code(number_format_local);
  auto known = std::find(number_formats_.begin(), number_formats_.end(), code);
  std::uint16_t format = static_cast<std::uint16_t>(known - number_formats_.begin());
  if (known == number_formats_.end()) {
    if (number_formats_.size() >= 0xFFFF) return false;
    number_formats_.push_back(code);
  }

  Sheet& sheet = (*sheets_)[current_sheet_];
  if (sheet.rows.size() <= range.last_row) sheet.rows.resize(range.last_row + 1);
  for (std::uint32_t r = 0; r < range.rows(); ++r) {
    std::vector<Cell>& cells = sheet.rows[range.first_row + r];
    if (cells.size() <= range.last_column) cells.resize(range.last_column + 1);
    for (std::uint32_t c = 0; c < range.columns(); ++c) {
      Cell& cell = cells[range.first_column + c];
      cell = Cell{};
      cell.format = format;
      const CellValue& value = rows[r][c];
      if (const auto* text = std::get_if<std::u16string>(&value)) {
        std::u16string clean = without_xml_controls(clip_to_cell(*text));
        cell.kind = 1;
        cell.width = static_cast<std::uint32_t>(display_width(clean));
        cell.text = utf16_to_utf8(clean);
      } else if (const auto* number = std::get_if<double>(&value)) {
        cell.kind = 2;
        cell.number = *number;
        cell.width = static_cast<std::uint32_t>(display_width(general_number_text(*number)));
      }
    }
  }
  return true;
}

bool XlsxSpreadsheet::frame_range(const BorderStyle& style) {
  if (!sheets_ || !range_) return false;
  (*sheets_)[current_sheet_].frames.push_back(Frame{*range_, style});
  return true;
}

bool XlsxSpreadsheet::fit_columns() {
  if (!sheets_ || !range_) return false;
  Sheet& sheet = (*sheets_)[current_sheet_];
  const CellRange range = *range_;
  std::vector<std::uint32_t> widest(range.columns(), 0);
  std::uint32_t last =
      std::min<std::uint32_t>(range.last_row + 1, static_cast<std::uint32_t>(sheet.rows.size()));
  for (std::uint32_t r = range.first_row; r < last; ++r) {
    const std::vector<Cell>& cells = sheet.rows[r];
    for (std::uint32_t c = range.first_column; c <= range.last_column && c < cells.size(); ++c)
      widest[c - range.first_column] = std::max(widest[c - range.first_column], cells[c].width);
  }
  for (std::uint32_t i = 0; i < widest.size(); ++i) {
    // Two units of air, as a fitted column shows; very long texts stop at a readable width.
    if (widest[i] > 0)
      sheet.widths[range.first_column + i] = std::min<double>(widest[i] + 2, kMaxColumnWidth);
    else
      sheet.widths.erase(range.first_column + i);
  }
  return true;
}

bool XlsxSpreadsheet::close_workbooks() {
  if (!application_) return false;
  sheets_.reset();
  range_.reset();
  return true;
}

bool XlsxSpreadsheet::quit() {
  if (!application_) return false;
  close_workbooks();
  drop_file();
  application_ = false;
  visible_ = false;
  return true;
}

bool XlsxSpreadsheet::release() {
  if (!application_) return true;
  bool ok = true;
  if (sheets_) {
    const fs::path& written = replacement_ ? replacement_->temporary_path() : file_;
    ok = write_workbook(written);
    if (ok && replacement_) ok = replacement_->commit();
    if (ok && visible_ && options_.open) ok = options_.open(file_);
    if (!ok && replacement_) replacement_->discard();
  }
  if (!ok || !sheets_) drop_file();
  replacement_.reset();
  sheets_.reset();
  range_.reset();
  application_ = false;
  visible_ = false;
  return ok;
}

void XlsxSpreadsheet::drop_file() {
  if (replacement_) {
    replacement_->discard();
    replacement_.reset();
  } else if (!file_.empty()) {
    std::error_code ec;
    fs::remove(file_, ec);
  }
  file_.clear();
}

bool XlsxSpreadsheet::write_workbook(const fs::path& path) const {
  bool streaming = false;
  for (const Sheet& sheet : *sheets_)
    if (sheet.rows.size() > options_.streaming_rows) streaming = true;
  XlsxWorkbook workbook(path_to_utf8(path), streaming);
  if (!workbook.get()) return false;

  // One format per number format and border combination, made on first use.
  using FormatKey = std::array<std::uint32_t, 9>;  // format, 4 edge styles, 4 edge colours
  std::map<FormatKey, lxw_format*> formats;
  auto format_for = [&](const FormatKey& key) -> lxw_format* {
    bool plain = true;
    for (std::uint32_t v : key) plain = plain && v == 0;
    if (plain) return nullptr;
    auto found = formats.find(key);
    if (found != formats.end()) return found->second;
    lxw_format* format = workbook_add_format(workbook.get());
    if (key[0] != 0) format_set_num_format(format, number_formats_[key[0]].c_str());
    if (key[1]) format_set_top(format, static_cast<std::uint8_t>(key[1]));
    if (key[2]) format_set_bottom(format, static_cast<std::uint8_t>(key[2]));
    if (key[3]) format_set_left(format, static_cast<std::uint8_t>(key[3]));
    if (key[4]) format_set_right(format, static_cast<std::uint8_t>(key[4]));
    if (key[5]) format_set_top_color(format, key[5]);
    if (key[6]) format_set_bottom_color(format, key[6]);
    if (key[7]) format_set_left_color(format, key[7]);
    if (key[8]) format_set_right_color(format, key[8]);
    formats.emplace(key, format);
    return format;
  };

  const Cell empty;
  for (const Sheet& sheet : *sheets_) {
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), sheet.name.c_str());
    if (!worksheet) return false;
    // Column widths first: a streamed sheet cannot take them after its rows.
    for (const auto& [column, width] : sheet.widths)
      if (worksheet_set_column(worksheet, static_cast<lxw_col_t>(column),
                               static_cast<lxw_col_t>(column), width, nullptr) != LXW_NO_ERROR)
        return false;

    std::uint32_t row_count = static_cast<std::uint32_t>(sheet.rows.size());
    for (const Frame& frame : sheet.frames)
      row_count = std::max(row_count, frame.range.last_row + 1);
    for (std::uint32_t r = 0; r < row_count; ++r) {
      const std::vector<Cell>* cells = r < sheet.rows.size() ? &sheet.rows[r] : nullptr;
      std::uint32_t column_count = cells ? static_cast<std::uint32_t>(cells->size()) : 0;
      for (const Frame& frame : sheet.frames)
        if (r >= frame.range.first_row && r <= frame.range.last_row)
          column_count = std::max(column_count, frame.range.last_column + 1);
      for (std::uint32_t c = 0; c < column_count; ++c) {
        const Cell& cell = cells && c < cells->size() ? (*cells)[c] : empty;
        FormatKey key{};
        key[0] = cell.format;
        for (const Frame& frame : sheet.frames) {
          const CellRange& f = frame.range;
          if (r < f.first_row || r > f.last_row || c < f.first_column || c > f.last_column)
            continue;
          std::uint32_t code = border_code(frame.style);
          std::uint32_t colour = frame.style.colour;
          if (r == f.first_row) key[1] = code, key[5] = colour;
          if (r == f.last_row) key[2] = code, key[6] = colour;
          if (c == f.first_column) key[3] = code, key[7] = colour;
          if (c == f.last_column) key[4] = code, key[8] = colour;
        }
        bool bordered = key[1] || key[2] || key[3] || key[4];
        if (cell.kind == 0 && !bordered) continue;
        lxw_format* format = format_for(key);
        lxw_error error = LXW_NO_ERROR;
        if (cell.kind == 1)
          error = worksheet_write_string(worksheet, r, static_cast<lxw_col_t>(c), cell.text.c_str(),
                                         format);
        else if (cell.kind == 2)
          error =
              worksheet_write_number(worksheet, r, static_cast<lxw_col_t>(c), cell.number, format);
        else
          error = worksheet_write_blank(worksheet, r, static_cast<lxw_col_t>(c), format);
        if (error != LXW_NO_ERROR) return false;
      }
    }
  }
  return workbook.close();
}

}  // namespace lantaro
