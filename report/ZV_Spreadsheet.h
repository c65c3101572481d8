// Spreadsheet export of prepared pages: their texts laid out in rows and columns, written as XLSX or CSV.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/FormatSettings.h"
#include "report/ZV_Registry.h"

namespace zv {

// One text of a prepared page as the sheet layout sees it.
struct TzvSheetText {
    int32_t Page = 0;      // 0-based output page
    int32_t X = 0;         // left edge
    int32_t Baseline = 0;  // page units
    std::string Text;      // Windows-1252
};

// Baselines (rows) and left edges (columns) this close to the first of their group share it.
inline constexpr int32_t kSheetRowTolerance = 3;
inline constexpr int32_t kSheetColumnTolerance = 4;

// Rows of cells, each a Windows-1252 text ("" where the row has nothing in that column).
using TzvSheet = std::vector<std::vector<std::string>>;

// Rows: page after page, each page's texts top to bottom; a text starts a new row when its
// baseline lies more than kSheetRowTolerance below the first baseline of the current row.
// Columns: the left edges of the whole report, grouped from the left the same way with
// kSheetColumnTolerance, so that a list's columns are the same columns on every page. Texts that
// meet in one cell are joined in reading order with a space; blanks around a text are dropped.
TzvSheet LayOutSheet(std::vector<TzvSheetText> texts);

// What a cell's text becomes in a spreadsheet. A number is an optional "-", an integer part and
// optionally the decimal separator with digits, at most 15 digits in all; the integer part is
// "0" or has no leading zero, and is either grouped by threes with the thousands separator or
// written plainly with at most 9 digits (longer digit runs, and any with leading zeros, are codes:
// EAN numbers, telephone and account numbers stay text). A date has the shape of the short date
// format (day, month, year fields and its separators) and falls on or after 1 March 1900, where
// spreadsheet day numbers agree with ours. Everything else is text.
struct TzvSheetValue {
    enum Kind { Text, Number, Date };
    Kind kind = Text;
    double value = 0;       // Number, or Date as days since 1899-12-30
    std::string numFormat;  // spreadsheet number format: "#,##0.00", "0", "dd/mm/yyyy"
};
TzvSheetValue ClassifySheetText(std::string_view text, const FormatSettings& fs);

// One CSV field: quoted, with quotes doubled, when it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view text);
// The sheet as CSV: fields converted to UTF-8, separated by commas, every record ended by CRLF.
std::string SheetToCsv(const TzvSheet& sheet);

// The spreadsheet filters gather the texts of every page and write the whole sheet at OnEndDoc,
// because columns are shared across the report. Setup shows nothing; SkipPageBands (on by default)
// leaves out the texts that lie in a page header or footer of their page, as the preparation
// noted them (pages read from a file carry no such notes and keep every text).
class TzvSheetExportFilter : public TzvExportFilter {
public:
    using TzvExportFilter::TzvExportFilter;
    bool SkipPageBands = true;

    void OnBeginPage(int32_t width, int32_t height) override;
    void OnText(int32_t x, int32_t y, const Font& font, const std::string& text) override;
    void OnEndDoc() override;

protected:
    virtual void WriteSheet(const TzvSheet& sheet) = 0;

private:
    std::vector<TzvSheetText> texts_;
    std::vector<std::pair<int32_t, int32_t>> spans_;  // of the current page
    int32_t page_ = -1;
};

// CSV (RFC 4180, UTF-8): every cell as the page shows it.
class TzvCsvExportFilter : public TzvSheetExportFilter {
public:
    using TzvSheetExportFilter::TzvSheetExportFilter;

protected:
    void WriteSheet(const TzvSheet& sheet) override;
};

// XLSX through libxlsxwriter: numbers and dates (ClassifySheetText under the process default
// settings) become numeric cells with their number format, the rest text cells. libxlsxwriter
// writes only to a named file, so the workbook goes to a temporary file whose bytes are then
// copied to the stream. Errors of the writer throw Exception (kXlsxWriteError and its reason).
class TzvXlsxExportFilter : public TzvSheetExportFilter {
public:
    using TzvSheetExportFilter::TzvSheetExportFilter;

protected:
    void WriteSheet(const TzvSheet& sheet) override;
};

// Registers the XLSX and CSV filters (kXlsxFilterDescription, kCsvFilterDescription).
void RegisterSpreadsheetFilters();

}  // namespace zv
